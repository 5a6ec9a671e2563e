#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <utility>
#include <vector>

class QLineEdit;

// A text box's Validate: calls back when a watched box loses the focus to
// another control of its window. Switching to another application or
// opening a menu does not count. The watch ends with this object, so a
// window that holds it as a member raises nothing while it is taken apart.
class LeaveWatch : public QObject {
public:
    LeaveWatch() = default;
    ~LeaveWatch() override;
    LeaveWatch(const LeaveWatch&) = delete;
    LeaveWatch& operator=(const LeaveWatch&) = delete;

    void watch(QLineEdit* box, std::function<void()> onLeave);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<std::pair<QPointer<QLineEdit>, std::function<void()>>> m_boxes;
};
