#include "app/event_wait.h"

#include "app/stop_flags.h"

#include <QCoreApplication>
#include <QEventLoop>

bool EventWait::until(const std::function<bool()>& done) const {
    for (;;) {
        if (flags_.ApplicationClosing)
            return false;
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void EventWait::yieldOnce() const {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void EventWait::waitForEvent() const {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
