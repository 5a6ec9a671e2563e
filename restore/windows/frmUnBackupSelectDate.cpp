#include "restore/windows/frmUnBackupSelectDate.h"

#include "platform/MessageBox.h"
#include "platform/TextConversion.h"
#include "ui/WindowDefinitions.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

namespace {

// The date's bytes as added, whatever their encoding.
constexpr int kDateBytesRole = Qt::UserRole;

} // namespace

frmUnBackupSelectDate::frmUnBackupSelectDate(QWidget* parent)
    : QDialog(parent)
{
    m_form = buildForm(*this, frmUnBackupSelectDateDefinition());
    m_lstDate = m_form.get<QListWidget>("lstDate");
    m_cmdCancel = m_form.get<QPushButton>("cmdCancel");
    // Only a double-click on an entry reaches the handler: one on the empty
    // part of the list must not hand back an entry selected earlier.
    connect(m_lstDate, &QListWidget::itemDoubleClicked, this, [this] { lstDate_DblClick(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    // The keyboard works the list: the arrow keys move through the dates
    // from the start, and Enter chooses the one selected as a double-click does.
    m_lstDate->installEventFilter(this);
    m_lstDate->setFocus();
}

bool frmUnBackupSelectDate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lstDate && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lstDate_DblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmUnBackupSelectDate::addDate(const std::string& dateText, const std::string& outcome)
{
    const QByteArray bytes = QByteArray::fromStdString(dateText);
    QString shown = platform::textFromBytes(dateText);
    if (!outcome.empty())
        shown += QString::fromStdString(outcomeFlag(outcome));
    auto* item = new QListWidgetItem(shown, m_lstDate);
    item->setData(kDateBytesRole, bytes);
}

void frmUnBackupSelectDate::lstDate_DblClick()
{
    const QList<QListWidgetItem*> selected = m_lstDate->selectedItems();
    if (selected.size() != 1)
        return;
    const std::string entry = selected.front()->data(kDateBytesRole).toByteArray().toStdString();
    const std::string prompt = "Do you really want to restore all files from " + entry + "?" + "\r\n\r\n"
        + "Warning!" + "\r\n" + "ALL FILES IN TARGET DIRECTORY IS GOING TO BE DELETED!";
    if (platform::showMessage(prompt, "Continue?", platform::kMsgQuestionNoDefault)
        != platform::MsgAnswer::Yes)
        return;
    Tag = entry;
    hide();
}

void frmUnBackupSelectDate::cmdCancel_Click()
{
    Tag.clear();
    hide();
}

void frmUnBackupSelectDate::reject()
{
    // Escape: the same as Cancel.
    cmdCancel_Click();
}

void frmUnBackupSelectDate::closeEvent(QCloseEvent* event)
{
    event->accept();
    cmdCancel_Click();
}
