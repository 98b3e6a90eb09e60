#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// A team's App Store Connect API key: the issuer and key identifiers shown
// beside it in App Store Connect, and the private key of its .p8 file (an EC
// P-256 key in PKCS#8 PEM).
struct AppStoreConnectKey {
    QString issuerID;
    QString keyID;
    QByteArray privateKey;

    bool isComplete() const
    {
        return !issuerID.isEmpty() && !keyID.isEmpty() && !privateKey.isEmpty();
    }
};

// The bearer tokens the App Store Connect API takes: JSON Web Tokens signed
// with ES256 (the signature is r and s, 32 bytes each, not DER). A token is
// kept and handed out again until a minute before it expires; a new key or
// a key that cannot sign starts afresh.
class AppStoreConnectToken {
public:
    static constexpr qint64 lifetimeSeconds = 20 * 60; // the service's limit
    static constexpr qint64 renewalMarginSeconds = 60;
    static const QString ErrorDomain; // "AppStoreConnectError"
    static constexpr int InvalidKeyCode = 1;

    // A freshly signed token valid from `now`; empty with `error` set when
    // the key is incomplete or not a P-256 private key.
    static QByteArray sign(const AppStoreConnectKey &key, const QDateTime &now, Error *error);

    // The kept token while it has more than the margin to live, else a new one.
    QByteArray token(const AppStoreConnectKey &key, const QDateTime &now, Error *error);
    void forget() { token_.clear(); }

private:
    QByteArray token_;
    QString issuerID_;
    QString keyID_;
    QByteArray keyDigest_;
    QDateTime expiry_;
};
