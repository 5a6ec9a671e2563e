#pragma once

#include <string>
#include <vector>

// The program's four windows as data: each window's own properties and its
// controls in listing order. Every position and size is in twips (15 twips
// are one logical pixel), measured from the top left of the client area.
// Where controls overlap, the one listed earlier lies above the later one;
// labels and lines are drawn on the window itself, beneath every control.

enum class ControlKind { Button, TextBox, ListBox, Label, Timer, Line };

enum class TextAlignment { Left, Centre, Right };

// An empty face means the window's default font.
struct FontDefinition {
    std::string face;
    double points = 0;
    int weight = 400;
};

struct ControlDefinition {
    std::string name;
    ControlKind kind = ControlKind::Label;
    std::string caption;
    // Left, Top, Width, Height; a line's X1, Y1, X2, Y2.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int tabIndex = -1; // -1: the kind has none (timer, line)
    FontDefinition font;
    TextAlignment alignment = TextAlignment::Left;
    bool wordWrap = false;
    bool visible = true;
    bool enabled = true;
    int interval = 0; // timers, in milliseconds
};

struct WindowDefinition {
    std::string name;
    std::string caption;
    int clientWidth = 0; // twips
    int clientHeight = 0; // twips
    // The main window keeps the title bar's close button and its task-bar
    // entry; the secondary windows have neither and are centred on their owner.
    bool secondary = false;
    std::vector<ControlDefinition> controls;

    // The control of that name; throws std::out_of_range when there is none.
    const ControlDefinition& control(const std::string& controlName) const;
};

const WindowDefinition& frmMainDefinition();
const WindowDefinition& frmBackupDefinition();
const WindowDefinition& frmUnBackupDefinition();
const WindowDefinition& frmUnBackupSelectDateDefinition();

// Logical pixels of a length in twips.
int twipsToPixels(int twips);
