#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// Null-safe reads of decoded store answers. A missing key and a JSON null both
// read as "nothing" (an invalid QVariant, or an undefined QJsonValue), so that
// callers test one condition. Key paths are split at full stops only: a colon
// belongs to the key ("im:rating.label" is "im:rating", then "label"). When a
// step meets a list, the rest of the path is applied to every entry and the
// result is the list of results.
class DictionaryAdditions {
public:
    static QVariant objectForKeyOrNil(const QVariantMap &dictionary, const QString &key);
    static QVariant objectForKeyPathOrNil(const QVariantMap &dictionary, QStringView keyPath);

    static QJsonValue objectForKeyOrNil(const QJsonObject &object, const QString &key);
    static QJsonValue objectForKeyPathOrNil(const QJsonObject &object, QStringView keyPath);

    // True for an invalid QVariant and for a JSON null carried in a QVariant.
    static bool isNil(const QVariant &value);
};
