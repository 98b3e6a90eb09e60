#include "model/App.h"

#include "model/HalfStarRounding.h"
#include "model/Rating.h"
#include "platform/StringFormat.h"

void App::ensureTotals() const
{
    if (!totalsComputed_)
        const_cast<App *>(this)->updateRatingTotals();
}

App::Totals App::computeTotals(const QString &averageKey, const QString &countKey) const
{
    Totals totals;
    if (!computesDerivedValues())
        return totals;
    const QList<std::shared_ptr<Rating>> all = ratings();
    double sum = 0;
    qint64 rated = 0;
    qint64 count = 0;
    for (const auto &rating : all) {
        const double average = rating->value(averageKey).toDouble();
        if (average > 0) {
            sum += average;
            ++rated;
        }
        count += rating->value(countKey).toLongLong();
    }
    // Every country with a rating weighs the same, whatever its count.
    if (all.isEmpty() || rated == 0 || !(sum / double(rated) > 0))
        return totals;
    totals.count = count;
    totals.average = halfStarRounded(sum / double(rated));
    totals.summary = formatString(localized("App", "%ld %@ / %ld %@"), count,
        count < 2 ? localized("App", "Rating") : localized("App", "Ratings"), rated,
        rated < 2 ? localized("App", "Country") : localized("App", "Countries"));
    return totals;
}

void App::updateTotalAverageRating()
{
    totalsComputed_ = true;
    overall_ = computeTotals(RecordKey::averageRating, RecordKey::ratingCount);
    announce({QStringLiteral("totalRatingCount"), QStringLiteral("totalAverageRating"),
        QStringLiteral("totalAverageRatingString")});
}

void App::updateTotalAverageRatingForCurrentVersion()
{
    totalsComputed_ = true;
    currentVersion_ = computeTotals(
        RecordKey::averageRatingForCurrentVersion, RecordKey::ratingCountForCurrentVersion);
    announce({QStringLiteral("totalRatingCountForCurrentVersion"),
        QStringLiteral("totalAverageRatingForCurrentVersion"),
        QStringLiteral("totalAverageRatingForCurrentVersionString")});
}

void App::updateRatingTotals()
{
    updateTotalAverageRating();
    updateTotalAverageRatingForCurrentVersion();
}

std::optional<qint64> App::totalRatingCount() const
{
    ensureTotals();
    return overall_.count;
}

std::optional<double> App::totalAverageRating() const
{
    ensureTotals();
    return overall_.average;
}

QString App::totalAverageRatingString() const
{
    ensureTotals();
    return overall_.summary;
}

std::optional<qint64> App::totalRatingCountForCurrentVersion() const
{
    ensureTotals();
    return currentVersion_.count;
}

std::optional<double> App::totalAverageRatingForCurrentVersion() const
{
    ensureTotals();
    return currentVersion_.average;
}

QString App::totalAverageRatingForCurrentVersionString() const
{
    ensureTotals();
    return currentVersion_.summary;
}

QString App::toolTip() const
{
    const QString kind = this->kind();
    if (kind == u"mac-software")
        return formatString(QStringLiteral("%@%@"), title(), QStringLiteral(" | OS X"));
    if (kind == u"software")
        return formatString(QStringLiteral("%@%@"), title(), QStringLiteral(" | iOS"));
    return title();
}

QVariant App::valueForKey(const QString &key) const
{
    const auto optional = [](const auto &value) {
        return value ? QVariant::fromValue(*value) : QVariant();
    };
    const auto text = [](const QString &value) {
        return value.isEmpty() ? QVariant() : QVariant(value);
    };
    if (key == u"totalRatingCount")
        return optional(totalRatingCount());
    if (key == u"totalAverageRating")
        return optional(totalAverageRating());
    if (key == u"totalAverageRatingString")
        return text(totalAverageRatingString());
    if (key == u"totalRatingCountForCurrentVersion")
        return optional(totalRatingCountForCurrentVersion());
    if (key == u"totalAverageRatingForCurrentVersion")
        return optional(totalAverageRatingForCurrentVersion());
    if (key == u"totalAverageRatingForCurrentVersionString")
        return text(totalAverageRatingForCurrentVersionString());
    return Product::valueForKey(key);
}
