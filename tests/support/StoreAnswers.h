#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Answers in the store's formats, written by us for tests: review feed pages
// (XML and JSON), lookup and search answers, and a small PNG.
namespace StoreAnswers {

struct Review {
    QString identifier;
    QString title;
    QString text;
    QString reviewer = QStringLiteral("A reviewer");
    QString rating = QStringLiteral("4");
    QString version = QStringLiteral("1.0");
    QString updated = QStringLiteral("2026-01-02T10:00:00-07:00");
    QString voteSum = QStringLiteral("0");
    QString voteCount = QStringLiteral("0");
};

// Reviews numbered first..first+count-1: identifier "r<n>", title "Title <n>".
QList<Review> numberedReviews(int first, int count);

QByteArray xmlFeedPage(const QList<Review> &reviews);
QByteArray jsonFeedPage(const QList<Review> &reviews);

// {"resultCount": n, "results": [{"trackId": id, "trackName": ..., "kind": ...}, ...]}
QByteArray lookupAnswer(
    const QList<qint64> &trackIds, const QString &kind = QStringLiteral("software"));

QByteArray pngImage(int width = 4, int height = 3);

} // namespace StoreAnswers
