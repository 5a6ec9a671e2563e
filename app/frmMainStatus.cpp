#include "app/frmMain.h"

#include "app/LastBackup.h"
#include "app/PathWidgets.h"
#include "app/StatusLine.h"
#include "platform/FileOps.h"
#include "restore/windows/TextViewer.h"
#include "store/RunLogs.h"
#include "store/StoreIdentity.h"

#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

#include <exception>
#include <memory>

// What the main window shows below its defined controls: the status line
// with how the backups stand, the full-backup choice and the check button,
// then a line of lasting choices and a line of tools.

void frmMain::addLinesBelowDefinedControls()
{
    // How the backups stand, and whether the next one compresses everything
    // again, in lines of their own below the defined controls: the window
    // grows by them, nothing else moves.
    constexpr int kLineHeight = 22;
    // The status line has room for two rows of text, so that what it says
    // stays readable beside its buttons.
    constexpr int kStatusHeight = 2 * kLineHeight;
    const QSize defined = size();
    m_statusLine = new StatusLine(this);
    m_statusLine->setGeometry(8, defined.height(), defined.width() - 16, kStatusHeight);
    const int below = defined.height() + kStatusHeight - kLineHeight;
    m_chkFullBackup
        = new QCheckBox("Compress every folder again, also the unchanged ones (full backup)", this);
    m_chkFullBackup->setObjectName("chkFullBackup");
    m_chkFullBackup->setGeometry(8, below + kLineHeight, defined.width() - 16, kLineHeight);
    // Below it, the lasting choices (check boxes) and the tools (buttons that
    // open a window of their own), each a row filled from the left.
    auto addRow = [&](const char* name, int top, int height) {
        auto* row = new QWidget(this);
        row->setObjectName(name);
        row->setGeometry(8, top, defined.width() - 16, height);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addStretch(1);
        return layout;
    };
    constexpr int kButtonLineHeight = 30;
    m_choicesLine = addRow("choicesLine", below + 2 * kLineHeight, kLineHeight);
    m_toolsLine = addRow("toolsLine", below + 3 * kLineHeight, kButtonLineHeight);
    setFixedSize(defined.width(), below + 3 * kLineHeight + kButtonLineHeight + 4);
}

void frmMain::addToChoicesLine(QWidget* choice)
{
    m_choicesLine->insertWidget(m_choicesLine->count() - 1, choice);
}

void frmMain::addToToolsLine(QWidget* tool)
{
    m_toolsLine->insertWidget(m_toolsLine->count() - 1, tool);
}

void frmMain::setCheckWindowFactory(RunWindowFactory check)
{
    m_checkWindow = std::move(check);
}

void frmMain::addCheckButton()
{
    // At the right end of the status line, which it is about: no defined
    // control moves, and no line is added.
    m_cmdCheck = new QPushButton("Check backups", this);
    m_cmdCheck->setObjectName("cmdCheck");
    m_statusLine->addTrailingWidget(m_cmdCheck);
    connect(m_cmdCheck, &QPushButton::clicked, this, [this] {
        if (!m_checkWindow)
            return;
        const std::unique_ptr<QDialog> window(m_checkWindow(*this, this));
        if (window)
            window->exec();
        showLastBackup();
    });
}

void frmMain::addShowLogButton()
{
    // Beside what the line says of the last backup, so the whole story of
    // that run is one click away, whenever it ran.
    m_cmdShowLog = new QPushButton("Show log", this);
    m_cmdShowLog->setObjectName("cmdShowLog");
    m_cmdShowLog->setEnabled(false);
    m_statusLine->addTrailingWidget(m_cmdShowLog);
    connect(m_cmdShowLog, &QPushButton::clicked, this, [this] {
        if (!m_shownLog.empty())
            openTextFile(m_shownLog);
    });
}

void frmMain::showLastBackup()
{
    const std::string target = fieldPath(m_txtTo);
    m_shownTarget = target;
    m_targetTrouble = TargetTroubleText(target, StoreStateFolder());
    // A disk that is not there is what the user must know first; the runs
    // it holds are told again once it is back.
    m_newestLog = newestLogSeen();
    const LastRun last = LastRunOf(target, StoreStateFolder());
    m_statusLine->setPart("backups", last.text);
    m_shownLog = last.logPath;
    if (m_cmdShowLog)
        m_cmdShowLog->setEnabled(!m_shownLog.empty());
}

std::string frmMain::newestLogSeen()
{
    const std::string name = NewestRunLogName(StoreStateFolder());
    if (name.empty())
        return {};
    const auto size = platform::fileSize(RunLogFolder(StoreStateFolder()) + "/" + name);
    return name + " " + std::to_string(size ? *size : 0);
}

void frmMain::followTargetTrouble()
{
    try {
        // Not while the user types another target: each half-typed path is
        // not there. Leaving the box shows the new one.
        const std::string target = fieldPath(m_txtTo);
        if (target != m_shownTarget)
            return;
        // A backup run elsewhere (the daily timer, the command line) is told
        // once its log stands still for a tick: when it has ended, or waits
        // on a long folder, rather than at every line.
        const std::string seen = newestLogSeen();
        const bool settled = seen == m_lastSeenLog;
        m_lastSeenLog = seen;
        if (TargetTroubleText(target, StoreStateFolder()) != m_targetTrouble
            || (settled && seen != m_newestLog))
            showLastBackup();
    } catch (const std::exception&) {
    }
}
