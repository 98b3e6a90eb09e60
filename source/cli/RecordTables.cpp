#include "cli/RecordTables.h"

#include "catalog/ProductCatalog.h"
#include "model/App.h"
#include "model/Rating.h"
#include "model/RatingSnapshot.h"
#include "model/Review.h"
#include "model/ReviewContent.h"
#include "model/ReviewGap.h"
#include "model/ReviewVersion.h"

namespace {

template<typename T> QVariant optional(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

QVariant text(const QString &value)
{
    return value.isNull() ? QVariant() : QVariant(value);
}

} // namespace

namespace RecordTables {

namespace {

// The word for a product entity, apps told apart by their store kind.
QString kindWord(const QString &entityName, const QString &storeKind)
{
    if (entityName == QLatin1String("Book"))
        return QStringLiteral("book");
    if (entityName == QLatin1String("Podcast"))
        return QStringLiteral("podcast");
    if (entityName == QLatin1String("App"))
        return storeKind.contains(u"mac", Qt::CaseInsensitive) ? QStringLiteral("mac")
                                                               : QStringLiteral("ios");
    return storeKind;
}

} // namespace

QString kindOfResult(const QString &storeKind, const QString &wrapperType)
{
    const QString kind = storeKind.isEmpty() ? wrapperType : storeKind;
    return kindWord(ProductCatalog::entityNameForKindString(kind), kind);
}

QString kindOfProduct(const Product &product)
{
    return kindWord(product.entity().name(), product.kind());
}

OutputTable products(const QList<std::shared_ptr<Product>> &products)
{
    OutputTable table;
    table.columns = {QStringLiteral("identifier"), QStringLiteral("kind"), QStringLiteral("title"),
        QStringLiteral("group"), QStringLiteral("currentVersion"), QStringLiteral("unReadCount"),
        QStringLiteral("reviewsCount"), QStringLiteral("totalAverageRatingForReviews"),
        QStringLiteral("lastReviewsUpdate"), QStringLiteral("lastRatingsUpdate"),
        QStringLiteral("totalRatingCount"), QStringLiteral("totalAverageRating"),
        QStringLiteral("gaps")};
    for (const auto &product : products) {
        const auto parent = product->parent();
        const auto *app = dynamic_cast<const App *>(product.get());
        table.rows << QVariantList {product->identifier(), kindOfProduct(*product),
            text(product->title()), parent ? text(parent->title()) : QVariant(),
            text(product->currentVersion()), product->unReadCount().value_or(0),
            product->reviewsCount(), optional(product->totalAverageRatingForReviews()),
            OutputTable::isoDate(product->lastReviewsUpdate()),
            OutputTable::isoDate(product->lastRatingsUpdate()),
            app ? optional(app->totalRatingCount()) : QVariant(),
            app ? optional(app->totalAverageRating()) : QVariant(), product->reviewGapsCount()};
    }
    return table;
}

OutputTable reviews(const QList<std::shared_ptr<Review>> &reviews, const EarlierVersions &earlier,
    const QString &translatedInto, bool listEarlier)
{
    OutputTable table;
    table.columns = {QStringLiteral("product"), QStringLiteral("identifier"),
        QStringLiteral("countryCode"), QStringLiteral("reviewer"), QStringLiteral("version"),
        QStringLiteral("rating"), QStringLiteral("title"), QStringLiteral("text"),
        QStringLiteral("dateReviewed"), QStringLiteral("completed"), QStringLiteral("read"),
        QStringLiteral("voteSum"), QStringLiteral("voteCount"), QStringLiteral("edited"),
        QStringLiteral("previousRating"), QStringLiteral("response")};
    if (listEarlier)
        table.columns << QStringLiteral("previousVersions");
    for (const auto &review : reviews) {
        const auto product = review->product();
        const auto original = review->originalReviewContent();
        QVariant title = original ? text(original->title()) : QVariant();
        QVariant body = original ? QVariant(QString::fromUtf8(original->data())) : QVariant();
        if (!translatedInto.isEmpty() && review->translatedLanguageCode() == translatedInto) {
            title = text(review->displayTitle());
            body = QString::fromUtf8(review->displayData());
        }
        table.rows << QVariantList {product ? QVariant(product->identifier()) : QVariant(),
            review->identifier(), text(review->countryCode()), text(review->reviewer()),
            text(review->version()), optional(review->rating()), title, body,
            OutputTable::isoDate(review->dateReviewed()), optional(review->completed()),
            review->read().value_or(false), optional(review->voteSum()),
            optional(review->voteCount())};
        const auto versions = earlier.value(review->objectID().rowId);
        table.rows.last() << !versions.isEmpty()
                          << (versions.isEmpty() ? QVariant()
                                                 : optional(versions.last()->rating()));
        const auto reply = review->reply();
        table.rows.last() << (reply
                ? QVariant(QVariantMap {{QStringLiteral("body"), reply->text},
                    {QStringLiteral("state"), reply->state},
                    {QStringLiteral("lastModified"), OutputTable::isoDate(reply->date)}})
                : QVariant());
        if (listEarlier) {
            QVariantList list;
            for (const auto &version : versions)
                list << QVariantMap {{QStringLiteral("rating"), optional(version->rating())},
                    {QStringLiteral("version"), text(version->version())},
                    {QStringLiteral("title"), text(version->title())},
                    {QStringLiteral("text"), QString::fromUtf8(version->data())},
                    {QStringLiteral("dateReviewed"), OutputTable::isoDate(version->dateReviewed())},
                    {QStringLiteral("dateReplaced"),
                        OutputTable::isoDate(version->dateReplaced())}};
            table.rows.last() << QVariant(list);
        }
    }
    return table;
}

OutputTable ratings(const QList<std::shared_ptr<Rating>> &ratings)
{
    OutputTable table;
    table.columns = {QStringLiteral("product"), QStringLiteral("countryCode"),
        QStringLiteral("ratingCount"), QStringLiteral("averageRating"),
        QStringLiteral("ratingCountForCurrentVersion"),
        QStringLiteral("averageRatingForCurrentVersion"), QStringLiteral("dateUpdated")};
    for (const auto &rating : ratings) {
        const auto product = rating->product();
        table.rows << QVariantList {product ? QVariant(product->identifier()) : QVariant(),
            text(rating->countryCode()), optional(rating->ratingCount()),
            optional(rating->averageRating()), optional(rating->ratingCountForCurrentVersion()),
            optional(rating->averageRatingForCurrentVersion()),
            OutputTable::isoDate(rating->dateUpdated())};
    }
    return table;
}

OutputTable ratingHistory(const QList<std::shared_ptr<RatingSnapshot>> &snapshots)
{
    OutputTable table;
    table.columns = {QStringLiteral("day"), QStringLiteral("countryCode"),
        QStringLiteral("ratingCount"), QStringLiteral("averageRating"),
        QStringLiteral("ratingCountForCurrentVersion"),
        QStringLiteral("averageRatingForCurrentVersion"), QStringLiteral("currentVersion")};
    for (const auto &snapshot : snapshots) {
        const QDate day = snapshot->day().toUTC().date();
        table.rows << QVariantList {
            day.isValid() ? QVariant(day.toString(Qt::ISODate)) : QVariant(),
            text(snapshot->countryCode()), optional(snapshot->ratingCount()),
            optional(snapshot->averageRating()), optional(snapshot->ratingCountForCurrentVersion()),
            optional(snapshot->averageRatingForCurrentVersion()), text(snapshot->currentVersion())};
    }
    return table;
}

OutputTable gaps(const QList<std::shared_ptr<ReviewGap>> &gaps)
{
    OutputTable table;
    table.columns = {QStringLiteral("product"), QStringLiteral("title"),
        QStringLiteral("countryCode"), QStringLiteral("from"), QStringLiteral("to"),
        QStringLiteral("noticed")};
    for (const auto &gap : gaps) {
        const auto product = gap->product();
        table.rows << QVariantList {product ? QVariant(product->identifier()) : QVariant(),
            product ? text(product->title()) : QVariant(), text(gap->countryCode()),
            OutputTable::isoDate(gap->fromDate()), OutputTable::isoDate(gap->toDate()),
            OutputTable::isoDate(gap->dateNoticed())};
    }
    return table;
}

} // namespace RecordTables
