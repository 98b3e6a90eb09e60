#include "cli/OutputTable.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

QString OutputTable::terminalSafe(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\n' || code == u'\r' || code == u'\t')
            safe += QLatin1Char(' ');
        else if (code < 0x20 || (code >= 0x7f && code < 0xa0) || code == 0x2028 || code == 0x2029)
            continue; // C0, DEL, C1 and line separators
        else if (c.category() == QChar::Other_Format && code != 0x200d)
            continue; // bidi overrides and the like, which can reorder a line
        else
            safe += c;
    }
    return safe;
}

QVariant OutputTable::isoDate(const QDateTime &date)
{
    if (!date.isValid())
        return {};
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QString OutputTable::plainValue(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 6);
    case QMetaType::QDateTime:
        return isoDate(value.toDateTime()).toString();
    case QMetaType::QVariantList:
    case QMetaType::QVariantMap:
        // Nested records read as compact JSON in a cell.
        return QString::fromUtf8(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact));
    default:
        return value.toString();
    }
}

QByteArray OutputTable::render(Format format) const
{
    switch (format) {
    case Format::Json:
        return json();
    case Format::Csv:
        return csv();
    case Format::Plain:
        break;
    }
    return plain();
}

QByteArray OutputTable::plain() const
{
    QList<QStringList> cells;
    QList<qsizetype> widths;
    for (const QString &column : columns)
        widths << column.size();
    for (const QVariantList &row : rows) {
        QStringList line;
        for (qsizetype i = 0; i < row.size() && i < columns.size(); ++i) {
            line << terminalSafe(plainValue(row.at(i)));
            widths[i] = std::max(widths[i], line.last().size());
        }
        cells << line;
    }
    auto write = [&](const QStringList &line) -> QByteArray {
        QString text;
        for (qsizetype i = 0; i < line.size(); ++i) {
            // The last column is not padded: no trailing blanks.
            text += i + 1 < line.size() ? line.at(i).leftJustified(widths.at(i) + 2) : line.at(i);
        }
        return text.toUtf8() + '\n';
    };
    QByteArray out = write(columns);
    for (const QStringList &line : std::as_const(cells))
        out += write(line);
    return out;
}

QByteArray OutputTable::json() const
{
    QJsonArray array;
    for (const QVariantList &row : rows) {
        QJsonObject object;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QVariant value = row.value(i);
            if (!value.isValid())
                object.insert(columns.at(i), QJsonValue::Null);
            else if (value.metaType().id() == QMetaType::QDateTime)
                object.insert(columns.at(i), isoDate(value.toDateTime()).toString());
            else
                object.insert(columns.at(i), QJsonValue::fromVariant(value));
        }
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QByteArray OutputTable::csv() const
{
    auto field = [](const QString &text) -> QString {
        if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
            && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
            return text;
        QString quoted = text;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    };
    auto line = [&](const QStringList &values) -> QByteArray {
        QStringList fields;
        for (const QString &value : values)
            fields << field(value);
        return fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
    };
    QByteArray out = line(columns);
    for (const QVariantList &row : rows) {
        QStringList values;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QVariant value = row.value(i);
            if (value.metaType().id() == QMetaType::Bool)
                values << (value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
            else if (value.metaType().id() == QMetaType::Double)
                values << QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
            else
                values << plainValue(value);
        }
        out += line(values);
    }
    return out;
}
