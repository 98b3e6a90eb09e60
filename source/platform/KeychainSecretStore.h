#pragma once

#include "platform/Clock.h"
#include "platform/SecretStore.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

namespace QKeychain {
class Job;
}

// Keeps secrets in the session's secret service through QtKeychain, one entry
// per name under the application's ID. Where no service answers (no session
// bus, no service on it, or no answer in time), a translator key is read from
// the environment instead, so that the command line works over ssh and from
// cron. Secrets never reach the log or an error text.
class KeychainSecretStore : public SecretStore {
public:
    static const QString ServiceName; // "org.reviewkeeper.ReviewKeeper"
    static const QString TranslatorKeyPrefix; // "TranslatorKey-"
    static const QString TranslatorKeyVariable; // "REVIEWKEEPER_TRANSLATOR_KEY"
    static const QString ErrorDomain;
    enum Code { NoServiceCode = 1, ServiceFailedCode = 2 };

    explicit KeychainSecretStore(Clock::Duration timeout = std::chrono::seconds(20));
    ~KeychainSecretStore() override;

    void readSecret(const QString &name, ReadCompletion completion) override;
    void writeSecret(
        const QString &name, const QString &secret, WriteCompletion completion) override;
    void deleteSecret(const QString &name, WriteCompletion completion) override;

    // Why the last read that ended without a key found none, in the user's
    // language, for the command line to print; empty after a read found one.
    QString whyNoKey() const { return whyNoKey_; }

private:
    enum class Outcome { Done, NotFound, NoService, Failed };
    // `job` is null when the service did not answer in time.
    using JobFinished =
        std::function<void(Outcome outcome, const QString &detail, QKeychain::Job *job)>;
    using JobFactory = std::function<QKeychain::Job *()>;

    // Starts a job and calls `finished` exactly once: when the job finishes,
    // or when the service has not answered within the timeout. A job that
    // fails is tried once more over a fresh connection to the service.
    void run(JobFactory makeJob, JobFinished finished, bool retried = false);
    void finishRead(const QString &name, Outcome outcome, const QString &detail,
        const QString &secret, const ReadCompletion &completion);

    Clock::Duration timeout_;
    // Owns the connections and timers of pending jobs: a store that goes
    // away first completes nothing more.
    QObject context_;
    QString whyNoKey_;
    QSet<QString> readFailuresLogged_;
};
