#include "model/StoreQueries.h"

#include "model/App.h"
#include "model/Country.h"
#include "model/CountryTable.h"
#include "model/RecordKeys.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"

namespace StoreQueries {

namespace {
void logError(const Error &error, const char *selector)
{
    logLine(formatString(
        QStringLiteral("Error: %@ (%@)"), error.debugDescription(), QString::fromLatin1(selector)));
}

std::optional<Products> fetchProducts(ManagedObjectContext *context, const QString &entity,
    const Predicate &predicate, const QString &sortKey, const char *selector)
{
    if (!context)
        return std::nullopt;
    FetchRequest request(entity);
    request.predicate = predicate;
    if (!sortKey.isEmpty())
        request.sortDescriptors = {{sortKey, true}};
    Error error;
    const auto products = context->fetch<Product>(request, &error);
    if (error) {
        logError(error, selector);
        return std::nullopt;
    }
    return products;
}

// Steps shared by both country queries: the distinct priorities of all
// countries, then the countries of each priority in the regions.
std::optional<QList<CountryGroup>> countryGroups(
    ManagedObjectContext *context, const std::optional<QStringList> &regions, const char *selector)
{
    if (!context)
        return std::nullopt;
    FetchRequest priorities(QStringLiteral("Country"));
    priorities.propertiesToFetch = {RecordKey::priority};
    priorities.propertiesToGroupBy = {RecordKey::priority};
    priorities.countName = QStringLiteral("total");
    priorities.sortDescriptors = {{RecordKey::priority, false}};
    Error error;
    const QList<QVariantMap> rows = context->executeDictionaryFetch(priorities, &error);
    if (error) {
        logError(error, selector);
        return std::nullopt;
    }
    QList<CountryGroup> groups;
    bool failed = false;
    for (const QVariantMap &row : rows) {
        const QVariant priority = row.value(RecordKey::priority);
        FetchRequest request(QStringLiteral("Country"));
        request.predicate = regions
            ? Predicate::format(
                QStringLiteral("priority == %@ AND region IN %@"), priority, *regions)
            : Predicate::format(QStringLiteral("priority == %@"), priority);
        request.sortDescriptors = {{RecordKey::isoCode, true}};
        Error fetchError;
        const Countries countries = context->fetch<Country>(request, &fetchError);
        if (fetchError) {
            // The other priorities are still fetched, and their errors logged.
            logError(fetchError, selector);
            failed = true;
            continue;
        }
        if (!countries.isEmpty())
            groups.append({priority.toLongLong(), countries});
    }
    if (failed)
        return std::nullopt;
    return groups;
}
} // namespace

std::optional<Products> allProducts(ManagedObjectContext *context)
{
    return fetchProducts(context, QStringLiteral("Product"), Predicate(), {}, "allProducts");
}

std::optional<Products> productsForReviewsNotUpatedSinceDate(
    ManagedObjectContext *context, const QDateTime &date)
{
    return fetchProducts(context, QStringLiteral("Product"),
        Predicate::format(QStringLiteral("lastReviewsUpdate <= %@ OR "
                                         "lastReviewsUpdate == nil"),
            date),
        RecordKey::lastReviewsUpdate, "productsForReviewsNotUpatedSinceDate:");
}

std::optional<Products> productsNeedingReviewsUpate(ManagedObjectContext *context)
{
    return fetchProducts(context, QStringLiteral("Product"), Predicate(),
        RecordKey::lastReviewsUpdate, "productsNeedingReviewsUpate");
}

std::optional<Countries> countriesOrderedByPriorityForRegions(
    ManagedObjectContext *context, const std::optional<QStringList> &regions)
{
    const auto groups = countryGroups(context, regions, "countriesOrderedByPriorityForRegions:");
    if (!groups)
        return std::nullopt;
    Countries countries;
    for (const CountryGroup &group : *groups)
        countries += group.countries;
    return countries;
}

std::optional<qint64> countryCountForRegion(ManagedObjectContext *context, const QString &region)
{
    if (!context)
        return std::nullopt;
    FetchRequest request(QStringLiteral("Country"));
    request.predicate = Predicate::format(QStringLiteral("region == %@"), region);
    Error error;
    const qint64 count = context->countForFetchRequest(request, &error);
    if (error) {
        logError(error, "countryCountForRegion:");
        return std::nullopt;
    }
    return count;
}

Predicate unansweredReviews()
{
    return Predicate::format(QStringLiteral("replyText == nil OR replyText == ''"));
}

Predicate reviewFilter(const Product &product, const QString &countryCode, const QString &version,
    const QString &searchText)
{
    QList<Predicate> parts {Predicate::format(QStringLiteral("product == %@"), &product)};
    if (!version.isNull())
        parts << Predicate::format(QStringLiteral("version == %@"), version);
    if (!countryCode.isNull())
        parts << Predicate::format(QStringLiteral("countryCode ==[c] %@"), countryCode);
    if (!searchText.isEmpty() && (!version.isNull() || !countryCode.isNull())) {
        parts << Predicate::format(
            QStringLiteral("displayTitle CONTAINS[c] %@ OR reviewer CONTAINS[c] %@"), searchText,
            searchText);
    } else if (!searchText.isEmpty()) {
        // Country names exist only in memory: the codes whose name begins
        // with the text stand in for them, so that the search runs in SQL.
        QVariantList codes;
        for (const CountryTable::Country &country : CountryTable::countries())
            if (Country::localizedName(country.code).startsWith(searchText, Qt::CaseInsensitive))
                codes << country.code;
        parts << Predicate::format(QStringLiteral("displayTitle CONTAINS[c] %@ OR reviewer "
                                                  "CONTAINS[c] %@ OR version LIKE %@ OR "
                                                  "countryCode IN[c] %@"),
            searchText, searchText, searchText, codes);
    }
    return parts.size() == 1 ? parts.first() : Predicate::andPredicates(parts);
}

std::optional<QList<QVariantMap>> reviewsGroupedByStarsForProduct(ManagedObjectContext *context,
    const Product *product, const QString &countryCode, const QString &version)
{
    if (!context)
        return std::nullopt;
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = reviewFilter(*product, countryCode, version);
    request.propertiesToFetch = {RecordKey::rating};
    request.propertiesToGroupBy = {RecordKey::rating};
    request.countName = QStringLiteral("total");
    request.sortDescriptors = {{RecordKey::rating, false}};
    Error error;
    const QList<QVariantMap> rows = context->executeDictionaryFetch(request, &error);
    if (error) {
        logError(error, "reviewsGroupedByStarsForProduct:countryCode:version:");
        return std::nullopt;
    }
    return rows;
}

} // namespace StoreQueries
