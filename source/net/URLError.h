#pragma once

#include "platform/Error.h"

#include <QNetworkReply>

// The URL-loading error codes of the platform's URL error domain, and the
// translation of Qt's network errors into them.
class URLError {
public:
    enum Code : int {
        Unknown = -1,
        Cancelled = -999,
        BadURL = -1000,
        TimedOut = -1001,
        UnsupportedURL = -1002,
        CannotFindHost = -1003,
        CannotConnectToHost = -1004,
        NetworkConnectionLost = -1005,
        DNSLookupFailed = -1006,
        HTTPTooManyRedirects = -1007,
        NotConnectedToInternet = -1009,
        CannotParseResponse = -1017,
        SecureConnectionFailed = -1200,
    };

    // The code for a transfer that Qt ended with `error`. HTTP statuses are
    // not transfer failures and never reach this.
    static int codeForNetworkError(QNetworkReply::NetworkError error);

    // An error of Error::URLErrorDomain with the platform's description.
    static Error errorWithCode(int code, const QUrl &failingURL = {});

    static QString descriptionForCode(int code);
};
