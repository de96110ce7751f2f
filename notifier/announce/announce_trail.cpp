// The announcement's logging category.
#include "announce_trail.h"

// Info and above by default: the trail's debug lines stay off unless asked for.
Q_LOGGING_CATEGORY(announceTrail, "freshwell.announce", QtInfoMsg)
