#pragma once

#include <QObject>

#include <string>
#include <vector>

class QProcess;

// The daily backups as the systemd user session holds them: whether the
// timer is on, when it next runs, and switching it on and off. Every call
// to systemctl runs beside the window and is ended when it takes too long,
// so a session that hangs never freezes the window; the answer comes with
// `changed`.
class DailySchedule : public QObject {
    Q_OBJECT
public:
    enum class State {
        Asking, // no answer yet
        On,
        Off,
        NoSession, // no systemd user session to ask (or no systemctl at all)
        NoTimer, // the timer is not installed: a build run from its source tree
    };

    explicit DailySchedule(QObject* parent = nullptr);
    ~DailySchedule() override;

    // The timers the switch turns, the backup's first. A timer of the check's
    // own would be named here; those not installed are left alone.
    static const std::vector<std::string>& timers();

    State state() const { return m_state; }
    // When the backup's timer runs next, e.g. "2026-12-09 00:04", or empty.
    const std::string& next() const { return m_next; }
    // Why the switch cannot be used, for NoSession and NoTimer: a few words
    // for the check box, and in full for its tip.
    std::string whyNot() const;
    std::string whyNotInFull() const;
    // True while systemctl has not answered the last call.
    bool busy() const { return m_busy; }

    // Asks systemctl how the timers stand.
    void refresh();
    // Turns the timers on (enable --now) or off (disable --now), then asks
    // again. A failure is told with `failed`, in systemctl's words.
    void turn(bool on);

signals:
    void changed();
    void failed(const QString& why);

private:
    void run(const QStringList& arguments, bool switching);
    void read(int exitCode, bool crashed, const QString& out, const QString& err);

    State m_state = State::Asking;
    std::string m_next;
    std::string m_session; // what systemctl said when it could not be asked
    std::vector<std::string> m_installed; // the timers the session knows
    bool m_busy = false;
    bool m_noSystemctl = false; // not even systemctl is there
    QProcess* m_process = nullptr;
};
