#pragma once

#include "check/CheckRun.h"
#include "ui/ProgressWindow.h"

#include <string>

class MainFields;

// The check window: runs one check of the backup target's archives and
// shows its log, newest line on top, its progress and the time left, with
// the stop that every run window has; closes with "Done" once it is over.
class frmCheck : public ProgressWindow {
    Q_OBJECT
public:
    frmCheck(const MainFields& main, const std::string& appFolder, CheckOptions options,
        QWidget* parent = nullptr);

    CheckRun& checkRun() { return m_run; }

    // The window's definition: the backup window's controls under its own caption.
    static const WindowDefinition& definition();

protected:
    void Timer1_Timer() override;

private:
    CheckRun m_run;
};
