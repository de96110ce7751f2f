#include "check_schedule.h"

#include <QTimer>

void scheduleCheck(int msec, QObject *receiver, const char *member)
{
    QTimer::singleShot(msec, receiver, member);
}
