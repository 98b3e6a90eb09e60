#include "model/DataModel.h"

#include "model/App.h"
#include "model/AppGroup.h"
#include "model/Book.h"
#include "model/BookGroup.h"
#include "model/Country.h"
#include "model/ForwardDestination.h"
#include "model/OutboxEntry.h"
#include "model/CountryTable.h"
#include "model/Podcast.h"
#include "model/PodcastGroup.h"
#include "model/Rating.h"
#include "model/RatingSnapshot.h"
#include "model/RecordKeys.h"
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
    m.addEntity(QStringLiteral("ForwardDestination"));
    m.addEntity(QStringLiteral("OutboxEntry"));

    const QString node = QStringLiteral("BaseNode");
    for (const QString &name : {RecordKey::uuid, RecordKey::title})
        m.addAttribute(node, name, T::String);
    m.addAttribute(node, RecordKey::sortIndex, T::Integer);
    for (const QString &name : {RecordKey::isLeaf, RecordKey::isGroupRowStyle,
             RecordKey::isSelectable, RecordKey::isEditable})
        m.addAttribute(node, name, T::Boolean);
    for (const QString &name :
        {RecordKey::dateCreated, RecordKey::dateModified, RecordKey::dateDeleted})
        m.addAttribute(node, name, T::Date);
    m.addRelationship(node, RecordKey::parent, node, RecordKey::children, DeleteRule::Nullify);

    const QString product = QStringLiteral("Product");
    for (const QString &name : {RecordKey::identifier, RecordKey::kind, RecordKey::currentVersion,
             RecordKey::selectedCountryCode, RecordKey::selectedVersion})
        m.addAttribute(product, name, T::String);
    m.addAttribute(product, RecordKey::jsonData, T::Object);
    m.addAttribute(product, RecordKey::image, T::Object);
    for (const QString &name : {RecordKey::currentVersionReleaseDate, RecordKey::dateUpdated,
             RecordKey::lastReviewsUpdate, RecordKey::lastRatingsUpdate})
        m.addAttribute(product, name, T::Date);
    m.addAttribute(product, RecordKey::excludeFromAutoUpdate, T::Boolean);

    const QString country = QStringLiteral("Country");
    for (const QString &name : {RecordKey::isoCode, RecordKey::region, RecordKey::uuid})
        m.addAttribute(country, name, T::String);
    m.addAttribute(country, RecordKey::priority, T::Integer);
    m.addAttribute(country, RecordKey::dateUpdated, T::Date);

    const QString review = QStringLiteral("Review");
    for (const QString &name :
        {RecordKey::identifier, RecordKey::countryCode, RecordKey::reviewer, RecordKey::version,
            RecordKey::displayTitle, RecordKey::translatedLanguageCode, RecordKey::uuid})
        m.addAttribute(review, name, T::String);
    m.addAttribute(review, RecordKey::rating, T::Float);
    m.addAttribute(review, RecordKey::voteSum, T::Integer);
    m.addAttribute(review, RecordKey::voteCount, T::Integer);
    for (const QString &name :
        {RecordKey::dateReviewed, RecordKey::dateCreated, RecordKey::dateUpdated})
        m.addAttribute(review, name, T::Date);
    for (const QString &name : {RecordKey::completed, RecordKey::read, RecordKey::translated})
        m.addAttribute(review, name, T::Boolean);
    m.addAttribute(review, RecordKey::displayData, T::Data);
    // Reviews the developer's own account reads through App Store Connect
    // keep its identifier, and the developer's reply to them. Version 6.
    for (const QString &name : {RecordKey::connectIdentifier, RecordKey::replyIdentifier,
             RecordKey::replyText, RecordKey::replyState})
        m.addAttribute(review, name, T::String);
    m.addAttribute(review, RecordKey::replyDate, T::Date);
    // Reviews and ratings have no life without their product.
    m.addRelationship(review, RecordKey::product, product, RecordKey::reviews, DeleteRule::Cascade);

    const QString content = QStringLiteral("ReviewContent");
    for (const QString &name : {RecordKey::title, RecordKey::languageCode, RecordKey::uuid})
        m.addAttribute(content, name, T::String);
    m.addAttribute(content, RecordKey::data, T::Data);
    m.addAttribute(content, RecordKey::dateTranslated, T::Date);
    m.addRelationship(
        content, RecordKey::review, review, RecordKey::reviewContents, DeleteRule::Cascade);

    const QString rating = QStringLiteral("Rating");
    m.addAttribute(rating, RecordKey::countryCode, T::String);
    m.addAttribute(rating, RecordKey::uuid, T::String);
    m.addAttribute(rating, RecordKey::ratingCount, T::Integer);
    m.addAttribute(rating, RecordKey::ratingCountForCurrentVersion, T::Integer);
    m.addAttribute(rating, RecordKey::averageRating, T::Float);
    m.addAttribute(rating, RecordKey::averageRatingForCurrentVersion, T::Float);
    m.addAttribute(rating, RecordKey::dateCreated, T::Date);
    m.addAttribute(rating, RecordKey::dateUpdated, T::Date);
    m.addRelationship(rating, RecordKey::product, product, RecordKey::ratings, DeleteRule::Cascade);

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
    for (const QString &name : {RecordKey::countryCode, RecordKey::uuid})
        m.addAttribute(gap, name, T::String);
    for (const QString &name : {RecordKey::fromDate, RecordKey::toDate, RecordKey::dateNoticed})
        m.addAttribute(gap, name, T::Date);
    m.addRelationship(gap, RecordKey::product, product, RecordKey::reviewGaps, DeleteRule::Cascade);

    // The ratings history: no uuid and no dates beyond the day, to keep a
    // row small; an app's history goes with the app.
    const QString snapshot = QStringLiteral("RatingSnapshot");
    for (const QString &name : {RecordKey::countryCode, RecordKey::currentVersion})
        m.addAttribute(snapshot, name, T::String);
    m.addAttribute(snapshot, RecordKey::day, T::Date);
    for (const QString &name : {RecordKey::ratingCount, RecordKey::ratingCountForCurrentVersion})
        m.addAttribute(snapshot, name, T::Integer);
    for (const QString &name :
        {RecordKey::averageRating, RecordKey::averageRatingForCurrentVersion})
        m.addAttribute(snapshot, name, T::Float);
    m.addRelationship(
        snapshot, RecordKey::product, product, RecordKey::ratingSnapshots, DeleteRule::Cascade);

    // What an edited review showed before: its rating, version, date, title
    // and text, and the translations of that text, which belong to it and
    // not to the new one. Kept with the review and deleted with it.
    const QString reviewVersion = QStringLiteral("ReviewVersion");
    for (const QString &name : {RecordKey::version, RecordKey::title})
        m.addAttribute(reviewVersion, name, T::String);
    m.addAttribute(reviewVersion, RecordKey::rating, T::Float);
    m.addAttribute(reviewVersion, RecordKey::data, T::Data);
    // A list of maps: languageCode, title, data, dateTranslated.
    m.addAttribute(reviewVersion, RecordKey::translations, T::Object);
    for (const QString &name : {RecordKey::dateReviewed, RecordKey::dateReplaced})
        m.addAttribute(reviewVersion, name, T::Date);
    m.addRelationship(
        reviewVersion, RecordKey::review, review, RecordKey::previousVersions, DeleteRule::Cascade);

    // Where new reviews are posted, and the reviews waiting to be: an entry
    // goes with its destination and with its review. Version 7.
    const QString destination = QStringLiteral("ForwardDestination");
    for (const QString &name :
        {RecordKey::kind, RecordKey::host, RecordKey::uuid, RecordKey::pausedReason})
        m.addAttribute(destination, name, T::String);
    for (const QString &name : {RecordKey::number, RecordKey::failures})
        m.addAttribute(destination, name, T::Integer);
    m.addAttribute(destination, RecordKey::rules, T::Object);
    for (const QString &name : {RecordKey::dateCreated, RecordKey::nextAttempt})
        m.addAttribute(destination, name, T::Date);
    const QString outbox = QStringLiteral("OutboxEntry");
    m.addAttribute(outbox, RecordKey::edited, T::Boolean);
    m.addAttribute(outbox, RecordKey::dateQueued, T::Date);
    m.addAttribute(outbox, RecordKey::deliveryId, T::String);
    m.addRelationship(
        outbox, RecordKey::destination, destination, RecordKey::outboxEntries, DeleteRule::Cascade);
    m.addRelationship(outbox, RecordKey::review, review, RecordKey::outboxEntries, DeleteRule::Cascade);

    m.setClass<Rating>(rating);
    m.setClass<ReviewGap>(gap);
    m.setClass<RatingSnapshot>(snapshot);
    m.setClass<ReviewVersion>(reviewVersion);
    m.setClass<ForwardDestination>(destination);
    m.setClass<OutboxEntry>(outbox);

    // The hot queries: a review by product, country and identifier (the
    // import), unread and per-star counts per product, a rating by product
    // and country, a product by identifier, members of each to-many.
    m.addIndex(review,
        {RecordKey::product, QStringLiteral("rk_fold(\"countryCode\")"), RecordKey::identifier});
    m.addIndex(review, {RecordKey::product, RecordKey::read});
    // The date rides along so that the weekly counts per star read the
    // index alone, not the rows with their texts.
    m.addIndex(review, {RecordKey::product, RecordKey::rating, RecordKey::dateReviewed});
    // The review list: its default order and its version menu.
    m.addIndex(review, {RecordKey::product, RecordKey::dateReviewed});
    m.addIndex(review, {RecordKey::product, RecordKey::version});
    m.addIndex(review, {RecordKey::product, RecordKey::countryCode});
    m.addIndex(review, {RecordKey::product, RecordKey::connectIdentifier});
    m.addIndex(rating, {RecordKey::product, QStringLiteral("rk_fold(\"countryCode\")")});
    m.addIndex(product, {RecordKey::identifier});
    m.addIndex(node, {RecordKey::parent});
    m.addIndex(content, {RecordKey::review});
    m.addIndex(country, {RecordKey::priority, RecordKey::isoCode});
    m.addIndex(gap, {RecordKey::product});
    m.addIndex(reviewVersion, {RecordKey::review});
    m.addIndex(outbox, {RecordKey::destination});
    m.addIndex(outbox, {RecordKey::review});
    // The import's look-up of a day's snapshot and a chart's series, one
    // country in day order or all countries summed per day. Count and
    // average ride along so that the sums never visit the table, whose rows
    // of one product lie scattered among all others: a sixth of the time
    // for some 14 bytes a row.
    m.addIndex(snapshot,
        {RecordKey::product, RecordKey::countryCode, RecordKey::day, RecordKey::ratingCount,
            RecordKey::averageRating});

    // Version 2 keeps gaps (a table of their own, created on upgrade) and
    // knows the storefronts opened since version 1.
    m.addUpgradeStep(1, missingCountriesStatements(countryEntityCode));
    // Version 4 keeps the ratings history, a table of its own created on
    // upgrade; nothing stored before changes. Version 5 keeps the earlier
    // versions of edited reviews, again in a table of its own, and replaces
    // the reviews' rating index by one that also holds the date.
    m.addUpgradeStep(
        4, {QStringLiteral("DROP INDEX IF EXISTS \"rk_index_Review_product_rating\"")});
    // Version 6 adds the App Store Connect identifier and the reply to the
    // reviews; the new columns are empty for every review stored before.
    // Version 7 adds forwarding destinations and their outbox, two tables of
    // their own; nothing stored before changes.

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
