// The check schedule on single-shot timers.
#include "check_schedule.h"

#include <QTimer>

void scheduleCheck(int msec, QObject *context, std::function<void()> check)
{
    QTimer::singleShot(msec, context, std::move(check));
}
