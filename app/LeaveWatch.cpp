#include "app/LeaveWatch.h"

#include <QFocusEvent>
#include <QLineEdit>

LeaveWatch::~LeaveWatch()
{
    for (const auto& [box, onLeave] : m_boxes) {
        if (box)
            box->removeEventFilter(this);
    }
}

void LeaveWatch::watch(QLineEdit* box, std::function<void()> onLeave)
{
    m_boxes.emplace_back(box, std::move(onLeave));
    box->installEventFilter(this);
}

bool LeaveWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (const auto& [box, onLeave] : m_boxes) {
                if (box == watched) {
                    onLeave();
                    break;
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
