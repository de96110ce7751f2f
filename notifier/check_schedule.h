// The check schedule: the one source of time of the notifier.
#ifndef FRESHWELL_CHECK_SCHEDULE_H
#define FRESHWELL_CHECK_SCHEDULE_H

#include <functional>

class QObject;

// Arms one update check: after msec milliseconds check runs, unless context is gone by
// then. Single-shot and never cancelled, so the caller keeps nothing of it.
//
// This is the notifier's only source of time. It lives in its own translation unit so
// that a test can link its own definition and see and fire every check without waiting
// minutes or days.
void scheduleCheck(int msec, QObject *context, std::function<void()> check);

#endif
