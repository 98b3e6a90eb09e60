#include "forward/ForwardDestinations.h"

#include "forward/ForwardQueue.h"
#include "model/ForwardDestination.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"

#include <QLocale>
#include <QUrl>

namespace ForwardDestinations {

QString addressProblem(const QString &address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return localized("ForwardDestinations", "The address must begin with https:// or http://.");
    if (url.host().isEmpty())
        return localized("ForwardDestinations", "The address names no host.");
    return {};
}

QString hostOf(const QString &address)
{
    return QUrl(address.trimmed()).host();
}

QList<std::shared_ptr<ForwardDestination>> all(ManagedObjectContext &context, Error *error)
{
    FetchRequest request(QStringLiteral("ForwardDestination"));
    request.sortDescriptors = {{RecordKey::number, true}};
    return context.fetch<ForwardDestination>(request, error);
}

std::shared_ptr<ForwardDestination> withNumber(
    ManagedObjectContext &context, qint64 number, Error *error)
{
    FetchRequest request(QStringLiteral("ForwardDestination"));
    request.predicate = Predicate::format(QStringLiteral("number == %@"), number);
    const auto found = context.fetch<ForwardDestination>(request, error);
    return found.isEmpty() ? nullptr : found.first();
}

ForwardMessage::Kind kindOf(const ForwardDestination &destination)
{
    return ForwardMessage::kindNamed(destination.kind()).value_or(ForwardMessage::Kind::Webhook);
}

QString nameOf(const ForwardDestination &destination)
{
    return formatString(QStringLiteral("%ld (%@, %@)"), destination.number(),
        ForwardMessage::displayName(kindOf(destination)), destination.host());
}

QString stateOf(const ForwardDestination &destination)
{
    if (!destination.pausedReason().isEmpty())
        return localized("ForwardDestinations", "paused");
    const QDateTime next = destination.nextAttempt();
    if (next.isValid() && next > Clock::shared().now())
        return formatString(localized("ForwardDestinations", "waiting until %@ after %ld failures"),
            QLocale().toString(next.toLocalTime().time(), QLocale::ShortFormat),
            destination.failures());
    return localized("ForwardDestinations", "active");
}

qint64 waitingCount(const ForwardDestination &destination)
{
    ManagedObjectContext *context = destination.managedObjectContext();
    if (!context)
        return 0;
    FetchRequest request(QStringLiteral("OutboxEntry"));
    request.predicate =
        Predicate::format(QStringLiteral("destination == %@"), destination.objectID());
    return std::max<qint64>(0, context->countForFetchRequest(request));
}

void add(ManagedObjectContext &context, const QString &kind, const ForwardSecrets::Secret &secret,
    const ForwardRules &rules, const QDateTime &since, Completion completion)
{
    // The record's uuid names the secret: it is made first, and inserted
    // only once the secret is kept.
    Error error;
    qint64 number = 1;
    for (const auto &destination : all(context, &error))
        number = std::max(number, destination->number() + 1);
    auto destination =
        context.insertNewObject<ForwardDestination>(QStringLiteral("ForwardDestination"));
    destination->setNumber(number);
    destination->setKind(kind.toLower());
    destination->setHost(hostOf(secret.address));
    destination->setRules(rules);
    destination->setDateCreated(Clock::shared().now());
    ForwardSecrets::write(destination->secretName(), secret,
        [&context, destination, since, completion](
            ForwardSecrets::Place place, const Error &error) {
            if (error.isError()) {
                context.deleteObject(destination);
                completion(nullptr, place, error);
                return;
            }
            Error backfillError;
            if (since.isValid()) {
                const qint64 queued =
                    ForwardQueue::backfill(context, destination, since, &backfillError);
                logLine(
                    formatString(QStringLiteral("Forwarding: %ld stored reviews queued for %ld"),
                        queued, destination->number()));
            }
            completion(destination, place, backfillError);
        });
}

void change(const std::shared_ptr<ForwardDestination> &destination, const QString &kind,
    const QString &address, const QString &signingSecret, const ForwardRules &rules,
    Completion completion)
{
    const auto apply = [destination, kind, address, rules, completion](
                           ForwardSecrets::Place place, const Error &error) {
        if (error.isError()) {
            completion(nullptr, place, error);
            return;
        }
        destination->setKind(kind.toLower());
        if (!address.isEmpty())
            destination->setHost(hostOf(address));
        destination->setRules(rules);
        destination->resume();
        completion(destination, place, {});
    };
    if (address.isEmpty() && signingSecret.isEmpty()) {
        dispatchMain([apply] { apply(ForwardSecrets::Place::SecretService, {}); });
        return;
    }
    const QString name = destination->secretName();
    if (!address.isEmpty()) {
        ForwardSecrets::write(name, {address, signingSecret}, apply);
        return;
    }
    // A new signing secret for the stored address.
    ForwardSecrets::read(name,
        [name, signingSecret, apply](
            const std::optional<ForwardSecrets::Secret> &stored, const Error &error) {
            if (!stored) {
                apply(ForwardSecrets::Place::SecretService,
                    error.isError() ? error
                                    : Error::storeError(localized("ForwardDestinations",
                                        "Its address is kept nowhere: enter it again.")));
                return;
            }
            ForwardSecrets::write(name, {stored->address, signingSecret}, apply);
        });
}

void remove(ManagedObjectContext &context, const std::shared_ptr<ForwardDestination> &destination,
    std::function<void(const Error &error)> completion)
{
    const QString name = destination->secretName();
    context.deleteObject(destination);
    // The record goes even when the secret service cannot forget the address.
    ForwardSecrets::remove(name, [completion](const Error &error) { completion(error); });
}

} // namespace ForwardDestinations
