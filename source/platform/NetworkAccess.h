#pragma once

class QNetworkAccessManager;
class SharedURLCache;

// The one QNetworkAccessManager of the process, on the main thread, which
// every request queue uses; it carries the shared HTTP cache once installed.
namespace NetworkAccess {

QNetworkAccessManager &sharedManager();
// Closes the kept-alive connections, if the manager was ever made (then
// true). Before a process ends, this lets Qt's network thread free what it
// holds for them.
bool closeIdleConnections();

// Makes `cache` the shared cache (the manager takes ownership).
void installSharedURLCache(SharedURLCache *cache);
SharedURLCache *sharedURLCache();

} // namespace NetworkAccess
