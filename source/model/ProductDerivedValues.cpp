// The values a product computes in memory: unread count, star totals and the
// average of its reviews, kept in step with the store's changes.

#include "Resources.h"
#include "model/DerivedValues.h"
#include "model/HalfStarRounding.h"
#include "model/Product.h"
#include "model/RecordChangeRouter.h"
#include "model/RecordKeys.h"
#include "model/StoreQueries.h"
#include "platform/StringFormat.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"

namespace {

QString starKey(const QVariant &rating)
{
    if (!rating.isValid() || rating.isNull())
        return QString();
    // A whole star value prints without a fraction: 5 gives "5".
    return QString::number(rating.toDouble(), 'g', 6);
}

} // namespace

const QString Product::allValues = QStringLiteral("***");

QString Product::filterValue(const QString &stored)
{
    return stored.isEmpty() || stored == allValues ? QString() : stored;
}

bool Product::computesDerivedValues() const
{
    ManagedObjectContext *context = managedObjectContext();
    return context
        && context->concurrencyType() == ManagedObjectContext::ConcurrencyType::MainQueue;
}

void Product::startObserving()
{
    if (observing_ || !computesDerivedValues())
        return;
    if (auto router = RecordChangeRouter::forContext(managedObjectContext())) {
        router->addProduct(this);
        observing_ = true;
    }
}

void Product::stopObserving()
{
    if (!observing_)
        return;
    observing_ = false;
    if (auto router = RecordChangeRouter::forContext(managedObjectContext()))
        router->removeProduct(this);
}

void Product::awakeFromFetch()
{
    BaseNode::awakeFromFetch();
    // The counts themselves are computed on first read.
    startObserving();
}

void Product::willTurnIntoFault()
{
    stopObserving();
    BaseNode::willTurnIntoFault();
}

void Product::prepareForDeletion()
{
    stopObserving();
    BaseNode::prepareForDeletion();
}

void Product::announce(const QStringList &keys) const
{
    DerivedValues::shared().announce(objectID().rowId, keys);
}

std::optional<qint64> Product::unReadCount() const
{
    if (!unreadComputed_)
        const_cast<Product *>(this)->updateUnReadCount();
    return unReadCount_;
}

void Product::updateUnReadCount()
{
    ++unreadRecounts_;
    unreadComputed_ = true;
    std::optional<qint64> count;
    if (ManagedObjectContext *context = managedObjectContext();
        context && computesDerivedValues()) {
        FetchRequest request(QStringLiteral("Review"));
        request.predicate = Predicate::format(QStringLiteral("product == %@ AND read == NO"), this);
        const qint64 found = context->countForFetchRequest(request);
        if (found > 0)
            count = found;
    }
    if (count != unReadCount_) {
        unReadCount_ = count;
        announce({QStringLiteral("unReadCount")});
    }
}

void Product::ensureStarsComputed() const
{
    if (!starsComputed_)
        const_cast<Product *>(this)->updateReviewsGroupedByStarsForProduct();
}

QMap<QString, qint64> Product::reviewsGroupedByStarsForProduct() const
{
    ensureStarsComputed();
    return stars_;
}

std::optional<double> Product::totalAverageRatingForReviews() const
{
    ensureStarsComputed();
    return averageForReviews_;
}

qint64 Product::reviewsCount() const
{
    ensureStarsComputed();
    qint64 sum = 0;
    for (qint64 total : std::as_const(stars_))
        sum += total;
    return sum;
}

qint64 Product::maxStarsTotal() const
{
    ensureStarsComputed();
    qint64 most = 0;
    for (qint64 total : std::as_const(stars_))
        most = std::max(most, total);
    return most;
}

qint64 Product::starsTotal(int stars) const
{
    ensureStarsComputed();
    return stars_.value(QString::number(stars), 0);
}

void Product::updateReviewsGroupedByStarsForProduct()
{
    starsComputed_ = true;
    const QString version = filterValue(selectedVersion());
    const QString country = filterValue(selectedCountryCode());
    QMap<QString, qint64> stars;
    QList<QVariantMap> groups;
    if (computesDerivedValues()) {
        groups = StoreQueries::reviewsGroupedByStarsForProduct(
            managedObjectContext(), this, country, version)
                     .value_or(QList<QVariantMap>());
        for (const QVariantMap &group : std::as_const(groups))
            stars[starKey(group.value(RecordKey::rating))] +=
                group.value(QStringLiteral("total")).toLongLong();
    }
    stars_ = stars;
    averageForReviews_ = averageOfGroups(groups);
    announce({QStringLiteral("reviewsGroupedByStarsForProduct"), QStringLiteral("reviewsCount"),
        QStringLiteral("maxStarsTotal"), QStringLiteral("totalAverageRatingForReviews")});
}

void Product::updateTotalAverageRatingForReviews(const QString &version, const QString &countryCode)
{
    averageForReviews_.reset();
    if (!computesDerivedValues())
        return;
    const auto groups = StoreQueries::reviewsGroupedByStarsForProduct(
        managedObjectContext(), this, filterValue(countryCode), filterValue(version));
    averageForReviews_ = averageOfGroups(groups.value_or(QList<QVariantMap>()));
}

std::optional<double> Product::averageOfGroups(const QList<QVariantMap> &groups)
{
    // The average of the rated reviews, from the per-rating counts of one
    // grouped query instead of loading every review: each group is one
    // rating value and how many reviews have it. Sums are single precision.
    float sum = 0;
    qint64 count = 0;
    for (const QVariantMap &group : groups) {
        const QVariant rating = group.value(RecordKey::rating);
        if (!rating.isValid() || rating.isNull() || !(rating.toDouble() > 0))
            continue;
        const qint64 total = group.value(QStringLiteral("total")).toLongLong();
        sum += float(rating.toDouble()) * float(total);
        count += total;
    }
    if (count > 0) {
        const float average = sum / float(count);
        if (average > 0)
            return halfStarRounded(average);
    }
    return std::nullopt;
}

void Product::setSelectedVersion(const QString &version)
{
    setValue(RecordKey::selectedVersion, version.isNull() ? QVariant() : QVariant(version));
    updateReviewsGroupedByStarsForProduct();
}

void Product::setSelectedCountryCode(const QString &countryCode)
{
    setValue(
        RecordKey::selectedCountryCode, countryCode.isNull() ? QVariant() : QVariant(countryCode));
    updateReviewsGroupedByStarsForProduct();
}

QString Product::toolTip() const
{
    return title();
}

QImage Product::image() const
{
    const QVariant stored = value(RecordKey::image);
    QImage artwork;
    if (stored.canConvert<QImage>() && stored.typeId() == QMetaType::QImage)
        artwork = stored.value<QImage>();
    else if (stored.typeId() == QMetaType::QByteArray)
        artwork = QImage::fromData(stored.toByteArray());
    if (!artwork.isNull())
        return artwork;
    const QString placeholder = placeholderImageName();
    return placeholder.isEmpty() ? QImage() : QImage(Resources::imagePath(placeholder));
}

QVariant Product::valueForKey(const QString &key) const
{
    const auto optional = [](const auto &value) {
        return value ? QVariant::fromValue(*value) : QVariant();
    };
    if (key == u"unReadCount")
        return optional(unReadCount());
    if (key == u"totalAverageRatingForReviews")
        return optional(totalAverageRatingForReviews());
    if (key == u"reviewsCount")
        return reviewsCount();
    if (key == u"maxStarsTotal")
        return maxStarsTotal();
    if (key == u"toolTip")
        return toolTip();
    return BaseNode::valueForKey(key);
}
