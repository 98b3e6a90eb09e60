// Parse throughput: feed pages to feed records beside the bare parsers they
// are built on, and ISO 8601 dates beside Qt's own ISO parser.
//   bench_parse [--tiny | --small]
#include "BenchPages.h"
#include "net/ISO8601DateFormatter.h"
#include "net/ReviewFeedDecoder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

volatile qint64 sink = 0;

// Seconds for `rounds` runs of `body`, after one warm-up run.
double timeRounds(int rounds, const std::function<void()> &body)
{
    body();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        body();
    return double(timer.nsecsElapsed()) / 1e9;
}

// The best of several alternating runs of both sides, so that load from
// other processes on the machine falls on both alike.
std::pair<double, double> timePair(
    int rounds, const std::function<void()> &ours, const std::function<void()> &baseline)
{
    double bestOurs = 1e300;
    double bestBaseline = 1e300;
    for (int repeat = 0; repeat < 5; ++repeat) {
        bestOurs = std::min(bestOurs, timeRounds(rounds, ours));
        bestBaseline = std::min(bestBaseline, timeRounds(rounds, baseline));
    }
    return {bestOurs, bestBaseline};
}

// What any decoder over QXmlStreamReader pays at least: every token read,
// with its name, its attributes and its text.
qint64 bareXmlPass(const QByteArray &data)
{
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    qint64 total = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            total += reader.qualifiedName().size();
            for (const QXmlStreamAttribute &attribute : reader.attributes())
                total += attribute.qualifiedName().size() + attribute.value().size();
            break;
        case QXmlStreamReader::EndElement:
            total += reader.qualifiedName().size();
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::Comment:
            total += reader.text().size();
            break;
        default:
            break;
        }
    }
    return total;
}

void report(const char *what, double ours, double baseline, const char *unit, double goal)
{
    const double ratio = ours / baseline;
    std::printf("%-6s decoder %10.1f %s   baseline %10.1f %s   ratio %.2f   goal >= %.2f   %s\n",
        what, ours, unit, baseline, unit, ratio, goal, ratio >= goal ? "met" : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int scale = 8;
    if (app.arguments().contains(QStringLiteral("--tiny")))
        scale = 1;
    else if (app.arguments().contains(QStringLiteral("--small")))
        scale = 2;

    const BenchPages pages = BenchPages::load();
    qint64 xmlBytes = 0;
    for (const QByteArray &page : pages.xml)
        xmlBytes += page.size();
    qint64 jsonBytes = 0;
    for (const QByteArray &page : pages.json)
        jsonBytes += page.size();
    std::printf("inputs: %s pages, %lld XML pages (%lld bytes), %lld JSON pages (%lld bytes), "
                "%lld dates\n",
        pages.real ? "real store" : "synthetic", qint64(pages.xml.size()), xmlBytes,
        qint64(pages.json.size()), jsonBytes, qint64(pages.dates.size()));

    // Both sides must agree on what the pages hold before they are timed.
    qint64 records = 0;
    for (const QByteArray &page : pages.xml)
        records +=
            ReviewFeedDecoder::xmlDataToReviewsArray(page).value_or(QList<QVariantMap>()).size();
    for (const QByteArray &page : pages.json)
        records +=
            ReviewFeedDecoder::jsonDataToReviewsArray(page).value_or(QList<QVariantMap>()).size();
    ISO8601DateFormatter formatter;
    for (const QString &text : pages.dates) {
        if (formatter.dateFromString(text) != QDateTime::fromString(text, Qt::ISODate)) {
            std::fprintf(stderr, "dates disagree on %s\n", qPrintable(text));
            return 1;
        }
    }
    std::printf("records decoded per round: %lld\n", records);
    if (records == 0)
        return 1;

    const int xmlRounds = 10 * scale;
    const auto [xmlOurs, xmlBare] = timePair(
        xmlRounds,
        [&] {
            for (const QByteArray &page : pages.xml)
                sink = sink + ReviewFeedDecoder::xmlDataToReviewsArray(page)->size();
        },
        [&] {
            for (const QByteArray &page : pages.xml)
                sink = sink + bareXmlPass(page);
        });
    const double xmlMB = double(xmlBytes) * xmlRounds / 1e6;
    report("XML", xmlMB / xmlOurs, xmlMB / xmlBare, "MB/s", 0.5);

    const int jsonRounds = 10 * scale;
    const auto [jsonOurs, jsonBare] = timePair(
        jsonRounds,
        [&] {
            for (const QByteArray &page : pages.json)
                sink = sink + ReviewFeedDecoder::jsonDataToReviewsArray(page)->size();
        },
        [&] {
            for (const QByteArray &page : pages.json)
                sink = sink + QJsonDocument::fromJson(page).object().size();
        });
    const double jsonMB = double(jsonBytes) * jsonRounds / 1e6;
    report("JSON", jsonMB / jsonOurs, jsonMB / jsonBare, "MB/s", 0.6);

    const int dateRounds = 5 * scale;
    const auto [datesOurs, datesQt] = timePair(
        dateRounds,
        [&] {
            for (const QString &text : pages.dates)
                sink = sink + formatter.dateFromString(text).toMSecsSinceEpoch();
        },
        [&] {
            for (const QString &text : pages.dates)
                sink = sink + QDateTime::fromString(text, Qt::ISODate).toMSecsSinceEpoch();
        });
    const double dateCount = double(pages.dates.size()) * dateRounds;
    report("dates", dateCount / datesOurs / 1e3, dateCount / datesQt / 1e3, "k/s ", 1.0);
    return 0;
}
