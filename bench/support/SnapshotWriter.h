#pragma once

#include "platform/store/ManagedObjectContext.h"

#include <QDateTime>
#include <QString>

#include <memory>

// One day's rating summary of a product in a country, with the sizes a real
// history has: counts in the tens of thousands, averages with fractions, a
// version string as the store gives it, a new version every two months.
// Countries are named AA, AB, …; day 0 is 1 January 2025.
inline void insertSnapshot(
    ManagedObjectContext &context, const ManagedObjectPtr &product, int day, int country)
{
    static const QDateTime first(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);
    const int release = (day + country % 3) / 60;
    auto snapshot = context.insertNewObject(QStringLiteral("RatingSnapshot"));
    snapshot->setObject(QStringLiteral("product"), product);
    snapshot->setValue(QStringLiteral("countryCode"),
        QString::asprintf("%c%c", 'A' + country / 26, 'A' + country % 26));
    snapshot->setValue(QStringLiteral("day"), first.addDays(day));
    snapshot->setValue(QStringLiteral("ratingCount"), 20000 + day * 13 + country);
    snapshot->setValue(QStringLiteral("averageRating"), 4.0 + (day % 97) / 101.0 + country / 997.0);
    snapshot->setValue(QStringLiteral("ratingCountForCurrentVersion"), 300 + day % 90);
    snapshot->setValue(QStringLiteral("averageRatingForCurrentVersion"), 3.5 + (day % 89) / 103.0);
    snapshot->setValue(QStringLiteral("currentVersion"),
        QStringLiteral("2.%1.%2").arg(release / 10).arg(release % 10));
}
