#include "FeedFloors.h"

#include "model/BaseNode.h"
#include "platform/Clock.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QXmlStreamReader>

#include <sqlite3.h>

namespace FeedFloors {

QList<QByteArray> fetchOneByOne(const QList<QUrl> &urls)
{
    QNetworkAccessManager manager;
    QList<QByteArray> bodies;
    bodies.reserve(urls.size());
    QEventLoop loop;
    qsizetype next = 0;
    std::function<void()> fetchNext = [&] {
        if (next == urls.size()) {
            loop.quit();
            return;
        }
        QNetworkReply *reply = manager.get(QNetworkRequest(urls[next++]));
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply] {
            if (reply->error() != QNetworkReply::NoError)
                qFatal("fetch: %s", qPrintable(reply->errorString()));
            bodies << reply->readAll();
            reply->deleteLater();
            fetchNext();
        });
    };
    fetchNext();
    if (next < urls.size() || bodies.size() < urls.size())
        loop.exec();
    return bodies;
}

QList<QList<Row>> parse(const QList<QByteArray> &pages)
{
    QList<QList<Row>> result;
    result.reserve(pages.size());
    for (const QByteArray &page : pages) {
        QList<Row> rows;
        QXmlStreamReader reader(page);
        Row row;
        bool inEntry = false;
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement) {
                if (reader.isEndElement() && inEntry && reader.name() == QLatin1String("entry")) {
                    rows << row;
                    row = {};
                    inEntry = false;
                }
                continue;
            }
            const auto name = reader.name();
            if (name == QLatin1String("entry")) {
                inEntry = true;
            } else if (!inEntry) {
                continue;
            } else if (name == QLatin1String("id")) {
                row.identifier = reader.readElementText();
            } else if (name == QLatin1String("title")) {
                row.title = reader.readElementText();
            } else if (name == QLatin1String("content")) {
                const bool plain =
                    reader.attributes().value(QLatin1String("type")) == QLatin1String("text");
                const QString text = reader.readElementText();
                if (plain)
                    row.text = text.toUtf8();
            } else if (name == QLatin1String("rating")) {
                row.rating = reader.readElementText().toDouble();
            } else if (name == QLatin1String("version")) {
                row.version = reader.readElementText();
            } else if (name == QLatin1String("name")) {
                row.reviewer = reader.readElementText();
            } else if (name == QLatin1String("updated")) {
                row.updated = QDateTime::fromString(reader.readElementText(), Qt::ISODate);
            }
        }
        if (reader.hasError())
            qFatal("parse: %s", qPrintable(reader.errorString()));
        result << rows;
    }
    return result;
}

namespace {

void bindText(sqlite3_stmt *statement, int index, const QString &text)
{
    sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

void step(SqliteConnection &db, sqlite3_stmt *statement)
{
    if (sqlite3_step(statement) != SQLITE_DONE)
        qFatal("insert: %s", qPrintable(db.lastError().debugDescription()));
    sqlite3_reset(statement);
}

} // namespace

qint64 insertRaw(PersistentStoreCoordinator &coordinator, const QList<Answer> &answers, int batch)
{
    SqliteConnection &db = *coordinator.writeConnection();
    const ManagedObjectModel &model = coordinator.model();
    const int reviewCode = model.entity(QStringLiteral("Review"))->code();
    const int contentCode = model.entity(QStringLiteral("ReviewContent"))->code();
    // The columns the import sets on a new review and its content.
    sqlite3_stmt *review = db.prepare(
        "INSERT INTO \"Review\" (id, entity, \"identifier\", \"countryCode\", \"reviewer\", "
        "\"version\", \"displayTitle\", \"uuid\", \"rating\", \"dateReviewed\", \"dateCreated\", "
        "\"dateUpdated\", \"completed\", \"read\", \"displayData\", \"product_id\") "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    sqlite3_stmt *content = db.prepare("INSERT INTO \"ReviewContent\" (id, entity, \"title\", "
                                       "\"uuid\", \"data\", \"review_id\") VALUES (?,?,?,?,?,?)");
    if (!review || !content)
        qFatal("raw statements: %s", qPrintable(db.lastError().debugDescription()));

    qint64 written = 0;
    for (const Answer &answer : answers) {
        for (qsizetype first = 0; first < answer.rows.size(); first += batch) {
            Error error;
            Transaction transaction(db);
            if (!transaction.begin(&error))
                qFatal("begin: %s", qPrintable(error.debugDescription()));
            const qint64 now = Clock::shared().now().toMSecsSinceEpoch();
            const qsizetype end = std::min(answer.rows.size(), first + batch);
            for (qsizetype i = first; i < end; ++i) {
                const Row &row = answer.rows[i];
                const qint64 reviewId = coordinator.allocateRowId();
                sqlite3_bind_int64(review, 1, reviewId);
                sqlite3_bind_int(review, 2, reviewCode);
                bindText(review, 3, row.identifier);
                bindText(review, 4, answer.countryCode);
                bindText(review, 5, row.reviewer);
                bindText(review, 6, row.version);
                bindText(review, 7, row.title);
                bindText(review, 8, BaseNode::newUuid());
                sqlite3_bind_double(review, 9, row.rating);
                sqlite3_bind_int64(review, 10, row.updated.toMSecsSinceEpoch());
                sqlite3_bind_int64(review, 11, now);
                sqlite3_bind_int64(review, 12, now);
                sqlite3_bind_int(review, 13, 1);
                sqlite3_bind_int(review, 14, 0);
                sqlite3_bind_blob(
                    review, 15, row.text.constData(), int(row.text.size()), SQLITE_TRANSIENT);
                sqlite3_bind_int64(review, 16, answer.productRowId);
                step(db, review);

                sqlite3_bind_int64(content, 1, coordinator.allocateRowId());
                sqlite3_bind_int(content, 2, contentCode);
                bindText(content, 3, row.title);
                bindText(content, 4, BaseNode::newUuid());
                sqlite3_bind_blob(
                    content, 5, row.text.constData(), int(row.text.size()), SQLITE_TRANSIENT);
                sqlite3_bind_int64(content, 6, reviewId);
                step(db, content);
                ++written;
            }
            // The store saves its row-id mark with every write, as here.
            if (!coordinator.saveRowIdMark(&error) || !transaction.commit(&error))
                qFatal("commit: %s", qPrintable(error.debugDescription()));
        }
    }
    return written;
}

qint64 insertRatingsRaw(PersistentStoreCoordinator &coordinator, const QStringList &countries,
    const QList<RatingRow> &rows)
{
    SqliteConnection &db = *coordinator.writeConnection();
    const int code = coordinator.model().entity(QStringLiteral("Rating"))->code();
    // The columns the merge sets on a new rating.
    sqlite3_stmt *rating = db.prepare(
        "INSERT INTO \"Rating\" (id, entity, \"countryCode\", \"uuid\", \"ratingCount\", "
        "\"ratingCountForCurrentVersion\", \"averageRating\", "
        "\"averageRatingForCurrentVersion\", \"dateCreated\", \"dateUpdated\", "
        "\"product_id\") VALUES (?,?,?,?,?,?,?,?,?,?,?)");
    const int snapshotCode = coordinator.model().entity(QStringLiteral("RatingSnapshot"))->code();
    sqlite3_stmt *snapshot = db.prepare(
        "INSERT INTO \"RatingSnapshot\" (id, entity, \"countryCode\", \"day\", \"ratingCount\", "
        "\"ratingCountForCurrentVersion\", \"averageRating\", "
        "\"averageRatingForCurrentVersion\", \"product_id\") VALUES (?,?,?,?,?,?,?,?,?)");
    if (!rating || !snapshot)
        qFatal("raw statement: %s", qPrintable(db.lastError().debugDescription()));
    qint64 written = 0;
    for (const QString &country : countries) {
        Error error;
        Transaction transaction(db);
        if (!transaction.begin(&error))
            qFatal("begin: %s", qPrintable(error.debugDescription()));
        const QDateTime instant = Clock::shared().now();
        const qint64 now = instant.toMSecsSinceEpoch();
        const qint64 day =
            QDateTime(instant.toUTC().date(), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
        for (const RatingRow &row : rows) {
            sqlite3_bind_int64(rating, 1, coordinator.allocateRowId());
            sqlite3_bind_int(rating, 2, code);
            bindText(rating, 3, country);
            bindText(rating, 4, BaseNode::newUuid());
            sqlite3_bind_int64(rating, 5, row.count);
            sqlite3_bind_int64(rating, 6, row.countForVersion);
            sqlite3_bind_double(rating, 7, row.average);
            sqlite3_bind_double(rating, 8, row.averageForVersion);
            sqlite3_bind_int64(rating, 9, now);
            sqlite3_bind_int64(rating, 10, now);
            sqlite3_bind_int64(rating, 11, row.productRowId);
            step(db, rating);
            sqlite3_bind_int64(snapshot, 1, coordinator.allocateRowId());
            sqlite3_bind_int(snapshot, 2, snapshotCode);
            bindText(snapshot, 3, country.toUpper());
            sqlite3_bind_int64(snapshot, 4, day);
            sqlite3_bind_int64(snapshot, 5, row.count);
            sqlite3_bind_int64(snapshot, 6, row.countForVersion);
            sqlite3_bind_double(snapshot, 7, row.average);
            sqlite3_bind_double(snapshot, 8, row.averageForVersion);
            sqlite3_bind_int64(snapshot, 9, row.productRowId);
            step(db, snapshot);
            ++written;
        }
        if (!coordinator.saveRowIdMark(&error) || !transaction.commit(&error))
            qFatal("commit: %s", qPrintable(error.debugDescription()));
    }
    return written;
}

} // namespace FeedFloors
