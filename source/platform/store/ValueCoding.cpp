#include "platform/store/ValueCoding.h"

#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/StoreFunctions.h"

#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <QTimeZone>

#include <sqlite3.h>

namespace ValueCoding {

qint64 rowIdOf(const QVariant &value)
{
    if (value.canConvert<ObjectID>() && value.metaType() == QMetaType::fromType<ObjectID>())
        return value.value<ObjectID>().rowId;
    if (value.metaType() == QMetaType::fromType<ManagedObjectPtr>()) {
        const ManagedObjectPtr object = value.value<ManagedObjectPtr>();
        return object ? object->objectID().rowId : 0;
    }
    return value.toLongLong();
}

QVariant normalize(const PropertyDescription &property, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return value.metaType() == QMetaType::fromType<QVariant>() ? value : QVariant();
    if (property.isToOne()) {
        const qint64 rowId = rowIdOf(value);
        return rowId > 0 ? QVariant(qlonglong(rowId)) : QVariant();
    }
    switch (property.type) {
    case AttributeType::String:
        return value.toString();
    case AttributeType::Date: {
        QDateTime date = value.toDateTime();
        return date.isValid() ? QVariant(date.toUTC()) : QVariant();
    }
    case AttributeType::Integer:
        return qlonglong(value.toLongLong());
    case AttributeType::Float:
        return value.toDouble();
    case AttributeType::Boolean:
        return value.toBool();
    case AttributeType::Data:
        return value.toByteArray();
    case AttributeType::Object:
        return value;
    }
    return value;
}

QVariant comparable(const PropertyDescription *property, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (property && property->isToOne())
        return qlonglong(rowIdOf(value));
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<ObjectID>() || type == QMetaType::fromType<ManagedObjectPtr>())
        return qlonglong(rowIdOf(value));
    if (type == QMetaType::fromType<QDateTime>())
        return qlonglong(value.toDateTime().toMSecsSinceEpoch());
    if (type == QMetaType::fromType<bool>())
        return qlonglong(value.toBool() ? 1 : 0);
    if (property && property->isAttribute()) {
        switch (property->type) {
        case AttributeType::Integer:
        case AttributeType::Boolean:
            if (type == QMetaType::fromType<double>() || type == QMetaType::fromType<float>())
                return value.toDouble();
            return qlonglong(value.toLongLong());
        case AttributeType::Float:
            return value.toDouble();
        case AttributeType::Date:
            return qlonglong(value.toLongLong());
        case AttributeType::String:
            return value.toString();
        default:
            break;
        }
    }
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        return qlonglong(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QByteArray:
        return value.toByteArray();
    default:
        return value.toString();
    }
}

void bind(sqlite3_stmt *statement, int index, const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        sqlite3_bind_null(statement, index);
        break;
    case QMetaType::LongLong:
        sqlite3_bind_int64(statement, index, value.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(statement, index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob64(
            statement, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QString text = value.toString();
        sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
        break;
    }
    }
}

void bindProperty(
    sqlite3_stmt *statement, int index, const PropertyDescription &property, const QVariant &value)
{
    if (!value.isValid()) {
        sqlite3_bind_null(statement, index);
        return;
    }
    if (property.isToOne()) {
        sqlite3_bind_int64(statement, index, value.toLongLong());
        return;
    }
    switch (property.type) {
    case AttributeType::String: {
        const QString text = value.toString();
        sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
        return;
    }
    case AttributeType::Date:
        sqlite3_bind_int64(statement, index, value.toDateTime().toMSecsSinceEpoch());
        return;
    case AttributeType::Integer:
        sqlite3_bind_int64(statement, index, value.toLongLong());
        return;
    case AttributeType::Float:
        sqlite3_bind_double(statement, index, value.toDouble());
        return;
    case AttributeType::Boolean:
        sqlite3_bind_int(statement, index, value.toBool() ? 1 : 0);
        return;
    case AttributeType::Data: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob64(
            statement, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    case AttributeType::Object: {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_6_4);
        stream << value;
        sqlite3_bind_blob64(
            statement, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

QVariant read(sqlite3_stmt *statement, int column, const PropertyDescription &property)
{
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return {};
    if (property.isToOne())
        return qlonglong(sqlite3_column_int64(statement, column));
    switch (property.type) {
    case AttributeType::String: {
        const void *data = sqlite3_column_text16(statement, column);
        const int bytes = sqlite3_column_bytes16(statement, column);
        return QString(reinterpret_cast<const QChar *>(data), bytes / 2);
    }
    case AttributeType::Date:
        return QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(statement, column), Qt::UTC);
    case AttributeType::Integer:
        return qlonglong(sqlite3_column_int64(statement, column));
    case AttributeType::Float:
        return sqlite3_column_double(statement, column);
    case AttributeType::Boolean:
        return sqlite3_column_int64(statement, column) != 0;
    case AttributeType::Data: {
        const void *data = sqlite3_column_blob(statement, column);
        return QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(statement, column));
    }
    case AttributeType::Object: {
        const QByteArray bytes(static_cast<const char *>(sqlite3_column_blob(statement, column)),
            sqlite3_column_bytes(statement, column));
        QDataStream stream(bytes);
        stream.setVersion(QDataStream::Qt_6_4);
        QVariant value;
        stream >> value;
        // A damaged archive reads as absent rather than as half a value.
        return stream.status() == QDataStream::Ok ? value : QVariant();
    }
    }
    return {};
}

QVariant readPlain(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_TEXT: {
        const void *data = sqlite3_column_text16(statement, column);
        return QString(
            reinterpret_cast<const QChar *>(data), sqlite3_column_bytes16(statement, column) / 2);
    }
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, column)),
            sqlite3_column_bytes(statement, column));
    default:
        return {};
    }
}

int compare(const QVariant &left, const QVariant &right, bool caseInsensitive)
{
    const bool leftAbsent = !left.isValid(), rightAbsent = !right.isValid();
    if (leftAbsent || rightAbsent)
        return leftAbsent == rightAbsent ? 0 : (leftAbsent ? -1 : 1);
    const int lt = left.metaType().id(), rt = right.metaType().id();
    if (lt == QMetaType::QString || rt == QMetaType::QString) {
        QString a = left.toString(), b = right.toString();
        if (caseInsensitive) {
            a = StoreText::fold(a);
            b = StoreText::fold(b);
        }
        // SQLite orders text by its UTF-8 bytes; comparing code points
        // gives the same order.
        const qsizetype n = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < n; ++i) {
            const QChar x = a[i], y = b[i];
            if (x == y)
                continue;
            // A surrogate stands for a code point above every BMP character.
            const uint kx = x.isSurrogate() ? 0x10000u + x.unicode() : x.unicode();
            const uint ky = y.isSurrogate() ? 0x10000u + y.unicode() : y.unicode();
            return kx < ky ? -1 : 1;
        }
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }
    if (lt == QMetaType::Double || rt == QMetaType::Double) {
        const double a = left.toDouble(), b = right.toDouble();
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    if (lt == QMetaType::QByteArray) {
        const int c = left.toByteArray().compare(right.toByteArray());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const qint64 a = left.toLongLong(), b = right.toLongLong();
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace ValueCoding
