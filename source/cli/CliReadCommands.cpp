// The commands that list what the store holds: products, reviews, ratings
// and the stretches of reviews that may be missing.
#include "cli/Cli.h"

#include "cli/RecordTables.h"
#include "model/Product.h"
#include "model/Rating.h"
#include "model/RatingSnapshot.h"
#include "model/Review.h"
#include "model/ReviewGap.h"
#include "model/ReviewVersion.h"
#include "model/StoreQueries.h"
#include "platform/store/ManagedObjectContext.h"

#include <QCommandLineParser>

int Cli::products(const QStringList &arguments)
{
    QCommandLineParser parser;
    const auto format = parseListing(parser, arguments, 0, 0);
    if (!format)
        return Usage;
    if (const int status = openStore(false); status != Success)
        return status;
    auto all = StoreQueries::allProducts(delegate_->managedObjectContext());
    if (!all)
        return Failure;
    // Grouped as in the sidebar.
    std::stable_sort(all->begin(), all->end(), [](const auto &a, const auto &b) {
        const auto groupA = a->parent(), groupB = b->parent();
        const qint64 orderA = groupA ? groupA->sortIndex().value_or(0) : 0;
        const qint64 orderB = groupB ? groupB->sortIndex().value_or(0) : 0;
        if (orderA != orderB)
            return orderA < orderB;
        return a->sortIndex().value_or(0) < b->sortIndex().value_or(0);
    });
    out(RecordTables::products(*all).render(*format));
    return Success;
}

int Cli::reviews(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption country(QStringLiteral("country"),
        QStringLiteral("Only this store country."), QStringLiteral("CC"));
    const QCommandLineOption version(
        QStringLiteral("version"), QStringLiteral("Only this version."), QStringLiteral("V"));
    const QCommandLineOption search(QStringLiteral("search"),
        QStringLiteral("Only reviews whose title or reviewer contains the text."),
        QStringLiteral("TEXT"));
    const QCommandLineOption unread(
        QStringLiteral("unread"), QStringLiteral("Only unread reviews."));
    const QCommandLineOption markRead(
        QStringLiteral("mark-read"), QStringLiteral("Mark the listed reviews as read."));
    const QCommandLineOption translate(QStringLiteral("translate"),
        QStringLiteral("Translate the listed reviews into LANG (stored translations are reused) "
                       "and print them translated."),
        QStringLiteral("LANG"));
    const QCommandLineOption edited(QStringLiteral("edited"),
        QStringLiteral("Only reviews their authors edited, with their earlier versions."));
    const QCommandLineOption unanswered(QStringLiteral("unanswered"),
        QStringLiteral("Only reviews with no reply, neither pending nor published."));
    parser.addOptions({country, version, search, unread, markRead, translate, edited, unanswered});
    const auto format = parseListing(parser, arguments, 1, 1);
    if (!format)
        return Usage;
    const QString language = parser.value(translate).trimmed();
    if (parser.isSet(translate) && language.isEmpty())
        return usageError(QStringLiteral("--translate needs a language code, such as de."));
    const bool writes = parser.isSet(markRead) || !language.isEmpty();
    if (const int status = openStore(writes); status != Success)
        return status;
    const auto products = productsForIdentifiers(parser.positionalArguments());
    if (!products)
        return Failure;
    const auto &product = products->first();

    // The review list's filter, without touching the product's stored choice.
    const auto chosen = [&parser](const QCommandLineOption &option) {
        return parser.isSet(option) ? parser.value(option) : QString();
    };
    QList<Predicate> parts {StoreQueries::reviewFilter(
        *product, chosen(country), chosen(version), parser.value(search))};
    if (parser.isSet(unread))
        parts << Predicate::format(QStringLiteral("read == NO OR read == nil"));
    if (parser.isSet(unanswered))
        parts << StoreQueries::unansweredReviews();
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = Predicate::andPredicates(parts);
    request.sortDescriptors = {{QStringLiteral("dateReviewed"), false}};
    Error error;
    auto found = delegate_->managedObjectContext()->fetch<Review>(request, &error);
    // Earlier versions of the product's reviews in one fetch, not one per review.
    FetchRequest versionsRequest(QStringLiteral("ReviewVersion"));
    versionsRequest.predicate =
        Predicate::format(QStringLiteral("review.product == %@"), product->objectID());
    versionsRequest.sortDescriptors = {{QStringLiteral("dateReplaced"), true}};
    const auto versions = error.isError()
        ? QList<std::shared_ptr<ReviewVersion>>()
        : delegate_->managedObjectContext()->fetch<ReviewVersion>(versionsRequest, &error);
    if (error.isError()) {
        host_.presentError(error);
        return Failure;
    }
    RecordTables::EarlierVersions earlier;
    for (const auto &earlierVersion : versions)
        if (const auto review = earlierVersion->review())
            earlier[review->objectID().rowId] << earlierVersion;
    if (parser.isSet(edited))
        found.removeIf(
            [&](const auto &review) { return !earlier.contains(review->objectID().rowId); });
    const bool translated = language.isEmpty() || translateReviews(found, language);
    out(RecordTables::reviews(found, earlier, language, parser.isSet(edited)).render(*format));
    if (writes) {
        if (parser.isSet(markRead)) {
            for (const auto &review : found) {
                if (!review->read().value_or(false))
                    review->setRead(true);
            }
        }
        if (!finishWriting())
            return Failure;
    }
    return translated ? Success : Failure;
}

int Cli::ratings(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption history(QStringLiteral("history"),
        QStringLiteral("The ratings kept day by day, instead of the latest."));
    const QCommandLineOption country(QStringLiteral("country"),
        QStringLiteral("With --history: only this store country."), QStringLiteral("CC"));
    parser.addOptions({history, country});
    const auto format = parseListing(parser, arguments, 1, 1);
    if (!format)
        return Usage;
    if (parser.isSet(country) && !parser.isSet(history))
        return usageError(QStringLiteral("--country needs --history."));
    if (const int status = openStore(false); status != Success)
        return status;
    const auto products = productsForIdentifiers(parser.positionalArguments());
    if (!products)
        return Failure;
    if (parser.isSet(history)) {
        QList<Predicate> parts {
            Predicate::format(QStringLiteral("product == %@"), products->first()->objectID())};
        if (parser.isSet(country))
            parts << Predicate::format(
                QStringLiteral("countryCode == %@"), parser.value(country).trimmed().toUpper());
        FetchRequest request(QStringLiteral("RatingSnapshot"));
        request.predicate = Predicate::andPredicates(parts);
        request.sortDescriptors = {{QStringLiteral("day")}, {QStringLiteral("countryCode")}};
        Error error;
        const auto series =
            delegate_->managedObjectContext()->fetch<RatingSnapshot>(request, &error);
        if (error.isError()) {
            host_.presentError(error);
            return Failure;
        }
        out(RecordTables::ratingHistory(series).render(*format));
        return Success;
    }
    auto ratings = products->first()->ratings();
    std::sort(ratings.begin(), ratings.end(),
        [](const auto &a, const auto &b) { return a->countryCode() < b->countryCode(); });
    out(RecordTables::ratings(ratings).render(*format));
    return Success;
}

int Cli::gaps(const QStringList &arguments)
{
    QCommandLineParser parser;
    const auto format = parseListing(parser, arguments, 0, 1);
    if (!format)
        return Usage;
    if (const int status = openStore(false); status != Success)
        return status;
    FetchRequest request(QStringLiteral("ReviewGap"));
    if (!parser.positionalArguments().isEmpty()) {
        const auto products = productsForIdentifiers(parser.positionalArguments());
        if (!products)
            return Failure;
        request.predicate =
            Predicate::format(QStringLiteral("product == %@"), products->first()->objectID());
    }
    request.sortDescriptors = {{QStringLiteral("dateNoticed"), false}};
    Error error;
    const auto found = delegate_->managedObjectContext()->fetch<ReviewGap>(request, &error);
    if (error.isError()) {
        host_.presentError(error);
        return Failure;
    }
    out(RecordTables::gaps(found).render(*format));
    return Success;
}
