#include "core/event_wait.h"

#include "core/stop_flags.h"

#include <QCoreApplication>
#include <QEventLoop>

bool EventWait::until(const std::function<bool()>& done) const {
    const Nested nested(*this);
    for (;;) {
        if (flags_.ApplicationClosing)
            return false;
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void EventWait::yieldOnce() const {
    const Nested nested(*this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void EventWait::waitForEvent() const {
    const Nested nested(*this);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
