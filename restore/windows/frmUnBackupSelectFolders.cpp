#include "restore/windows/frmUnBackupSelectFolders.h"

#include "platform/TextConversion.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

frmUnBackupSelectFolders::frmUnBackupSelectFolders(
    const std::string& date, const std::vector<std::string>& folders, QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmUnBackupSelectFolders");
    setWindowTitle("Restore which folders?");
    auto* label = new QLabel("The backup of " + platform::textFromBytes(date)
            + " holds these folders, each with the files directly in it.\nRestore the folders ticked "
              "(Space ticks or unticks the one selected):",
        this);
    label->setObjectName("lblFolders");
    m_lstFolders = new QListWidget(this);
    m_lstFolders->setObjectName("lstFolders");
    label->setBuddy(m_lstFolders);
    for (const std::string& folder : folders) {
        auto* item = new QListWidgetItem(platform::textFromBytes(folder), m_lstFolders);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    m_cmdAll = new QPushButton("Tick &all", this);
    m_cmdAll->setObjectName("cmdAll");
    m_cmdNone = new QPushButton("&Untick all", this);
    m_cmdNone->setObjectName("cmdNone");
    m_cmdRestore = new QPushButton("&Restore", this);
    m_cmdRestore->setObjectName("cmdRestore");
    m_cmdCancel = new QPushButton("Cancel", this);
    m_cmdCancel->setObjectName("cmdCancel");
    // Enter in the list is taken below; the buttons must not take it first.
    for (QPushButton* button : { m_cmdAll, m_cmdNone, m_cmdRestore, m_cmdCancel })
        button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdAll);
    buttons->addWidget(m_cmdNone);
    buttons->addStretch();
    buttons->addWidget(m_cmdRestore);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_lstFolders);
    layout->addLayout(buttons);
    resize(560, 380);

    connect(m_cmdAll, &QPushButton::clicked, this, [this] { tickAll(true); });
    connect(m_cmdNone, &QPushButton::clicked, this, [this] { tickAll(false); });
    connect(m_cmdRestore, &QPushButton::clicked, this, [this] { cmdRestore_Click(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_lstFolders, &QListWidget::itemChanged, this, [this] { updateRestore(); });
    m_lstFolders->installEventFilter(this);
    if (m_lstFolders->count() > 0)
        m_lstFolders->setCurrentRow(0);
    m_lstFolders->setFocus();
}

std::vector<bool> frmUnBackupSelectFolders::ticked() const
{
    std::vector<bool> ticks;
    ticks.reserve(static_cast<std::size_t>(m_lstFolders->count()));
    for (int row = 0; row < m_lstFolders->count(); ++row)
        ticks.push_back(m_lstFolders->item(row)->checkState() == Qt::Checked);
    return ticks;
}

bool frmUnBackupSelectFolders::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lstFolders && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmdRestore_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmUnBackupSelectFolders::tickAll(bool ticked)
{
    for (int row = 0; row < m_lstFolders->count(); ++row)
        m_lstFolders->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void frmUnBackupSelectFolders::cmdRestore_Click()
{
    // Nothing ticked is nothing to restore: the button says so by being off.
    if (!m_cmdRestore->isEnabled())
        return;
    m_confirmed = true;
    accept();
}

void frmUnBackupSelectFolders::updateRestore()
{
    const std::vector<bool> ticks = ticked();
    m_cmdRestore->setEnabled(std::find(ticks.begin(), ticks.end(), true) != ticks.end());
}
