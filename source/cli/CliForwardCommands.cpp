// Forwarding new reviews: adding, listing, removing and testing destinations.
#include "cli/Cli.h"

#include "forward/ForwardDestinations.h"
#include "forward/ForwardMessage.h"
#include "forward/Forwarder.h"
#include "model/ForwardDestination.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/UpdateController.h"

#include <QCommandLineParser>
#include <QTimeZone>

namespace {

// "2026-12-01", or a date and time in ISO 8601; local midnight for a day.
QDateTime parseSince(const QString &text)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid())
        return day.startOfDay();
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

std::optional<int> parseStars(const QString &text)
{
    bool ok = false;
    const int stars = text.toInt(&ok);
    return ok && stars >= 1 && stars <= 5 ? std::optional<int>(stars) : std::nullopt;
}

} // namespace

int Cli::forward(const QStringList &arguments)
{
    const QString action = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (action == QLatin1String("add"))
        return forwardAdd(rest);
    if (action == QLatin1String("list"))
        return forwardList(rest);
    if (action == QLatin1String("remove"))
        return forwardRemove(rest);
    if (action == QLatin1String("test"))
        return forwardTest(rest);
    return usageError(action.isEmpty()
            ? QStringLiteral("forward needs add, list, remove or test.")
            : QStringLiteral("Unknown forward command \"%1\".").arg(action));
}

int Cli::forwardAdd(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption secret(QStringLiteral("secret"),
        QStringLiteral("Sign each webhook body with this secret (HMAC-SHA256)."),
        QStringLiteral("S"));
    const QCommandLineOption product(QStringLiteral("product"),
        QStringLiteral("Only reviews of this product; may be repeated."), QStringLiteral("ID"));
    const QCommandLineOption minRating(QStringLiteral("min-rating"),
        QStringLiteral("Only reviews with at least N stars."), QStringLiteral("N"));
    const QCommandLineOption maxRating(QStringLiteral("max-rating"),
        QStringLiteral("Only reviews with at most N stars."), QStringLiteral("N"));
    const QCommandLineOption country(QStringLiteral("country"),
        QStringLiteral("Only reviews from this store country; may be repeated."),
        QStringLiteral("CC"));
    const QCommandLineOption keyword(QStringLiteral("keyword"),
        QStringLiteral("Only reviews whose title or text holds one of the words; may be "
                       "repeated."),
        QStringLiteral("WORD"));
    const QCommandLineOption since(QStringLiteral("since"),
        QStringLiteral("Also forward the stored reviews written since DATE."),
        QStringLiteral("DATE"));
    const QCommandLineOption noEdited(
        QStringLiteral("no-edited"), QStringLiteral("Leave out reviews their authors edited."));
    parser.addOptions({secret, product, minRating, maxRating, country, keyword, since, noEdited});
    if (!parse(parser, arguments, 2, 2))
        return Usage;
    const QString kind = parser.positionalArguments().at(0).toLower();
    const QString address = parser.positionalArguments().at(1).trimmed();
    if (!ForwardMessage::kindNamed(kind))
        return usageError(
            QStringLiteral("Unknown kind \"%1\": slack, discord, teams or webhook.").arg(kind));
    if (const QString problem = ForwardDestinations::addressProblem(address); !problem.isEmpty())
        return usageError(problem);
    ForwardRules rules;
    rules.products = parser.values(product);
    rules.countries = parser.values(country);
    for (QString &code : rules.countries)
        code = code.trimmed().toUpper();
    rules.keywords = parser.values(keyword);
    rules.edited = !parser.isSet(noEdited);
    for (const auto &[option, target] :
        {std::pair {&minRating, &rules.minRating}, std::pair {&maxRating, &rules.maxRating}}) {
        if (!parser.isSet(*option))
            continue;
        const auto stars = parseStars(parser.value(*option));
        if (!stars)
            return usageError(
                QStringLiteral("--%1 takes 1 to 5 stars.").arg(option->names().first()));
        *target = *stars;
    }
    if (rules.minRating > rules.maxRating)
        return usageError(QStringLiteral("--min-rating is above --max-rating."));
    QDateTime from;
    if (parser.isSet(since)) {
        from = parseSince(parser.value(since));
        if (!from.isValid())
            return usageError(QStringLiteral("--since takes a date such as 2026-12-01."));
    }
    if (const int status = openStore(true); status != Success)
        return status;

    bool done = false;
    std::shared_ptr<ForwardDestination> added;
    ForwardSecrets::Place place = ForwardSecrets::Place::SecretService;
    Error error;
    ForwardDestinations::add(*delegate_->managedObjectContext(), kind,
        {address, parser.value(secret)}, rules, from,
        [&](const std::shared_ptr<ForwardDestination> &destination, ForwardSecrets::Place where,
            const Error &addError) {
            added = destination;
            place = where;
            error = addError;
            done = true;
        });
    waitUntil([&] { return done; });
    if (!done)
        return Failure;
    if (error) {
        host_.presentError(error);
        if (!added)
            return Failure;
    }
    if (!finishWriting())
        return Failure;
    out(QByteArray::number(added->number()) + '\n');
    err(QStringLiteral("Forwarding to %1: %2.")
            .arg(ForwardDestinations::nameOf(*added), rules.summary()));
    err(place == ForwardSecrets::Place::File
            ? QStringLiteral("No secret service runs: its address is kept in %1, readable only "
                             "by you.")
                  .arg(ForwardSecrets::filePath())
            : QStringLiteral("Its address is kept in the secret service."));
    const qint64 waiting = ForwardDestinations::waitingCount(*added);
    if (waiting > 0)
        err(waiting == 1
                ? QStringLiteral("One stored review waits for the next update.")
                : QStringLiteral("%1 stored reviews wait for the next update.").arg(waiting));
    return error ? Failure : Success;
}

int Cli::forwardList(const QStringList &arguments)
{
    QCommandLineParser parser;
    const auto format = parseListing(parser, arguments, 0, 0);
    if (!format)
        return Usage;
    if (const int status = openStore(false); status != Success)
        return status;
    Error error;
    const auto destinations = ForwardDestinations::all(*delegate_->managedObjectContext(), &error);
    if (error) {
        host_.presentError(error);
        return Failure;
    }
    OutputTable table;
    table.columns = {QStringLiteral("number"), QStringLiteral("kind"), QStringLiteral("host"),
        QStringLiteral("rules"), QStringLiteral("state"), QStringLiteral("waiting")};
    for (const auto &destination : destinations)
        table.rows << QVariantList {destination->number(), destination->kind(), destination->host(),
            destination->rules().summary(), ForwardDestinations::stateOf(*destination),
            ForwardDestinations::waitingCount(*destination)};
    out(table.render(*format));
    for (const auto &destination : destinations) {
        if (!destination->pausedReason().isEmpty())
            err(destination->pausedReason());
    }
    return Success;
}

std::shared_ptr<ForwardDestination> Cli::destinationArgument(
    const QStringList &arguments, int *status)
{
    QCommandLineParser parser;
    if (!parse(parser, arguments, 1, 1)) {
        *status = Usage;
        return nullptr;
    }
    const QString text = parser.positionalArguments().first();
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok) {
        *status = usageError(QStringLiteral("\"%1\" is not a destination's number.").arg(text));
        return nullptr;
    }
    *status = openStore(true);
    if (*status != Success)
        return nullptr;
    Error error;
    auto destination =
        ForwardDestinations::withNumber(*delegate_->managedObjectContext(), number, &error);
    if (error) {
        host_.presentError(error);
        *status = Failure;
    } else if (!destination) {
        err(QStringLiteral("No destination %1; forward list shows them.").arg(number));
        *status = Failure;
    }
    return destination;
}

int Cli::forwardRemove(const QStringList &arguments)
{
    int status = Success;
    const auto destination = destinationArgument(arguments, &status);
    if (!destination)
        return status;
    const qint64 number = destination->number();
    const qint64 waiting = ForwardDestinations::waitingCount(*destination);
    bool done = false;
    Error error;
    ForwardDestinations::remove(
        *delegate_->managedObjectContext(), destination, [&](const Error &removeError) {
            error = removeError;
            done = true;
        });
    waitUntil([&] { return done; });
    if (!finishWriting())
        return Failure;
    if (error)
        host_.presentError(error);
    if (waiting == 0)
        err(QStringLiteral("Destination %1 is removed.").arg(number));
    else if (waiting == 1)
        err(QStringLiteral("Destination %1 is removed, with one review that waited for it.")
                .arg(number));
    else
        err(QStringLiteral("Destination %1 is removed, with %2 reviews that waited for it.")
                .arg(number)
                .arg(waiting));
    return done && !error ? Success : Failure;
}

int Cli::forwardTest(const QStringList &arguments)
{
    int status = Success;
    const auto destination = destinationArgument(arguments, &status);
    if (!destination)
        return status;
    bool done = false;
    bool delivered = false;
    QString answer;
    delegate_->updateController()->forwarder().test(destination, [&](bool ok, const QString &line) {
        delivered = ok;
        answer = line;
        done = true;
    });
    waitUntil([&] { return done; });
    if (!done || !finishWriting())
        return Failure;
    out(answer.toUtf8() + '\n');
    if (!delivered)
        err(QStringLiteral("The test message did not arrive."));
    return delivered ? Success : Failure;
}
