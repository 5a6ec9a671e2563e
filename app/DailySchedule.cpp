#include "app/DailySchedule.h"

#include <QDateTime>
#include <QProcess>
#include <QTimer>

#include <map>

namespace {

// systemctl answers at once when the session is well; a hung session bus
// must not keep the switch waiting for long.
constexpr int kLongestAnswerMs = 10'000;

using Properties = std::map<QString, QString>;

// `systemctl show` of several units: one block of Name=value lines each,
// blocks separated by an empty line.
std::vector<Properties> blocks(const QString& out)
{
    std::vector<Properties> units(1);
    for (const QString& line : out.split('\n')) {
        if (line.trimmed().isEmpty()) {
            if (!units.back().empty())
                units.emplace_back();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            units.back()[line.left(equals)] = line.mid(equals + 1).trimmed();
    }
    return units;
}

// "@1765238400" (seconds since 1970) as the window shows a time; any other
// form systemd gives is shown as it came.
std::string nextTime(const QString& value)
{
    if (value.isEmpty() || value == "n/a" || value == "0")
        return {};
    bool ok = false;
    const qint64 seconds = value.startsWith('@') ? value.mid(1).toLongLong(&ok) : 0;
    if (!ok)
        return value.toStdString();
    return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd HH:mm").toStdString();
}

} // namespace

DailySchedule::DailySchedule(QObject* parent)
    : QObject(parent)
{
}

DailySchedule::~DailySchedule()
{
    if (!m_process)
        return;
    // Not answered when the window closes: it is not waited for.
    m_process->disconnect(this);
    m_process->kill();
    m_process->waitForFinished(1000);
}

const std::vector<std::string>& DailySchedule::timers()
{
    static const std::vector<std::string> names{ "quorvel-backup.timer" };
    return names;
}

std::string DailySchedule::whyNot() const
{
    if (m_state == State::NoTimer)
        return "the daily timer is not installed";
    if (m_state == State::NoSession)
        return m_noSystemctl ? "no systemd here" : "no systemd user session";
    return {};
}

std::string DailySchedule::whyNotInFull() const
{
    if (m_state == State::NoTimer)
        return "The daily timer " + timers().front()
            + " is not installed: this program runs from its build folder, not from its package.";
    if (m_state == State::NoSession)
        return "There is no systemd user session to switch the daily timer in: " + m_session;
    return {};
}

void DailySchedule::refresh()
{
    if (m_busy)
        return;
    QStringList arguments{ "--user", "show", "--timestamp=unix", "-p", "Id", "-p", "LoadState", "-p",
        "UnitFileState", "-p", "NextElapseUSecRealtime" };
    for (const std::string& timer : timers())
        arguments << QString::fromStdString(timer);
    run(arguments, false);
}

void DailySchedule::turn(bool on)
{
    if (m_busy || m_installed.empty())
        return;
    QStringList arguments{ "--user", on ? "enable" : "disable", "--now" };
    for (const std::string& timer : m_installed)
        arguments << QString::fromStdString(timer);
    run(arguments, true);
}

void DailySchedule::run(const QStringList& arguments, bool switching)
{
    m_busy = true;
    m_noSystemctl = false;
    auto* process = new QProcess(this);
    m_process = process;
    auto done = [this, process, switching](int exitCode, bool crashed, const QString& err) {
        m_process = nullptr;
        m_busy = false;
        const QString out = QString::fromLocal8Bit(process->readAllStandardOutput());
        process->deleteLater();
        if (!switching) {
            read(exitCode, crashed, out, err);
            return;
        }
        if (crashed || exitCode != 0)
            emit failed(err.isEmpty() ? QString("systemctl gave no answer.") : err);
        refresh();
    };
    connect(process, &QProcess::finished, this, [process, done](int exitCode, QProcess::ExitStatus status) {
        done(exitCode, status != QProcess::NormalExit,
            QString::fromLocal8Bit(process->readAllStandardError()).trimmed());
    });
    connect(process, &QProcess::errorOccurred, this, [this, done](QProcess::ProcessError error) {
        // No systemctl at all: no finished signal follows.
        if (error == QProcess::FailedToStart) {
            m_noSystemctl = true;
            done(-1, true, "systemctl is not installed.");
        }
    });
    QTimer::singleShot(kLongestAnswerMs, process, [process] { process->kill(); });
    process->start("systemctl", arguments);
}

void DailySchedule::read(int exitCode, bool crashed, const QString& out, const QString& err)
{
    m_next.clear();
    m_installed.clear();
    if (crashed || exitCode != 0) {
        m_state = State::NoSession;
        m_session = err.split('\n').value(0).toStdString();
        emit changed();
        return;
    }
    m_state = State::NoTimer;
    for (const Properties& unit : blocks(out)) {
        const auto id = unit.find("Id");
        const auto load = unit.find("LoadState");
        if (id == unit.end() || load == unit.end() || load->second != "loaded")
            continue;
        m_installed.push_back(id->second.toStdString());
        if (id->second.toStdString() != timers().front())
            continue;
        const auto file = unit.find("UnitFileState");
        const bool on = file != unit.end() && file->second.startsWith("enabled");
        m_state = on ? State::On : State::Off;
        if (const auto next = unit.find("NextElapseUSecRealtime"); on && next != unit.end())
            m_next = nextTime(next->second);
    }
    if (m_state == State::NoTimer)
        m_installed.clear();
    emit changed();
}
