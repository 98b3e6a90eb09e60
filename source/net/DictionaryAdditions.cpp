#include "net/DictionaryAdditions.h"

#include <QJsonArray>
#include <QVariantList>

namespace {

QVariant valueAtPath(const QVariant &current, QStringView keyPath)
{
    if (DictionaryAdditions::isNil(current))
        return {};
    if (keyPath.isEmpty())
        return current;
    if (current.typeId() == QMetaType::QVariantList) {
        QVariantList results;
        const QVariantList entries = current.toList();
        results.reserve(entries.size());
        for (const QVariant &entry : entries) {
            const QVariant found = valueAtPath(entry, keyPath);
            // Key-value coding puts a null in place of an entry without the key.
            results.append(found.isValid() ? found : QVariant::fromValue(nullptr));
        }
        return results;
    }
    if (current.typeId() != QMetaType::QVariantMap)
        return {};
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    const QStringView key = dot < 0 ? keyPath : keyPath.left(dot);
    const QVariantMap map = current.toMap();
    const auto it = map.constFind(key.toString());
    if (it == map.constEnd())
        return {};
    return valueAtPath(it.value(), dot < 0 ? QStringView() : keyPath.mid(dot + 1));
}

QJsonValue valueAtPath(const QJsonValue &current, QStringView keyPath)
{
    if (current.isNull() || current.isUndefined())
        return QJsonValue(QJsonValue::Undefined);
    if (keyPath.isEmpty())
        return current;
    if (current.isArray()) {
        QJsonArray results;
        for (const QJsonValue &entry : current.toArray()) {
            const QJsonValue found = valueAtPath(entry, keyPath);
            results.append(found.isUndefined() ? QJsonValue(QJsonValue::Null) : found);
        }
        return results;
    }
    if (!current.isObject())
        return QJsonValue(QJsonValue::Undefined);
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    const QStringView key = dot < 0 ? keyPath : keyPath.left(dot);
    return valueAtPath(
        current.toObject().value(key), dot < 0 ? QStringView() : keyPath.mid(dot + 1));
}

} // namespace

bool DictionaryAdditions::isNil(const QVariant &value)
{
    return !value.isValid() || value.typeId() == QMetaType::Nullptr;
}

QVariant DictionaryAdditions::objectForKeyOrNil(const QVariantMap &dictionary, const QString &key)
{
    const QVariant value = dictionary.value(key);
    return isNil(value) ? QVariant() : value;
}

QVariant DictionaryAdditions::objectForKeyPathOrNil(
    const QVariantMap &dictionary, QStringView keyPath)
{
    if (keyPath.isEmpty())
        return {};
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return objectForKeyOrNil(dictionary, keyPath.toString());
    const auto it = dictionary.constFind(keyPath.left(dot).toString());
    if (it == dictionary.constEnd())
        return {};
    const QVariant value = valueAtPath(it.value(), keyPath.mid(dot + 1));
    return isNil(value) ? QVariant() : value;
}

QJsonValue DictionaryAdditions::objectForKeyOrNil(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isNull() ? QJsonValue(QJsonValue::Undefined) : value;
}

QJsonValue DictionaryAdditions::objectForKeyPathOrNil(
    const QJsonObject &object, QStringView keyPath)
{
    if (keyPath.isEmpty())
        return QJsonValue(QJsonValue::Undefined);
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    const QJsonValue first = object.value(dot < 0 ? keyPath : keyPath.left(dot));
    const QJsonValue value = valueAtPath(first, dot < 0 ? QStringView() : keyPath.mid(dot + 1));
    return value.isNull() ? QJsonValue(QJsonValue::Undefined) : value;
}
