// The announcement's logging category, the trail an administrator reads when Freshwell
// announces nothing.
#ifndef FRESHWELL_ANNOUNCE_TRAIL_H
#define FRESHWELL_ANNOUNCE_TRAIL_H

#include <QLoggingCategory>

// "freshwell.announce": the way of announcing chosen, the notification server's owners
// and answers, the postings, and clicks that were another program's. Debug lines only, so
// nothing is written unless the logging rules turn them on.
Q_DECLARE_LOGGING_CATEGORY(announceTrail)

#endif
