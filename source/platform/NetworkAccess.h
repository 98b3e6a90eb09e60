#pragma once

class QNetworkAccessManager;
class SharedURLCache;

// The one QNetworkAccessManager of the process, on the main thread, which
// every request queue uses; it carries the shared HTTP cache once installed.
namespace NetworkAccess {

QNetworkAccessManager &sharedManager();

// Makes `cache` the shared cache (the manager takes ownership).
void installSharedURLCache(SharedURLCache *cache);
SharedURLCache *sharedURLCache();

} // namespace NetworkAccess
