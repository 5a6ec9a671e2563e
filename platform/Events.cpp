#include "platform/Events.h"

#include <QCoreApplication>

namespace platform {

void processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace platform
