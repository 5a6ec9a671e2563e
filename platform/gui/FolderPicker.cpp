#include "platform/gui/FolderPicker.h"

#include "platform/TextConversion.h"

#include <QFileDialog>

#include <deque>

namespace platform::gui {
namespace {

struct PickerHook {
    std::deque<std::string> answers;
    int calls = 0;
};

PickerHook& hook()
{
    static PickerHook instance;
    return instance;
}

} // namespace

std::string pickFolder(QWidget* owner)
{
    PickerHook& h = hook();
    ++h.calls;
    if (!h.answers.empty()) {
        std::string answer = h.answers.front();
        h.answers.pop_front();
        return answer;
    }
    QString chosen
        = QFileDialog::getExistingDirectory(owner, QString(), QString(), QFileDialog::ShowDirsOnly);
    return bytesFromText(chosen);
}

void setNextPickedFolder(const std::string& answer)
{
    hook().answers.push_back(answer);
}

void resetFolderPicker()
{
    hook() = PickerHook();
}

int pickFolderCalls()
{
    return hook().calls;
}

} // namespace platform::gui
