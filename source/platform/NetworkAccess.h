#pragma once

class QNetworkAccessManager;
class SharedURLCache;

// The one QNetworkAccessManager of the process, on the main thread, which
// every request queue uses, and the shared HTTP cache. The manager has no
// cache of its own: Qt's rules would answer from a stored copy where the
// request queue asks the server (a freshness it guesses, a stored copy in
// place of a 5xx), so the request queue reads and writes the cache itself.
namespace NetworkAccess {

QNetworkAccessManager &sharedManager();
// Closes the kept-alive connections, if the manager was ever made (then
// true). Before a process ends, this lets Qt's network thread free what it
// holds for them.
bool closeIdleConnections();

// Makes `cache` the shared cache, owned with the manager; the one before goes.
void installSharedURLCache(SharedURLCache *cache);
SharedURLCache *sharedURLCache();

} // namespace NetworkAccess
