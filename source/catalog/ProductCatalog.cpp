#include "catalog/ProductCatalog.h"

#include "model/Group.h"
#include "model/Product.h"
#include "net/Downloader.h"
#include "net/RequestQueue.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/StoreLookup.h"

#include <QJsonArray>
#include <QSet>

#include <cmath>

namespace {

QVariant resultValue(const QVariantMap &result, const QString &key)
{
    // A JSON null reads as absent.
    const QVariant value = result.value(key);
    return value.isNull() ? QVariant() : value;
}

} // namespace

ProductCatalog::ProductCatalog(ManagedObjectContext &context, SaveHandler save, QObject *parent)
    : QObject(parent),
      context_(context),
      save_(std::move(save)),
      artworkQueue_(new RequestQueue(this))
{
    artworkQueue_->setMaxConcurrentRequestCount(2);
}

ProductCatalog::~ProductCatalog()
{
    artworkQueue_->cancelAllRequests();
}

QString ProductCatalog::entityNameForKindString(const QString &kind)
{
    if (kind.contains(u"software", Qt::CaseInsensitive))
        return QStringLiteral("App");
    if (kind.contains(u"ebook", Qt::CaseInsensitive))
        return QStringLiteral("Book");
    if (kind.contains(u"podcast", Qt::CaseInsensitive))
        return QStringLiteral("Podcast");
    return {};
}

std::optional<QString> ProductCatalog::trackIdForResult(const QVariantMap &result)
{
    const QVariant value = resultValue(result, QStringLiteral("trackId"));
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toString();
    case QMetaType::Double: {
        // JSON numbers that did not fit a whole number type; only whole
        // values make an id.
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 9.0e15)
            return QString::number(qint64(number));
        break;
    }
    case QMetaType::QString:
        if (!value.toString().isEmpty())
            return value.toString();
        break;
    default:
        break;
    }
    logLine(QStringLiteral("Invalid trackId"));
    return std::nullopt;
}

QList<QVariantMap> ProductCatalog::resultsFromVariant(const QVariant &results)
{
    QList<QVariantMap> list;
    const QVariantList items = results.typeId() == QMetaType::QJsonArray
        ? results.toJsonArray().toVariantList()
        : results.toList();
    for (const QVariant &item : items) {
        if (item.typeId() == QMetaType::QJsonObject)
            list << item.toJsonObject().toVariantMap();
        else if (item.typeId() == QMetaType::QVariantMap)
            list << item.toMap();
    }
    return list;
}

QVariantList ProductCatalog::resultsToVariant(const QList<QJsonObject> &results)
{
    QVariantList list;
    for (const QJsonObject &result : results)
        list << result.toVariantMap();
    return list;
}

std::shared_ptr<Group> ProductCatalog::groupForEntityNamed(const QString &entityName)
{
    if (entityName.isEmpty())
        return nullptr;
    const QString groupEntity = entityName + QStringLiteral("Group");
    FetchRequest request(groupEntity);
    request.fetchLimit = 1;
    Error error;
    const auto found = context_.fetch<Group>(request, &error);
    if (error)
        return nullptr;
    if (!found.isEmpty())
        return found.first();

    const qint64 rootNodes = context_.countForFetchRequest(FetchRequest(QStringLiteral("Group")));
    context_.disableUndo();
    auto group = context_.insertNewObject<Group>(groupEntity);
    if (group)
        group->setSortIndex(std::max<qint64>(rootNodes, 0));
    context_.enableUndo();
    if (group)
        save();
    return group;
}

QSet<QString> ProductCatalog::storedIdentifiers(const QStringList &identifiers) const
{
    QSet<QString> stored;
    if (identifiers.isEmpty())
        return stored;
    // A record fetch sees products added but not saved yet, which a
    // dictionary fetch of committed rows would miss.
    FetchRequest request(QStringLiteral("Product"));
    request.predicate = Predicate::format(QStringLiteral("identifier IN %@"), identifiers);
    for (const auto &product : context_.fetch<Product>(request))
        stored.insert(product->identifier());
    return stored;
}

qint64 ProductCatalog::nextSortIndexInGroup(const std::shared_ptr<Group> &group) const
{
    qint64 next = 0;
    for (const auto &child : group->children())
        next = std::max(next, child->sortIndex().value_or(-1) + 1);
    return next;
}

ProductCatalog::Products ProductCatalog::addProductsForResults(const QList<QVariantMap> &results)
{
    Products added;
    if (results.isEmpty())
        return added;

    QList<std::pair<QVariantMap, std::optional<QString>>> candidates;
    QStringList identifiers;
    for (const QVariantMap &result : results) {
        const auto identifier = trackIdForResult(result);
        candidates.append({result, identifier});
        if (identifier)
            identifiers << *identifier;
    }
    // Each id is tracked once: a stored id, or one repeated in this batch,
    // would make a second product that every update merges twice.
    QSet<QString> taken = storedIdentifiers(identifiers);
    QList<std::pair<QVariantMap, std::optional<QString>>> remaining;
    for (const auto &candidate : candidates) {
        if (candidate.second) {
            if (taken.contains(*candidate.second))
                continue;
            // A result that will be skipped for its kind takes no id.
            const QString kind = resultValue(candidate.first, QStringLiteral("kind")).toString();
            if (!entityNameForKindString(kind).isEmpty())
                taken.insert(*candidate.second);
        }
        remaining.append(candidate);
    }
    if (remaining.isEmpty())
        return added;

    qint64 counter = 0;
    for (const auto &[result, identifier] : remaining) {
        const QString kind = resultValue(result, QStringLiteral("kind")).toString();
        const QString entityName = entityNameForKindString(kind);
        if (entityName.isEmpty()) {
            logLine(formatString(QStringLiteral("Unknown product type: %@"), kind));
            continue;
        }
        const auto group = groupForEntityNamed(entityName);
        if (!group) {
            logLine(formatString(QStringLiteral("No group found for entity: %@"), entityName));
            continue;
        }
        if (hooks_.expandGroup)
            hooks_.expandGroup(group);
        // An outline numbers the new products after the group's last row;
        // without one they follow the group's highest position.
        if (!hooks_.rowOfLastChild) {
            counter = nextSortIndexInGroup(group);
        } else if (group->childrenCount() > 0) {
            const qint64 row = hooks_.rowOfLastChild(group);
            counter = row >= 0 ? row : nextSortIndexInGroup(group);
        }

        auto product = context_.insertNewObject<Product>(entityName);
        if (!product)
            continue;
        product->setParent(group);
        if (identifier)
            product->setIdentifier(*identifier);
        product->setTitle(resultValue(result, QStringLiteral("trackName")).toString());
        product->setKind(resultValue(result, QStringLiteral("kind")).toString());
        product->setSortIndex(counter);
        applyStoreLookup(*product, result, LookupScope::Product, Clock::shared().now());
        lastAddedRow_ = counter;
        ++counter;
        added.append(product);
    }

    save();

    QVariantList products;
    for (const auto &product : added)
        products << QVariant::fromValue(ManagedObjectPtr(product));
    NotificationCenter::defaultCenter().post(
        kNewProductsAddedNotification, this, {{QStringLiteral("products"), products}});

    for (const auto &product : added)
        loadArtworkForProduct(product);
    return added;
}

void ProductCatalog::save()
{
    if (save_) {
        save_();
        return;
    }
    if (!context_.hasChanges())
        return;
    Error error;
    if (!context_.save(&error))
        logLine(formatString(
            QStringLiteral("Error saving context:\n%@"), error.localizedDescription()));
}
