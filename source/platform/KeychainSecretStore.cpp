#include "platform/KeychainSecretStore.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"

#include <QLibrary>

#include <qt6keychain/keychain.h>

#include <memory>

const QString KeychainSecretStore::ServiceName = QStringLiteral("org.reviewkeeper.ReviewKeeper");
const QString KeychainSecretStore::TranslatorKeyPrefix = QStringLiteral("TranslatorKey-");
const QString KeychainSecretStore::TranslatorKeyVariable =
    QStringLiteral("REVIEWKEEPER_TRANSLATOR_KEY");
const QString KeychainSecretStore::ErrorDomain = QStringLiteral("org.reviewkeeper.SecretStore");

namespace {
Error storeError(KeychainSecretStore::Code code, const QString &description)
{
    return Error(
        KeychainSecretStore::ErrorDomain, code, {{Error::LocalizedDescriptionKey, description}});
}

// The service's own words may quote what it was given; they go to the log.
QString withoutSecret(QString text, const QString &secret)
{
    if (!secret.isEmpty())
        text.replace(secret, QStringLiteral("***"));
    return text;
}

// libsecret, which QtKeychain loads, keeps one connection to the secret
// service with an open session for the life of the process. After the service
// restarted that session is gone and every call fails, so after a failure the
// connection is dropped and libsecret opens a fresh one for the retry.
void forgetServiceConnection()
{
    using Disconnect = void (*)();
    static const Disconnect disconnect = [] {
        QLibrary library(QStringLiteral("secret-1"), 0);
        return library.load()
            ? reinterpret_cast<Disconnect>(library.resolve("secret_service_disconnect"))
            : nullptr;
    }();
    if (disconnect)
        disconnect();
}
} // namespace

KeychainSecretStore::KeychainSecretStore(Clock::Duration timeout) : timeout_(timeout)
{
}

KeychainSecretStore::~KeychainSecretStore() = default;

void KeychainSecretStore::run(JobFactory makeJob, JobFinished finished, bool retried)
{
    QKeychain::Job *job = makeJob();
    struct Pending {
        JobFinished finished;
        Clock::TimerId timer = 0;
        bool done = false;
    };
    auto pending = std::make_shared<Pending>();
    pending->finished = std::move(finished);

    // A job that times out is left to finish on its own: libsecret still
    // holds it, so it cannot be deleted early.
    job->setAutoDelete(true);
    pending->timer = Clock::shared().callAfter(
        timeout_,
        [pending, seconds = timeout_.count() / 1000.0] {
            if (std::exchange(pending->done, true))
                return;
            pending->finished(Outcome::NoService,
                formatString(QStringLiteral("no answer within %@ s"), seconds), nullptr);
        },
        &context_);
    QObject::connect(job, &QKeychain::Job::finished, &context_,
        [this, pending, makeJob, retried](QKeychain::Job *job) {
            Clock::shared().withdraw(pending->timer);
            if (std::exchange(pending->done, true))
                return;
            Outcome outcome = Outcome::Failed;
            switch (job->error()) {
            case QKeychain::NoError:
                outcome = Outcome::Done;
                break;
            case QKeychain::EntryNotFound:
                outcome = Outcome::NotFound;
                break;
            case QKeychain::NoBackendAvailable:
            case QKeychain::OtherError:
                // libsecret reports a missing bus or service as a plain D-Bus error.
                outcome = Outcome::NoService;
                break;
            default:
                break;
            }
            if ((outcome == Outcome::NoService || outcome == Outcome::Failed) && !retried) {
                forgetServiceConnection();
                run(makeJob, pending->finished, true);
                return;
            }
            pending->finished(outcome, job->errorString(), job);
        });
    job->start();
}

void KeychainSecretStore::readSecret(const QString &name, ReadCompletion completion)
{
    if (!isMainThread()) {
        dispatchMain(&context_, [this, name, completion = std::move(completion)]() mutable {
            readSecret(name, std::move(completion));
        });
        return;
    }
    run(
        [name] {
            auto *job = new QKeychain::ReadPasswordJob(ServiceName);
            job->setKey(name);
            return job;
        },
        [this, name, completion = std::move(completion)](
            Outcome outcome, const QString &detail, QKeychain::Job *job) {
            const QString secret = outcome == Outcome::Done && job
                ? static_cast<QKeychain::ReadPasswordJob *>(job)->textData()
                : QString();
            finishRead(name, outcome, detail, secret, completion);
        });
}

void KeychainSecretStore::finishRead(const QString &name, Outcome outcome, const QString &detail,
    const QString &secret, const ReadCompletion &completion)
{
    if (outcome == Outcome::Done && !secret.isEmpty()) {
        whyNoKey_.clear();
        if (completion)
            completion(secret, Error());
        return;
    }

    const bool translatorKey = name.startsWith(TranslatorKeyPrefix);
    const QString fromEnvironment = translatorKey
        ? qEnvironmentVariable(TranslatorKeyVariable.toLocal8Bit().constData())
        : QString();
    if (outcome == Outcome::NoService || outcome == Outcome::Failed) {
        const QString line =
            formatString(QStringLiteral("Secret service: reading %@ failed (%@); %@"), name,
                withoutSecret(detail, fromEnvironment),
                fromEnvironment.isEmpty()
                    ? QStringLiteral("no key")
                    : formatString(QStringLiteral("using %@ instead"), TranslatorKeyVariable));
        // A command translating a hundred reviews reads the key a hundred
        // times; the log says it once.
        if (!readFailuresLogged_.contains(line)) {
            readFailuresLogged_.insert(line);
            logLine(line);
        }
    }
    if (!fromEnvironment.isEmpty()) {
        whyNoKey_.clear();
        if (completion)
            completion(fromEnvironment, Error());
        return;
    }

    if (outcome == Outcome::Failed) {
        whyNoKey_ =
            localized("KeychainSecretStore", "The secret service did not give out the key.");
        if (completion)
            completion(QString(), storeError(ServiceFailedCode, whyNoKey_));
        return;
    }
    if (outcome == Outcome::NoService) {
        whyNoKey_ = translatorKey
            ? formatString(
                localized("KeychainSecretStore", "No secret service is running and %@ is not set."),
                TranslatorKeyVariable)
            : localized("KeychainSecretStore", "No secret service is running.");
    } else {
        whyNoKey_ = translatorKey
            ? formatString(localized("KeychainSecretStore",
                               "No key is kept in the secret service and %@ is not set."),
                TranslatorKeyVariable)
            : localized("KeychainSecretStore", "No key is kept in the secret service.");
    }
    if (completion)
        completion(QString(), Error());
}

void KeychainSecretStore::writeSecret(
    const QString &name, const QString &secret, WriteCompletion completion)
{
    if (!isMainThread()) {
        dispatchMain(&context_, [this, name, secret, completion = std::move(completion)]() mutable {
            writeSecret(name, secret, std::move(completion));
        });
        return;
    }
    run(
        [name, secret] {
            auto *job = new QKeychain::WritePasswordJob(ServiceName);
            job->setKey(name);
            job->setTextData(secret);
            return job;
        },
        [name, secret, completion = std::move(completion)](
            Outcome outcome, const QString &detail, QKeychain::Job *) {
            if (outcome == Outcome::Done) {
                if (completion)
                    completion(Error());
                return;
            }
            logLine(formatString(QStringLiteral("Secret service: saving %@ failed: %@"), name,
                withoutSecret(detail, secret)));
            const Error error = outcome == Outcome::NoService
                ? storeError(NoServiceCode,
                    localized("KeychainSecretStore",
                        "The key could not be saved because no secret service is running."))
                : storeError(ServiceFailedCode,
                    localized("KeychainSecretStore", "The secret service could not save the key."));
            if (completion)
                completion(error);
        });
}

void KeychainSecretStore::deleteSecret(const QString &name, WriteCompletion completion)
{
    if (!isMainThread()) {
        dispatchMain(&context_, [this, name, completion = std::move(completion)]() mutable {
            deleteSecret(name, std::move(completion));
        });
        return;
    }
    run(
        [name] {
            auto *job = new QKeychain::DeletePasswordJob(ServiceName);
            job->setKey(name);
            return job;
        },
        [name, completion = std::move(completion)](
            Outcome outcome, const QString &detail, QKeychain::Job *) {
            if (outcome == Outcome::Done || outcome == Outcome::NotFound) {
                if (completion)
                    completion(Error());
                return;
            }
            logLine(formatString(
                QStringLiteral("Secret service: removing %@ failed: %@"), name, detail));
            const Error error = outcome == Outcome::NoService
                ? storeError(NoServiceCode,
                    localized("KeychainSecretStore",
                        "The key could not be removed because no secret service is running."))
                : storeError(ServiceFailedCode,
                    localized(
                        "KeychainSecretStore", "The secret service could not remove the key."));
            if (completion)
                completion(error);
        });
}
