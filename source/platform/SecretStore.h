#pragma once

#include "platform/Error.h"

#include <QHash>
#include <QString>

#include <functional>

// Where the user's secrets (service keys) are kept: never in the preferences
// file and never in a log. The desktop keeps them in the session's secret
// service; where none answers, reading falls back to the environment.
// Calls answer later, on the main thread, as the secret service does.
class SecretStore {
public:
    using ReadCompletion = std::function<void(const QString &secret, const Error &error)>;
    using WriteCompletion = std::function<void(const Error &error)>;

    virtual ~SecretStore() = default;

    // The secret stored under `name`; a null text and no error when there is none.
    virtual void readSecret(const QString &name, ReadCompletion completion) = 0;
    virtual void writeSecret(
        const QString &name, const QString &secret, WriteCompletion completion) = 0;
    // Removing a secret that is not there is no error.
    virtual void deleteSecret(const QString &name, WriteCompletion completion) = 0;

    // The store the application uses; an in-memory one until one is set.
    static SecretStore &shared();
    static void setShared(SecretStore *store);
};

// Keeps secrets in memory for the process's lifetime: the fallback store and
// the tests' store. Completions run later on the current thread's loop.
class MemorySecretStore : public SecretStore {
public:
    void readSecret(const QString &name, ReadCompletion completion) override;
    void writeSecret(
        const QString &name, const QString &secret, WriteCompletion completion) override;
    void deleteSecret(const QString &name, WriteCompletion completion) override;

    const QHash<QString, QString> &secrets() const { return secrets_; }

private:
    QHash<QString, QString> secrets_;
};
