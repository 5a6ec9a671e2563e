#include "ui/WindowDefinitions.h"

#include <cmath>
#include <stdexcept>

namespace {

ControlDefinition control(std::string name, ControlKind kind, std::string caption, int left, int top,
    int width, int height, int tabIndex)
{
    ControlDefinition c;
    c.name = std::move(name);
    c.kind = kind;
    c.caption = std::move(caption);
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.tabIndex = tabIndex;
    return c;
}

ControlDefinition button(
    std::string name, std::string caption, int left, int top, int width, int height, int tabIndex)
{
    return control(
        std::move(name), ControlKind::Button, std::move(caption), left, top, width, height, tabIndex);
}

ControlDefinition textBox(std::string name, int left, int top, int width, int height, int tabIndex)
{
    return control(std::move(name), ControlKind::TextBox, {}, left, top, width, height, tabIndex);
}

ControlDefinition listBox(std::string name, int left, int top, int width, int height, int tabIndex)
{
    return control(std::move(name), ControlKind::ListBox, {}, left, top, width, height, tabIndex);
}

ControlDefinition label(std::string name, std::string caption, int left, int top, int width, int height,
    int tabIndex, TextAlignment alignment = TextAlignment::Left)
{
    ControlDefinition c = control(
        std::move(name), ControlKind::Label, std::move(caption), left, top, width, height, tabIndex);
    c.alignment = alignment;
    return c;
}

ControlDefinition timer(std::string name, int interval)
{
    ControlDefinition c = control(std::move(name), ControlKind::Timer, {}, 0, 0, 0, 0, -1);
    c.interval = interval;
    return c;
}

ControlDefinition line(std::string name, int x1, int y1, int x2, int y2)
{
    return control(std::move(name), ControlKind::Line, {}, x1, y1, x2, y2, -1);
}

ControlDefinition disabled(ControlDefinition c)
{
    c.enabled = false;
    return c;
}

ControlDefinition invisible(ControlDefinition c)
{
    c.visible = false;
    return c;
}

ControlDefinition withFont(ControlDefinition c, std::string face, double points, int weight)
{
    c.font = { std::move(face), points, weight };
    return c;
}

WindowDefinition makeMain()
{
    WindowDefinition w;
    w.name = "frmMain";
    w.caption = "Backup";
    w.clientWidth = 7935;
    w.clientHeight = 4770;
    w.secondary = false;

    ControlDefinition info = label("lblInfo",
        "The filename for each .7z file will be: {TOPATH}\\ {DATE AND TIME}\\ {COMPLETE FROM PATH}", 120, 840,
        1095, 3135, 10);
    info.wordWrap = true;

    w.controls = {
        button("cmdAbout", "About!", 120, 3720, 1095, 495, 15),
        disabled(button("cmdUnBackup", "UnBackup!", 120, 3120, 1095, 495, 11)),
        timer("Timer1", 1000),
        disabled(button("cmdBackup", "Backup!", 120, 2520, 1080, 480, 4)),
        button("cmdRemoveFromFrom", "Remove", 6840, 3285, 975, 495, 5),
        button("cmdAddToFrom", "Add", 1320, 3285, 975, 495, 3),
        button("cmdFromChange", "Change", 6960, 3870, 825, 240, 7),
        textBox("txtFrom", 1320, 3840, 6495, 285, 6),
        listBox("lstFrom", 1320, 600, 6495, 2595, 2),
        button("cmdToChange", "Change", 6960, 150, 825, 240, 1),
        textBox("txtTo", 1320, 120, 6495, 285, 0),
        button("cmdUnBackupToChange", "Change", 6960, 4350, 825, 240, 12),
        textBox("txtUnBackupTo", 1320, 4320, 6495, 285, 13),
        label("Label2", "UnBackup To:", 120, 4320, 1095, 255, 14, TextAlignment::Right),
        info,
        line("Line1", 2400, 3525, 6720, 3525),
        label("lblFrom", "From:", 120, 600, 1095, 255, 9, TextAlignment::Right),
        label("Label1", "To:", 120, 120, 1095, 255, 8, TextAlignment::Right),
    };
    return w;
}

// The log list, its status label and the Done button over that label are the
// same in both progress windows; only the listing order and tab indexes differ.
ControlDefinition logList(int tabIndex)
{
    return withFont(
        disabled(listBox("lstBackup", 120, 720, 9375, 5715, tabIndex)), "Lucida Console", 9.75, 400);
}

ControlDefinition doneButton(int tabIndex)
{
    return invisible(button("cmdDone", "Done", 120, 120, 9375, 495, tabIndex));
}

ControlDefinition statusLabel(int tabIndex)
{
    return withFont(
        label("lblBackuping", "Backuping...", 120, 120, 9375, 495, tabIndex, TextAlignment::Centre),
        "MS Sans Serif", 18, 400);
}

WindowDefinition makeProgress(std::string name, std::string caption)
{
    WindowDefinition w;
    w.name = std::move(name);
    w.caption = std::move(caption);
    w.clientWidth = 9615;
    w.clientHeight = 6585;
    w.secondary = true;
    return w;
}

WindowDefinition makeBackup()
{
    WindowDefinition w = makeProgress("frmBackup", "Backuping...");
    w.controls = { doneButton(2), timer("Timer1", 1), logList(1), statusLabel(0) };
    return w;
}

WindowDefinition makeUnBackup()
{
    WindowDefinition w = makeProgress("frmUnBackup", "UnBackuping...");
    w.controls = { logList(1), timer("Timer1", 1), doneButton(0), statusLabel(2) };
    return w;
}

WindowDefinition makeSelectDate()
{
    WindowDefinition w;
    w.name = "frmUnBackupSelectDate";
    w.caption = "Select Date To Restore";
    w.clientWidth = 2535;
    w.clientHeight = 3540;
    w.secondary = true;
    w.controls = {
        button("cmdCancel", "Cancel", 120, 3240, 2295, 255, 1),
        listBox("lstDate", 120, 120, 2295, 2985, 0),
    };
    return w;
}

} // namespace

const ControlDefinition& WindowDefinition::control(const std::string& controlName) const
{
    for (const ControlDefinition& c : controls) {
        if (c.name == controlName)
            return c;
    }
    throw std::out_of_range("no control " + controlName + " in " + name);
}

const WindowDefinition& frmMainDefinition()
{
    static const WindowDefinition definition = makeMain();
    return definition;
}

const WindowDefinition& frmBackupDefinition()
{
    static const WindowDefinition definition = makeBackup();
    return definition;
}

const WindowDefinition& frmUnBackupDefinition()
{
    static const WindowDefinition definition = makeUnBackup();
    return definition;
}

const WindowDefinition& frmUnBackupSelectDateDefinition()
{
    static const WindowDefinition definition = makeSelectDate();
    return definition;
}

int twipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips / 15.0));
}
