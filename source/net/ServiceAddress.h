#pragma once

#include <QString>

// The address a hidden preference gives a service, ending in "/"; `fallback`
// when the preference is empty or holds no http(s) address. A value that is
// ignored is logged once, not on every request.
QString serviceAddress(const QString &key, const QString &fallback);
