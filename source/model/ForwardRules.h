#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// Which reviews a forwarding destination wants: products by identifier,
// a range of stars, countries and keywords (an empty list wants all), and
// whether reviews their authors edited go too. Stored with the destination
// as a map.
struct ForwardRules {
    QStringList products;
    int minRating = 1;
    int maxRating = 5;
    QStringList countries;
    // Any one of them, in the title or the text, without regard to case.
    QStringList keywords;
    bool edited = true;

    QVariantMap toMap() const;
    // Missing or odd values read as the defaults.
    static ForwardRules fromMap(const QVariantMap &map);

    bool matches(const QString &productIdentifier, const QString &countryCode,
        std::optional<double> rating, const QString &title, const QString &text, bool isEdit) const;

    // "all products, 1–5 stars, all countries", for lists and the log.
    QString summary() const;

    bool operator==(const ForwardRules &) const = default;
};
