#include "model/DataModel.h"

#include "model/App.h"
#include "model/AppGroup.h"
#include "model/Book.h"
#include "model/BookGroup.h"
#include "model/Country.h"
#include "model/CountryTable.h"
#include "model/Podcast.h"
#include "model/PodcastGroup.h"
#include "model/Rating.h"
#include "model/RatingSnapshot.h"
#include "model/Review.h"
#include "model/ReviewContent.h"
#include "model/ReviewGap.h"
#include "model/ReviewVersion.h"

namespace {

// Adds the table's countries that a store lacks, as the application would
// have inserted them: with a random upper-case uuid and a row id above every
// id the store has used. Nothing already stored changes.
QStringList missingCountriesStatements(int countryEntityCode)
{
    const QString nextId =
        QStringLiteral("(SELECT max(used) + 1 FROM (SELECT coalesce(max(id), 0) AS used FROM "
                       "\"BaseNode\" UNION ALL SELECT max(id) FROM \"Country\" UNION ALL "
                       "SELECT max(id) FROM \"Review\" UNION ALL SELECT max(id) FROM "
                       "\"ReviewContent\" UNION ALL SELECT max(id) FROM \"Rating\" UNION ALL "
                       "SELECT CAST(value AS INTEGER) - 1 FROM rk_metadata WHERE key = "
                       "'nextRowId'))");
    const QString uuid = QStringLiteral(
        "upper(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || "
        "substr(hex(randomblob(2)), 2) || '-' || substr('89AB', 1 + (abs(random()) % 4), 1) || "
        "substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))");
    QStringList statements;
    for (const CountryTable::Country &country : CountryTable::countries())
        statements << QStringLiteral(
            "INSERT INTO \"Country\" (id, entity, \"isoCode\", \"region\", \"priority\", "
            "\"uuid\") SELECT %1, %2, '%3', '%4', %5, %6 WHERE NOT EXISTS (SELECT 1 FROM "
            "\"Country\" WHERE \"isoCode\" = '%3')")
                          .arg(nextId, QString::number(countryEntityCode), country.code,
                              country.region, QString::number(country.priority), uuid);
    return statements;
}

std::shared_ptr<const ManagedObjectModel> build()
{
    using T = AttributeType;
    auto model = std::make_shared<ManagedObjectModel>(DataModel::Version);
    ManagedObjectModel &m = *model;

    // Entity codes are stored in every row: append new entities at the end.
    m.addEntity(QStringLiteral("BaseNode"));
    m.addEntity(QStringLiteral("Group"), QStringLiteral("BaseNode"));
    m.addEntity(QStringLiteral("AppGroup"), QStringLiteral("Group"));
    m.addEntity(QStringLiteral("BookGroup"), QStringLiteral("Group"));
    m.addEntity(QStringLiteral("PodcastGroup"), QStringLiteral("Group"));
    m.addEntity(QStringLiteral("Product"), QStringLiteral("BaseNode"));
    m.addEntity(QStringLiteral("App"), QStringLiteral("Product"));
    m.addEntity(QStringLiteral("Book"), QStringLiteral("Product"));
    m.addEntity(QStringLiteral("Podcast"), QStringLiteral("Product"));
    const int countryEntityCode = m.addEntity(QStringLiteral("Country")).code();
    m.addEntity(QStringLiteral("Review"));
    m.addEntity(QStringLiteral("ReviewContent"));
    m.addEntity(QStringLiteral("Rating"));
    m.addEntity(QStringLiteral("ReviewGap"));
    m.addEntity(QStringLiteral("RatingSnapshot"));
    m.addEntity(QStringLiteral("ReviewVersion"));

    const QString node = QStringLiteral("BaseNode");
    for (const char *name : {"uuid", "title"})
        m.addAttribute(node, QLatin1String(name), T::String);
    m.addAttribute(node, QStringLiteral("sortIndex"), T::Integer);
    for (const char *name : {"isLeaf", "isGroupRowStyle", "isSelectable", "isEditable"})
        m.addAttribute(node, QLatin1String(name), T::Boolean);
    for (const char *name : {"dateCreated", "dateModified", "dateDeleted"})
        m.addAttribute(node, QLatin1String(name), T::Date);
    m.addRelationship(
        node, QStringLiteral("parent"), node, QStringLiteral("children"), DeleteRule::Nullify);

    const QString product = QStringLiteral("Product");
    for (const char *name :
        {"identifier", "kind", "currentVersion", "selectedCountryCode", "selectedVersion"})
        m.addAttribute(product, QLatin1String(name), T::String);
    m.addAttribute(product, QStringLiteral("jsonData"), T::Object);
    m.addAttribute(product, QStringLiteral("image"), T::Object);
    for (const char *name :
        {"currentVersionReleaseDate", "dateUpdated", "lastReviewsUpdate", "lastRatingsUpdate"})
        m.addAttribute(product, QLatin1String(name), T::Date);
    m.addAttribute(product, QStringLiteral("excludeFromAutoUpdate"), T::Boolean);

    const QString country = QStringLiteral("Country");
    for (const char *name : {"isoCode", "region", "uuid"})
        m.addAttribute(country, QLatin1String(name), T::String);
    m.addAttribute(country, QStringLiteral("priority"), T::Integer);
    m.addAttribute(country, QStringLiteral("dateUpdated"), T::Date);

    const QString review = QStringLiteral("Review");
    for (const char *name : {"identifier", "countryCode", "reviewer", "version", "displayTitle",
             "translatedLanguageCode", "uuid"})
        m.addAttribute(review, QLatin1String(name), T::String);
    m.addAttribute(review, QStringLiteral("rating"), T::Float);
    m.addAttribute(review, QStringLiteral("voteSum"), T::Integer);
    m.addAttribute(review, QStringLiteral("voteCount"), T::Integer);
    for (const char *name : {"dateReviewed", "dateCreated", "dateUpdated"})
        m.addAttribute(review, QLatin1String(name), T::Date);
    for (const char *name : {"completed", "read", "translated"})
        m.addAttribute(review, QLatin1String(name), T::Boolean);
    m.addAttribute(review, QStringLiteral("displayData"), T::Data);
    // Reviews and ratings have no life without their product.
    m.addRelationship(
        review, QStringLiteral("product"), product, QStringLiteral("reviews"), DeleteRule::Cascade);

    const QString content = QStringLiteral("ReviewContent");
    for (const char *name : {"title", "languageCode", "uuid"})
        m.addAttribute(content, QLatin1String(name), T::String);
    m.addAttribute(content, QStringLiteral("data"), T::Data);
    m.addAttribute(content, QStringLiteral("dateTranslated"), T::Date);
    m.addRelationship(content, QStringLiteral("review"), review, QStringLiteral("reviewContents"),
        DeleteRule::Cascade);

    const QString rating = QStringLiteral("Rating");
    m.addAttribute(rating, QStringLiteral("countryCode"), T::String);
    m.addAttribute(rating, QStringLiteral("uuid"), T::String);
    m.addAttribute(rating, QStringLiteral("ratingCount"), T::Integer);
    m.addAttribute(rating, QStringLiteral("ratingCountForCurrentVersion"), T::Integer);
    m.addAttribute(rating, QStringLiteral("averageRating"), T::Float);
    m.addAttribute(rating, QStringLiteral("averageRatingForCurrentVersion"), T::Float);
    m.addAttribute(rating, QStringLiteral("dateCreated"), T::Date);
    m.addAttribute(rating, QStringLiteral("dateUpdated"), T::Date);
    m.addRelationship(
        rating, QStringLiteral("product"), product, QStringLiteral("ratings"), DeleteRule::Cascade);

    m.setClass<BaseNode>(node);
    m.setClass<Group>(QStringLiteral("Group"));
    m.setClass<AppGroup>(QStringLiteral("AppGroup"));
    m.setClass<BookGroup>(QStringLiteral("BookGroup"));
    m.setClass<PodcastGroup>(QStringLiteral("PodcastGroup"));
    m.setClass<Product>(product);
    m.setClass<App>(QStringLiteral("App"));
    m.setClass<Book>(QStringLiteral("Book"));
    m.setClass<Podcast>(QStringLiteral("Podcast"));
    m.setClass<Country>(country);
    m.setClass<Review>(review);
    m.setClass<ReviewContent>(content);
    const QString gap = QStringLiteral("ReviewGap");
    for (const char *name : {"countryCode", "uuid"})
        m.addAttribute(gap, QLatin1String(name), T::String);
    for (const char *name : {"fromDate", "toDate", "dateNoticed"})
        m.addAttribute(gap, QLatin1String(name), T::Date);
    m.addRelationship(
        gap, QStringLiteral("product"), product, QStringLiteral("reviewGaps"), DeleteRule::Cascade);

    // The ratings history: no uuid and no dates beyond the day, to keep a
    // row small; an app's history goes with the app.
    const QString snapshot = QStringLiteral("RatingSnapshot");
    for (const char *name : {"countryCode", "currentVersion"})
        m.addAttribute(snapshot, QLatin1String(name), T::String);
    m.addAttribute(snapshot, QStringLiteral("day"), T::Date);
    for (const char *name : {"ratingCount", "ratingCountForCurrentVersion"})
        m.addAttribute(snapshot, QLatin1String(name), T::Integer);
    for (const char *name : {"averageRating", "averageRatingForCurrentVersion"})
        m.addAttribute(snapshot, QLatin1String(name), T::Float);
    m.addRelationship(snapshot, QStringLiteral("product"), product,
        QStringLiteral("ratingSnapshots"), DeleteRule::Cascade);

    // What an edited review showed before: its rating, version, date, title
    // and text, and the translations of that text, which belong to it and
    // not to the new one. Kept with the review and deleted with it.
    const QString reviewVersion = QStringLiteral("ReviewVersion");
    for (const char *name : {"version", "title"})
        m.addAttribute(reviewVersion, QLatin1String(name), T::String);
    m.addAttribute(reviewVersion, QStringLiteral("rating"), T::Float);
    m.addAttribute(reviewVersion, QStringLiteral("data"), T::Data);
    // A list of maps: languageCode, title, data, dateTranslated.
    m.addAttribute(reviewVersion, QStringLiteral("translations"), T::Object);
    for (const char *name : {"dateReviewed", "dateReplaced"})
        m.addAttribute(reviewVersion, QLatin1String(name), T::Date);
    m.addRelationship(reviewVersion, QStringLiteral("review"), review,
        QStringLiteral("previousVersions"), DeleteRule::Cascade);

    m.setClass<Rating>(rating);
    m.setClass<ReviewGap>(gap);
    m.setClass<RatingSnapshot>(snapshot);
    m.setClass<ReviewVersion>(reviewVersion);

    // The hot queries: a review by product, country and identifier (the
    // import), unread and per-star counts per product, a rating by product
    // and country, a product by identifier, members of each to-many.
    m.addIndex(review,
        {QStringLiteral("product"), QStringLiteral("rk_fold(\"countryCode\")"),
            QStringLiteral("identifier")});
    m.addIndex(review, {QStringLiteral("product"), QStringLiteral("read")});
    // The date rides along so that the weekly counts per star read the
    // index alone, not the rows with their texts.
    m.addIndex(review,
        {QStringLiteral("product"), QStringLiteral("rating"), QStringLiteral("dateReviewed")});
    // The review list: its default order and its version menu.
    m.addIndex(review, {QStringLiteral("product"), QStringLiteral("dateReviewed")});
    m.addIndex(review, {QStringLiteral("product"), QStringLiteral("version")});
    m.addIndex(review, {QStringLiteral("product"), QStringLiteral("countryCode")});
    m.addIndex(rating, {QStringLiteral("product"), QStringLiteral("rk_fold(\"countryCode\")")});
    m.addIndex(product, {QStringLiteral("identifier")});
    m.addIndex(node, {QStringLiteral("parent")});
    m.addIndex(content, {QStringLiteral("review")});
    m.addIndex(country, {QStringLiteral("priority"), QStringLiteral("isoCode")});
    m.addIndex(gap, {QStringLiteral("product")});
    m.addIndex(reviewVersion, {QStringLiteral("review")});
    // The import's look-up of a day's snapshot and a chart's series, one
    // country in day order or all countries summed per day. Count and
    // average ride along so that the sums never visit the table, whose rows
    // of one product lie scattered among all others: a sixth of the time
    // for some 14 bytes a row.
    m.addIndex(snapshot,
        {QStringLiteral("product"), QStringLiteral("countryCode"), QStringLiteral("day"),
            QStringLiteral("ratingCount"), QStringLiteral("averageRating")});

    // Version 2 keeps gaps (a table of their own, created on upgrade) and
    // knows the storefronts opened since version 1.
    m.addUpgradeStep(1, missingCountriesStatements(countryEntityCode));
    // Version 4 keeps the ratings history, a table of its own created on
    // upgrade; nothing stored before changes. Version 5 keeps the earlier
    // versions of edited reviews, again in a table of its own, and replaces
    // the reviews' rating index by one that also holds the date.
    m.addUpgradeStep(
        4, {QStringLiteral("DROP INDEX IF EXISTS \"rk_index_Review_product_rating\"")});

    model->finalize();
    return model;
}
} // namespace

namespace DataModel {

std::shared_ptr<const ManagedObjectModel> shared()
{
    static const std::shared_ptr<const ManagedObjectModel> model = build();
    return model;
}

} // namespace DataModel
