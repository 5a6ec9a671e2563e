#include "app/DailySchedule.h"
#include "app/StatusLine.h"
#include "app/frmMain.h"
#include "platform/MessageBox.h"
#include "store/RunHost.h"

#include <QCheckBox>
#include <QTimer>

// The daily backups in the main window: a check box on the line of lasting
// choices switches the systemd user timer, and the status line says when it
// next runs.

namespace {

const char* const kDailyChoice = "Back up every day";

// The next run's time moves on after each run, and may be changed from
// outside the window: asked again now and then.
constexpr int kAskAgainMs = 15 * 60 * 1000;

} // namespace

void frmMain::addScheduleChoice()
{
    m_chkDaily = new QCheckBox(kDailyChoice, this);
    m_chkDaily->setObjectName("chkDailyBackup");
    // Nothing to switch until the session has answered.
    m_chkDaily->setEnabled(false);
    addToChoicesLine(m_chkDaily);
    m_schedule = new DailySchedule(this);
    connect(m_schedule, &DailySchedule::changed, this, [this] { showSchedule(); });
    connect(m_schedule, &DailySchedule::failed, this, [](const QString& why) {
        platform::showMessage(ErrorBoxText("The daily backup could not be switched.\r\n" + why.toStdString()),
            "Error!", platform::kMsgCritical);
    });
    // A click, not a change: the box follows the timer, and only the user
    // switches the timer.
    connect(m_chkDaily, &QCheckBox::clicked, this, [this](bool on) {
        m_chkDaily->setEnabled(false);
        m_schedule->turn(on);
    });
    auto* again = new QTimer(this);
    again->setInterval(kAskAgainMs);
    connect(again, &QTimer::timeout, this, [this] {
        m_schedule->refresh();
        // A backup the timer began while the window was open has ended since.
        showLastBackup();
    });
    again->start();
    m_schedule->refresh();
}

void frmMain::showSchedule()
{
    using State = DailySchedule::State;
    const State state = m_schedule->state();
    const bool usable = state == State::On || state == State::Off;
    m_chkDaily->setChecked(state == State::On);
    m_chkDaily->setEnabled(usable && !m_schedule->busy());
    const std::string why = m_schedule->whyNot();
    m_chkDaily->setText(
        QString::fromStdString(why.empty() ? kDailyChoice : std::string(kDailyChoice) + " (" + why + ")"));
    m_chkDaily->setToolTip(QString::fromStdString(m_schedule->whyNotInFull()));
    std::string next;
    if (state == State::On)
        next = m_schedule->next().empty() ? "Backed up every day" : "Next backup: " + m_schedule->next();
    m_statusLine->setPart("schedule", next);
}
