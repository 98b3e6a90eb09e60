#include "model/ForwardRules.h"

#include <cmath>

namespace {

const QString kProducts = QStringLiteral("products");
const QString kMinRating = QStringLiteral("minRating");
const QString kMaxRating = QStringLiteral("maxRating");
const QString kCountries = QStringLiteral("countries");
const QString kKeywords = QStringLiteral("keywords");
const QString kEdited = QStringLiteral("edited");

int starsOr(const QVariant &value, int fallback)
{
    bool ok = false;
    const int stars = value.toInt(&ok);
    return ok && stars >= 1 && stars <= 5 ? stars : fallback;
}

} // namespace

QVariantMap ForwardRules::toMap() const
{
    return {{kProducts, products}, {kMinRating, minRating}, {kMaxRating, maxRating},
        {kCountries, countries}, {kKeywords, keywords}, {kEdited, edited}};
}

ForwardRules ForwardRules::fromMap(const QVariantMap &map)
{
    ForwardRules rules;
    rules.products = map.value(kProducts).toStringList();
    rules.minRating = starsOr(map.value(kMinRating), 1);
    rules.maxRating = starsOr(map.value(kMaxRating), 5);
    rules.countries = map.value(kCountries).toStringList();
    rules.keywords = map.value(kKeywords).toStringList();
    rules.edited = map.value(kEdited, true).toBool();
    return rules;
}

bool ForwardRules::matches(const QString &productIdentifier, const QString &countryCode,
    std::optional<double> rating, const QString &title, const QString &text, bool isEdit) const
{
    if (isEdit && !edited)
        return false;
    if (!products.isEmpty() && !products.contains(productIdentifier))
        return false;
    // A review without stars passes only a range that is left open.
    const int stars = rating ? int(std::lround(*rating)) : 0;
    if ((minRating > 1 || maxRating < 5) && (stars < minRating || stars > maxRating))
        return false;
    if (!countries.isEmpty() && !countries.contains(countryCode, Qt::CaseInsensitive))
        return false;
    if (keywords.isEmpty())
        return true;
    for (const QString &keyword : keywords) {
        if (title.contains(keyword, Qt::CaseInsensitive)
            || text.contains(keyword, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString ForwardRules::summary() const
{
    QStringList parts;
    parts << (products.isEmpty() ? QStringLiteral("all products")
                                 : QStringLiteral("products ") + products.join(QLatin1Char(',')));
    parts << (minRating == maxRating ? QStringLiteral("%1 stars").arg(minRating)
                                     : QStringLiteral("%1–%2 stars").arg(minRating).arg(maxRating));
    parts << (countries.isEmpty()
            ? QStringLiteral("all countries")
            : QStringLiteral("countries ") + countries.join(QLatin1Char(',')).toUpper());
    if (!keywords.isEmpty())
        parts << QStringLiteral("keywords ") + keywords.join(QLatin1Char(','));
    if (!edited)
        parts << QStringLiteral("no edits");
    return parts.join(QStringLiteral(", "));
}
