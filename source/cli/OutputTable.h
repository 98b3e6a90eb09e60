#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QVariant>

// Rows of named fields, written as an aligned plain-text table, one JSON
// array of objects, or CSV (RFC 4180). Absent values (invalid variants) are
// JSON null, empty CSV fields and empty plain-text cells.
struct OutputTable {
    enum class Format { Plain, Json, Csv };

    QStringList columns;
    QList<QVariantList> rows;

    QByteArray render(Format format) const;
    QByteArray plain() const;
    QByteArray json() const;
    QByteArray csv() const;

    // Text fit for a terminal: control characters (which may come from the
    // network) removed, line breaks and tabs turned into spaces.
    static QString terminalSafe(const QString &text);
    // A value as plain text: dates in ISO 8601 UTC, numbers as the C locale
    // writes them, booleans as "yes"/"no".
    static QString plainValue(const QVariant &value);
    // "2026-01-02T17:00:00Z", or an invalid variant for an invalid date.
    static QVariant isoDate(const QDateTime &date);
};
