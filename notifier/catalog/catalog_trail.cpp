// The catalog check's logging category.
#include "catalog_trail.h"

// Info and above by default: the trail's debug lines stay off unless asked for.
Q_LOGGING_CATEGORY(catalogTrail, "freshwell.catalog", QtInfoMsg)
