// The store search, by the rules of the search popover.
#include "cli/Cli.h"

#include "catalog/StoreSearch.h"
#include "cli/RecordTables.h"
#include "net/Downloader.h"

#include <QCommandLineParser>
#include <QJsonObject>

int Cli::search(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption kinds(QStringLiteral("kinds"),
        QStringLiteral("Kinds to search: ios, mac, book, podcast (comma-separated)."),
        QStringLiteral("KINDS"));
    parser.addOption(kinds);
    const auto format = parseListing(parser, arguments, 1, -1);
    if (!format)
        return Usage;
    quint64 options = StoreSearch::selectedSearchOptions();
    if (parser.isSet(kinds)) {
        const QHash<QString, quint64> bits {{QStringLiteral("mac"), Downloader::SearchMacApps},
            {QStringLiteral("ios"), Downloader::SearchIOSApps},
            {QStringLiteral("book"), Downloader::SearchBooks},
            {QStringLiteral("podcast"), Downloader::SearchPodcasts}};
        options = 0;
        for (const QString &kind :
            parser.value(kinds).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const auto bit = bits.constFind(kind.trimmed().toLower());
            if (bit == bits.cend())
                return usageError(QStringLiteral("Unknown kind \"%1\".").arg(kind));
            options |= bit.value();
        }
        if (options == 0)
            return usageError(QStringLiteral("No kind given."));
    }
    const QString text = parser.positionalArguments().join(QLatin1Char(' '));
    StoreSearch search;
    bool done = false;
    Downloader::ProductRecords results;
    Error error;
    const auto started = search.searchAction(
        text, options, [&](const Downloader::ProductRecords &records, const Error &searchError) {
            results = records;
            error = searchError;
            done = true;
        });
    if (started == StoreSearch::Started::Nothing)
        return usageError(QStringLiteral("Nothing to search for."));
    waitUntil([&] { return done; });
    if (error.isError()) {
        host_.presentError(error);
        return Failure;
    }
    OutputTable table;
    table.columns = {QStringLiteral("identifier"), QStringLiteral("kind"), QStringLiteral("title"),
        QStringLiteral("author")};
    for (const QJsonObject &result : std::as_const(results)) {
        const QJsonValue id = result.value(QStringLiteral("trackId")).isUndefined()
            ? result.value(QStringLiteral("collectionId"))
            : result.value(QStringLiteral("trackId"));
        const QString title =
            result.value(QStringLiteral("trackName"))
                .toString(result.value(QStringLiteral("collectionName")).toString());
        table.rows << QVariantList {
            id.isDouble() ? QString::number(qint64(id.toDouble())) : id.toString(),
            RecordTables::kindOfResult(result.value(QStringLiteral("kind")).toString(),
                result.value(QStringLiteral("wrapperType")).toString()),
            title, result.value(QStringLiteral("artistName")).toString()};
    }
    out(table.render(*format));
    return Success;
}
