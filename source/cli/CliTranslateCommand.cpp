// Translating listed reviews from the command line: one review at a time,
// at most four a second, reusing every translation already stored.
#include "cli/Cli.h"

#include "model/Review.h"
#include "net/TranslationProvider.h"
#include "net/URLError.h"
#include "platform/KeychainSecretStore.h"
#include "platform/SecretStore.h"
#include "platform/StringFormat.h"

#include <QElapsedTimer>

namespace {
// Services count requests per second; a listing of hundreds of reviews
// must not spend the user's quota in a burst.
constexpr qint64 minimumRequestIntervalMs = 250;
} // namespace

bool Cli::translateReviews(const QList<std::shared_ptr<Review>> &reviews, const QString &language)
{
    QList<std::shared_ptr<Review>> missing;
    for (const auto &review : reviews) {
        if (review->hasTranslationForLanguageCode(language)) {
            bool shown = false;
            review->translateTo(language, [&shown](const Error &) { shown = true; });
            waitUntil([&] { return shown; });
        } else {
            missing << review;
        }
    }
    QElapsedTimer sinceRequest;
    for (qsizetype index = 0; index < missing.size(); ++index) {
        if (stoppedBy_)
            return false;
        if (sinceRequest.isValid()) {
            waitUntil(
                [&] { return sinceRequest.elapsed() >= minimumRequestIntervalMs || stoppedBy_; });
        }
        sinceRequest.start();
        err(QStringLiteral("Translating review %1 of %2 into %3…")
                .arg(index + 1)
                .arg(missing.size())
                .arg(language));
        bool finished = false;
        Error failure;
        missing[index]->translateTo(language, [&](const Error &error) {
            failure = error;
            finished = true;
        });
        waitUntil([&] { return finished; });
        if (!finished || failure.code() == URLError::Cancelled)
            return false;
        if (failure.isError()) {
            // The same refusal would meet every other review: one message.
            host_.presentError(failure);
            auto *keychain = dynamic_cast<KeychainSecretStore *>(&SecretStore::shared());
            if (failure.domain() == TranslationError::Domain
                && failure.code() == TranslationError::NoKey && keychain
                && !keychain->whyNoKey().isEmpty())
                err(keychain->whyNoKey());
            if (index + 1 < missing.size())
                err(QStringLiteral("%1 reviews were left untranslated.")
                        .arg(missing.size() - index - 1));
            return false;
        }
    }
    return true;
}
