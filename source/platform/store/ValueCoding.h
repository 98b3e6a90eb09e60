#pragma once

#include "platform/store/StoreTypes.h"

#include <QVariant>

struct PropertyDescription;
struct sqlite3_stmt;

// How values of each attribute type live in memory, in SQL, and in
// comparisons. Dates are whole milliseconds since the epoch in SQL; absent
// values are NULL.
namespace ValueCoding {

// The in-memory form a record holds for `property`: QString, QDateTime (UTC),
// qlonglong, double, bool, QByteArray, any QVariant for Object, and the row id
// (qlonglong) for a to-one relationship. Invalid stays invalid.
QVariant normalize(const PropertyDescription &property, const QVariant &value);

// The scalar a comparison or SQL parameter uses: QString, qlonglong, double
// or QByteArray; invalid for absent.
QVariant comparable(const PropertyDescription *property, const QVariant &value);

void bind(sqlite3_stmt *statement, int index, const QVariant &comparableValue);
void bindProperty(
    sqlite3_stmt *statement, int index, const PropertyDescription &property, const QVariant &value);
QVariant read(sqlite3_stmt *statement, int column, const PropertyDescription &property);
// A column without a property (a count): qlonglong, double, text or absent.
QVariant readPlain(sqlite3_stmt *statement, int column);

// -1, 0, 1 with absent before everything; `caseInsensitive` folds texts.
int compare(const QVariant &left, const QVariant &right, bool caseInsensitive = false);

// Row id of a record reference: ObjectID, ManagedObjectPtr or a number.
qint64 rowIdOf(const QVariant &value);

} // namespace ValueCoding
