#include "platform/SecretStore.h"

#include <QTimer>

namespace {
SecretStore *sharedStore = nullptr;

// Answers on the next turn of the loop, as a real secret service would.
template<typename Completion, typename... Args> void later(Completion completion, Args... args)
{
    if (completion)
        QTimer::singleShot(
            0, [completion = std::move(completion), args...] { completion(args...); });
}
} // namespace

SecretStore &SecretStore::shared()
{
    static MemorySecretStore fallback;
    return sharedStore ? *sharedStore : fallback;
}

void SecretStore::setShared(SecretStore *store)
{
    sharedStore = store;
}

void MemorySecretStore::readSecret(const QString &name, ReadCompletion completion)
{
    const QString secret = secrets_.value(name);
    later(std::move(completion), secret, Error());
}

void MemorySecretStore::writeSecret(
    const QString &name, const QString &secret, WriteCompletion completion)
{
    secrets_.insert(name, secret);
    later(std::move(completion), Error());
}

void MemorySecretStore::deleteSecret(const QString &name, WriteCompletion completion)
{
    secrets_.remove(name);
    later(std::move(completion), Error());
}
