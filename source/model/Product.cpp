#include "model/Product.h"

#include "model/Rating.h"
#include "model/RecordKeys.h"
#include "model/Review.h"
#include "model/ReviewGap.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"

void Product::awakeFromInsert()
{
    BaseNode::awakeFromInsert();
    // No code sets these for new products, and the sidebar, the delete
    // action and the review-list filter depend on them.
    setFlags(true, false, true, true);
    if (!value(RecordKey::selectedVersion).isValid())
        setPrimitiveValue(RecordKey::selectedVersion, QStringLiteral("***"));
    if (!value(RecordKey::selectedCountryCode).isValid())
        setPrimitiveValue(RecordKey::selectedCountryCode, QStringLiteral("***"));
    startObserving();
}

QList<std::shared_ptr<Review>> Product::reviews() const
{
    return recordsCast<Review>(objects(RecordKey::reviews));
}

QList<std::shared_ptr<Rating>> Product::ratings() const
{
    return recordsCast<Rating>(objects(RecordKey::ratings));
}

QList<std::shared_ptr<ReviewGap>> Product::reviewGaps() const
{
    return recordsCast<ReviewGap>(objects(RecordKey::reviewGaps));
}

int Product::numPagesForReviewsRequest() const
{
    if (!lastReviewsUpdate().isValid())
        return 10;
    if (countOfObjects(RecordKey::reviews) < 51)
        return 1;
    ManagedObjectContext *context = managedObjectContext();
    if (!context)
        return 1;
    FetchRequest request(QStringLiteral("Review"));
    request.predicate =
        Predicate::format(QStringLiteral("product == %@ AND completed == NO"), this);
    return context->countForFetchRequest(request) > 0 ? 10 : 1;
}

QUrl Product::urlForCountryCode(const QString &countryCode) const
{
    const QVariant link = jsonData().value(QStringLiteral("trackViewUrl"));
    if (link.metaType().id() != QMetaType::QString)
        return {};
    QUrl url(link.toString(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return {};
    QStringList segments = url.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (segments.isEmpty())
        return {};
    segments[0] = countryCode.toLower();
    url.setPath(QLatin1Char('/') + segments.join(QLatin1Char('/'))
        + (url.path().endsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString()));
    return url;
}
