#pragma once

#include "ui/WindowDefinitions.h"

#include <QFont>
#include <QObject>

#include <functional>
#include <map>
#include <string>

class QDialog;
class QWidget;

// The controls of one built window, found by their names.
class BuiltForm {
public:
    QObject* object(const std::string& name) const;

    template <typename T> T* get(const std::string& name) const { return qobject_cast<T*>(object(name)); }

    void add(const std::string& name, QObject* object) { m_objects[name] = object; }

private:
    std::map<std::string, QObject*> m_objects;
};

// Makes the widget for a control instead of the kind's default one; returns
// nullptr to keep the default.
using ControlFactory = std::function<QWidget*(const ControlDefinition&, QWidget* parent)>;

// Gives the dialog the window's caption, frame and fixed client size, and
// makes its controls: buttons are QPushButton (never a default button), text
// boxes QLineEdit, list boxes QListWidget, labels QLabel, lines a thin
// painted widget and timers a stopped QTimer with the interval set (the
// window starts it). Each object's name is the control's name. The stacking,
// the tab order and the control that starts with the focus follow the
// definition.
BuiltForm buildForm(QDialog& dialog, const WindowDefinition& definition, const ControlFactory& factory = {});

// The window's default font: the system's sans font at 8 points.
QFont defaultWindowFont();

// A control's font: the definition's face and size, falling back by style
// where the face is missing here ("Lucida Console" to the system's
// fixed-pitch font, "MS Sans Serif" to the default sans font).
QFont fontFor(const FontDefinition& font);

// The size in logical pixels of a window's client area.
QSize clientSize(const WindowDefinition& definition);
