#include "platform/gui/QtMessageBox.h"

#include "platform/TextConversion.h"

#include <QApplication>
#include <QMessageBox>

namespace platform::gui {
namespace {

std::string withLineBreaks(std::string text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

} // namespace

MsgAnswer showQtMessageBox(const std::string& text, const std::string& title, int style)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(textFromBytes(title));
    box.setText(textFromBytes(withLineBreaks(text)));
    box.setTextFormat(Qt::PlainText);
    bool question = style == kMsgQuestion || style == kMsgQuestionNoDefault;
    if (question) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(style == kMsgQuestionNoDefault ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setIcon(style == kMsgCritical ? QMessageBox::Critical : QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    int pressed = box.exec();
    if (!question)
        return MsgAnswer::Ok;
    return pressed == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

void installQtMessageBoxes()
{
    setMessageBoxHandler(showQtMessageBox);
}

} // namespace platform::gui
