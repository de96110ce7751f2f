// Bounds of one catalog download, so that no server can hold a check forever or make the
// notifier hold an unbounded body.
#ifndef FRESHWELL_CATALOG_DOWNLOAD_LIMITS_H
#define FRESHWELL_CATALOG_DOWNLOAD_LIMITS_H

#include <QtGlobal>

#include <chrono>

// Redirections followed per check; a reply that still redirects after that many fails.
constexpr int kMaxCatalogRedirections = 10;

// Largest catalog body accepted (64 MB, about 400,000 entries).
constexpr qint64 kMaxCatalogBytes = qint64(64) * 1024 * 1024;

// A download that receives nothing for this long is aborted (5 minutes unless changed).
std::chrono::milliseconds catalogStallTimeout();
void setCatalogStallTimeout(std::chrono::milliseconds timeout);

// A download, redirections included, that has not ended after this long is aborted too, so
// that a server sending a byte now and then cannot hold the check (10 minutes unless
// changed): no other check is armed while one runs.
std::chrono::milliseconds catalogDeadline();
void setCatalogDeadline(std::chrono::milliseconds deadline);

#endif
