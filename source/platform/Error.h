#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>

#include <memory>

// An error as the application reports it: a domain, a code and a user-info
// dictionary. A default-constructed Error means "no error", so completions
// take an Error by value and test it with isError() or `if (error)`.
class Error
{
public:
    // User-info keys.
    static const QString LocalizedDescriptionKey;
    static const QString LocalizedFailureReasonKey;
    static const QString UnderlyingErrorKey;

    // Domains used across the application.
    static const QString URLErrorDomain;   // network and cancellation codes (-999, -1001 …)
    static const QString HTTPResponseErrorDomain;
    static const QString StoreErrorDomain; // "YOUR_ERROR_DOMAIN", code 9999

    static constexpr int CancelledCode = -999;
    static constexpr int StoreErrorCode = 9999;

    Error() = default;
    Error(QString domain, int code, QVariantMap userInfo = {});

    // The store layer's error: domain "YOUR_ERROR_DOMAIN", code 9999, and each
    // text only when given.
    static Error storeError(const QString &description, const QString &failureReason,
                            const Error &underlying);
    static Error storeError(const QString &description, const QString &failureReason = {});

    bool isError() const { return !domain_.isEmpty(); }
    explicit operator bool() const { return isError(); }

    const QString &domain() const { return domain_; }
    int code() const { return code_; }
    const QVariantMap &userInfo() const { return userInfo_; }

    // The text shown to the user; a generic sentence when none was given.
    QString localizedDescription() const;
    QString localizedFailureReason() const;
    Error underlyingError() const;
    bool hasUnderlyingError() const;

    bool isCancellation() const { return domain_ == URLErrorDomain && code_ == CancelledCode; }

    // A one-line description for the log, with the underlying error.
    QString debugDescription() const;

    bool operator==(const Error &other) const;

private:
    QString domain_;
    int code_ = 0;
    QVariantMap userInfo_;
};

Q_DECLARE_METATYPE(Error)
