#include "core/time_of_day.h"

#include <QTime>

std::int32_t TimeOfDayMs() {
    return QTime::currentTime().msecsSinceStartOfDay();
}
