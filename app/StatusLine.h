#pragma once

#include <QWidget>

#include <string>
#include <utility>
#include <vector>

class QHBoxLayout;
class QLabel;

// The one line below the main window's defined controls that tells the user
// at a glance how the backups stand. Each concern owns a part of it under
// its own name (the last run, a disk that is not there, the next scheduled
// run...), and buttons may sit at its right end; the parts are shown in the
// order they were first set, so a new concern adds to the line rather than
// adding a line.
class StatusLine : public QWidget {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    // Sets one part's text; an empty text leaves the part out of the line.
    void setPart(const std::string& name, const std::string& text);
    std::string part(const std::string& name) const;

    // The line as shown: the parts that have a text, in order.
    std::string text() const;

    // Puts a control (a button) at the right end of the line.
    void addTrailingWidget(QWidget* widget);

    QLabel* label() const { return m_label; }

    static constexpr char kSeparator[] = "   \xc2\xb7   ";

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    QHBoxLayout* m_layout = nullptr;
    QLabel* m_label = nullptr;
    std::vector<std::pair<std::string, std::string>> m_parts;
};
