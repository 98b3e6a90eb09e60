#include "net/URLError.h"

#include "platform/StringFormat.h"

int URLError::codeForNetworkError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::NoError:
        return 0;
    // Aborted: the operation turns this into -999 or -1001 itself, because it
    // knows whether it cancelled or timed out; anything else aborting the
    // reply is a cancellation too.
    case QNetworkReply::OperationCanceledError:
        return Cancelled;
    // Qt's own transfer timeout (not used: the Clock times requests out).
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return TimedOut;
    // Name resolution of the server failed.
    case QNetworkReply::HostNotFoundError:
        return CannotFindHost;
    // Qt folds DNS failures of the server into HostNotFoundError; the one DNS
    // failure it reports apart is the proxy's host name.
    case QNetworkReply::ProxyNotFoundError:
        return DNSLookupFailed;
    // Nothing listens on the port (RST on connect).
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
        return CannotConnectToHost;
    // The peer closed the connection before the whole answer arrived.
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return NetworkConnectionLost;
    // No usable network interface, or the link went away under the transfer.
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return NotConnectedToInternet;
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::InsecureRedirectError:
        return SecureConnectionFailed;
    case QNetworkReply::TooManyRedirectsError:
        return HTTPTooManyRedirects;
    case QNetworkReply::ProtocolUnknownError:
        return UnsupportedURL;
    case QNetworkReply::ProtocolInvalidOperationError:
        return BadURL;
    default:
        return Unknown;
    }
}

QString URLError::descriptionForCode(int code)
{
    switch (code) {
    case Cancelled:
        return localized("URLError", "cancelled");
    case BadURL:
        return localized("URLError", "bad URL");
    case TimedOut:
        return localized("URLError", "The request timed out.");
    case UnsupportedURL:
        return localized("URLError", "unsupported URL");
    case CannotFindHost:
        return localized("URLError", "A server with the specified hostname could not be found.");
    case CannotConnectToHost:
        return localized("URLError", "Could not connect to the server.");
    case NetworkConnectionLost:
        return localized("URLError", "The network connection was lost.");
    case DNSLookupFailed:
        return localized("URLError", "The host name could not be looked up.");
    case HTTPTooManyRedirects:
        return localized("URLError", "too many HTTP redirects");
    case NotConnectedToInternet:
        return localized("URLError", "The Internet connection appears to be offline.");
    case CannotParseResponse:
        return localized("URLError", "The server's answer could not be read.");
    case SecureConnectionFailed:
        return localized("URLError",
            "An SSL error has occurred and a secure connection to the server "
            "cannot be made.");
    default:
        return localized("URLError", "An unknown error occurred.");
    }
}

Error URLError::errorWithCode(int code, const QUrl &failingURL)
{
    QVariantMap info {{Error::LocalizedDescriptionKey, descriptionForCode(code)}};
    if (failingURL.isValid())
        info.insert(QStringLiteral("NSErrorFailingURLStringKey"), failingURL.toString());
    return Error(Error::URLErrorDomain, code, info);
}
