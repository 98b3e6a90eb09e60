#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// XML property lists: dict, key, string, integer, real, true, false, array,
// date (ISO 8601, UTC) and data (base64). Dictionaries become QVariantMap,
// arrays QVariantList, dates QDateTime.
namespace PropertyList {

// Parses a document; on failure returns an invalid QVariant and, when given,
// fills `errorMessage` with a line for the log.
QVariant parse(const QByteArray &xml, QString *errorMessage = nullptr);

// Reads a file or resource path (":/…"); invalid QVariant when it is missing
// or broken.
QVariant read(const QString &path, QString *errorMessage = nullptr);

QByteArray serialize(const QVariant &value);

} // namespace PropertyList
