#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class PersistentStoreCoordinator;

// The floors the review import is compared with: each does one of its parts
// alone, with nothing of the engine around it.
namespace FeedFloors {

// One entry of a feed page, as a bare reader pass finds it.
struct Row {
    QString identifier, title, reviewer, version;
    QByteArray text;
    double rating = 0;
    QDateTime updated;
};

// Fetches the URLs one at a time with a bare network manager; bodies in order.
QList<QByteArray> fetchOneByOne(const QList<QUrl> &urls);

// One QXmlStreamReader pass over each page, collecting the entries.
QList<QList<Row>> parse(const QList<QByteArray> &pages);

// The rows of one product and country, inserted under that product.
struct Answer {
    qint64 productRowId = 0;
    QString countryCode;
    QList<Row> rows;
};

// Inserts reviews and their original contents with reused prepared
// statements, `batch` reviews to a transaction, as the import's saves do.
// Returns the number of reviews written.
qint64 insertRaw(PersistentStoreCoordinator &coordinator, const QList<Answer> &answers, int batch);

// One rating row of a product in a country, as the ratings merge stores it.
struct RatingRow {
    qint64 productRowId = 0;
    qint64 count = 0, countForVersion = 0;
    double average = 0, averageForVersion = 0;
};

// Inserts the rating rows of each country, each with the day's snapshot of
// the same figures, with reused prepared statements, one transaction per
// country, as the merge saves one answer. Returns the number of ratings
// written.
qint64 insertRatingsRaw(PersistentStoreCoordinator &coordinator, const QStringList &countries,
    const QList<RatingRow> &rows);

} // namespace FeedFloors
