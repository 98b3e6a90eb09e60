// The developer's own apps through App Store Connect: connecting a key,
// and replying to reviews.
#include "cli/Cli.h"

#include "model/Review.h"
#include "net/AppStoreConnectAccount.h"
#include "net/AppStoreConnectClient.h"
#include "net/RequestQueue.h"
#include "platform/Clock.h"
#include "platform/store/ManagedObjectContext.h"

#include <QCommandLineParser>

namespace {

constexpr int longestReply = 5970;

} // namespace

int Cli::connect(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption issuer(QStringLiteral("issuer"),
        QStringLiteral("The issuer ID shown above the keys in App Store Connect."),
        QStringLiteral("ID"));
    const QCommandLineOption keyID(
        QStringLiteral("key-id"), QStringLiteral("The key's ID."), QStringLiteral("ID"));
    const QCommandLineOption keyFile(QStringLiteral("key-file"),
        QStringLiteral("The key's .p8 file, read once into the secret service."),
        QStringLiteral("PATH"));
    parser.addOptions({issuer, keyID, keyFile});
    if (!parse(parser, arguments, 0, 0))
        return Usage;
    for (const auto *option : {&issuer, &keyID, &keyFile})
        if (parser.value(*option).trimmed().isEmpty())
            return usageError(QStringLiteral("connect needs --issuer, --key-id and --key-file."));
    Error error;
    const auto pem = AppStoreConnectAccount::readKeyFile(parser.value(keyFile), &error);
    if (!pem) {
        host_.presentError(error);
        return Failure;
    }
    const AppStoreConnectKey key {
        parser.value(issuer).trimmed(), parser.value(keyID).trimmed(), *pem};

    // The service must take the key before it is kept.
    RequestQueue queue;
    AppStoreConnectClient client(&queue);
    client.setKey(key);
    bool listed = false;
    QList<AppStoreConnectApp> apps;
    client.apps([&](const QList<AppStoreConnectApp> &list, const Error &listError) {
        apps = list;
        error = listError;
        listed = true;
    });
    waitUntil([&] { return listed; });
    if (!listed)
        return Failure;
    if (error) {
        host_.presentError(error);
        return Failure;
    }
    bool kept = false;
    AppStoreConnectAccount::connect(key, [&](const Error &keepError) {
        error = keepError;
        kept = true;
    });
    waitUntil([&] { return kept; });
    if (error) {
        host_.presentError(error);
        err(QStringLiteral("Without a secret service, set %1, %2 and %3 instead.")
                .arg(QLatin1String(AppStoreConnectAccount::issuerVariable),
                    QLatin1String(AppStoreConnectAccount::keyIDVariable),
                    QLatin1String(AppStoreConnectAccount::keyFileVariable)));
        return Failure;
    }
    OutputTable table;
    table.columns = {
        QStringLiteral("identifier"), QStringLiteral("name"), QStringLiteral("bundleId")};
    for (const AppStoreConnectApp &app : std::as_const(apps))
        table.rows << QVariantList {app.identifier, app.name, app.bundleID};
    out(table.plain());
    err(apps.size() == 1
            ? QStringLiteral("App Store Connect is connected: the key sees one app.")
            : QStringLiteral("App Store Connect is connected: the key sees %1 apps.").arg(apps.size()));
    return Success;
}

int Cli::disconnect(const QStringList &arguments)
{
    QCommandLineParser parser;
    if (!parse(parser, arguments, 0, 0))
        return Usage;
    bool done = false;
    Error error;
    AppStoreConnectAccount::disconnect([&](const Error &deleteError) {
        error = deleteError;
        done = true;
    });
    waitUntil([&] { return done; });
    if (error) {
        host_.presentError(error);
        return Failure;
    }
    err(QStringLiteral("App Store Connect is disconnected; its key is deleted."));
    return Success;
}

int Cli::reply(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption remove(
        QStringLiteral("delete"), QStringLiteral("Delete the review's reply."));
    parser.addOption(remove);
    if (!parse(parser, arguments, 1, 2))
        return Usage;
    const QStringList positional = parser.positionalArguments();
    const bool deleting = parser.isSet(remove);
    const QString text = positional.value(1).trimmed();
    if (deleting != text.isEmpty())
        return usageError(QStringLiteral("reply takes a review and either a text or --delete."));
    if (text.size() > longestReply)
        return usageError(QStringLiteral("A reply has at most %1 characters; this one has %2.")
                              .arg(longestReply)
                              .arg(text.size()));
    if (const int status = openStore(true); status != Success)
        return status;

    ManagedObjectContext *context = delegate_->managedObjectContext();
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = Predicate::format(
        QStringLiteral("identifier == %@ AND connectIdentifier != nil"), positional.first());
    Error error;
    const auto found = context->fetch<Review>(request, &error);
    if (error) {
        host_.presentError(error);
        return Failure;
    }
    if (found.isEmpty()) {
        err(QStringLiteral("No review %1 of your own apps is stored; replies go to reviews that "
                           "App Store Connect gave.")
                .arg(positional.first()));
        return Failure;
    }
    const auto review = found.first();
    const auto current = review->reply();
    if (deleting && !current) {
        err(QStringLiteral("The review %1 has no reply.").arg(positional.first()));
        return Failure;
    }

    std::optional<AppStoreConnectKey> key;
    bool loaded = false;
    AppStoreConnectAccount::loadKey(
        [&](const std::optional<AppStoreConnectKey> &loadedKey, const Error &loadError) {
            key = loadedKey;
            error = loadError;
            loaded = true;
        });
    waitUntil([&] { return loaded; });
    if (!key) {
        if (error)
            host_.presentError(error);
        else
            err(QStringLiteral("No App Store Connect key is connected: run \"reviewkeeper-cli "
                               "connect\" first."));
        return Failure;
    }
    RequestQueue queue;
    AppStoreConnectClient client(&queue);
    client.setKey(*key);
    bool answered = false;
    std::optional<AppStoreConnectReply> stored;
    if (deleting) {
        client.deleteReply(current->identifier, [&](const Error &deleteError) {
            error = deleteError;
            answered = true;
        });
    } else {
        client.reply(review->connectIdentifier(), text,
            [&](const std::optional<AppStoreConnectReply> &reply, const Error &replyError) {
                stored = reply;
                error = replyError;
                answered = true;
            });
    }
    waitUntil([&] { return answered; });
    if (!answered)
        return Failure;
    // Only what the service accepted is stored.
    if (error) {
        host_.presentError(error);
        return Failure;
    }
    if (deleting)
        review->setReply(std::nullopt);
    else
        review->setReply(ReviewReply {stored->identifier, stored->body, stored->state,
            stored->lastModified.isValid() ? stored->lastModified : Clock::shared().now()});
    delegate_->saveAction();
    if (!finishWriting())
        return Failure;
    err(deleting
            ? QStringLiteral("The reply is deleted.")
            : QStringLiteral("The reply is sent; App Store Connect shows it as %1.")
                  .arg(stored->state == QLatin1String("PUBLISHED") ? QStringLiteral("published")
                                                                   : QStringLiteral("pending")));
    return Success;
}
