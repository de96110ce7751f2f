// The catalog check's logging category, the trail an administrator reads when Freshwell
// announces nothing.
#ifndef FRESHWELL_CATALOG_TRAIL_H
#define FRESHWELL_CATALOG_TRAIL_H

#include <QLoggingCategory>

// "freshwell.catalog": each request, its redirections, status and size, the parse and the
// fate of every entry. Debug lines only, so nothing is written unless the logging rules
// turn them on (QT_LOGGING_RULES="freshwell.*.debug=true").
Q_DECLARE_LOGGING_CATEGORY(catalogTrail)

#endif
