#include "update/StoreLookup.h"

#include "model/Product.h"
#include "net/Downloader.h"
#include "net/ISO8601DateFormatter.h"

namespace {

QVariantMap asMap(const QVariantMap &result)
{
    return result;
}

QVariantMap asMap(const QJsonObject &result)
{
    return result.toVariantMap();
}

// A lookup answer is read the same as JSON or as the map a search result
// arrives in.
template<typename Result>
bool apply(Product &product, const Result &result, LookupScope scope, const QDateTime &now)
{
    bool changed = false;
    if (scope == LookupScope::Product) {
        const QString title = result.value(QStringLiteral("trackName")).toString();
        if (!title.isEmpty() && title != product.title()) {
            product.setTitle(title);
            changed = true;
        }
        const QVariantMap data = asMap(result);
        if (!data.isEmpty() && data != product.jsonData()) {
            product.setJsonData(data);
            changed = true;
        }
    }

    const QString text = result.value(QStringLiteral("currentVersionReleaseDate")).toString();
    const QDateTime released =
        text.isEmpty() ? QDateTime() : Downloader::isoDateFormatter().dateFromString(text);
    const QDateTime stored = product.currentVersionReleaseDate();
    if (released.isValid() && (!stored.isValid() || released > stored)) {
        product.setCurrentVersionReleaseDate(released);
        product.setCurrentVersion(result.value(QStringLiteral("version")).toString());
        changed = true;
    }

    if (changed)
        product.setDateUpdated(now);
    return changed;
}

} // namespace

bool applyStoreLookup(
    Product &product, const QJsonObject &result, LookupScope scope, const QDateTime &now)
{
    return apply(product, result, scope, now);
}

bool applyStoreLookup(
    Product &product, const QVariantMap &result, LookupScope scope, const QDateTime &now)
{
    return apply(product, result, scope, now);
}
