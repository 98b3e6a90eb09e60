#include "net/ReviewFeedDecoder.h"

#include "net/DictionaryAdditions.h"
#include "net/XMLDictionary.h"
#include "net/XMLDictionaryParser.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {

const QString kTitle = QStringLiteral("title");
const QString kText = QStringLiteral("text");
const QString kReviewer = QStringLiteral("reviewer");
const QString kVersion = QStringLiteral("version");
const QString kRating = QStringLiteral("rating");
const QString kVoteSum = QStringLiteral("voteSum");
const QString kVoteCount = QStringLiteral("voteCount");
const QString kIdentifier = QStringLiteral("identifier");
const QString kUpdated = QStringLiteral("updated");

QString notAvailable()
{
    return localized("Downloader", "n/a");
}

void logUnsupportedEntry(const char *typeName)
{
    logLine(formatString(QStringLiteral("Unsupported entry: %@"), QString::fromLatin1(typeName)));
}

// A value of the decoded XML as text: an element with attributes gives its
// text, a repeated element its first occurrence. Missing gives a null string.
QString xmlText(const QVariantMap &entry, QStringView keyPath)
{
    const QVariant value = DictionaryAdditions::objectForKeyPathOrNil(entry, keyPath);
    if (!value.isValid())
        return {};
    const QString text = XMLDictionary::stringValueForKeyPath(entry, keyPath);
    return text.isNull() ? QString(QLatin1String("")) : text;
}

// One feed record from the texts both feeds give; missing optional ones get
// the feeds' defaults ("n/a" version, no votes).
QVariantMap feedRecord(const QString &identifier, const QString &title, const QString &text,
    const QString &reviewer, const QString &rating, const QString &version, const QString &voteSum,
    const QString &voteCount)
{
    return QVariantMap {
        {kTitle, title},
        {kText, text},
        {kReviewer, reviewer},
        {kVersion, version.isNull() ? notAvailable() : version},
        {kRating, rating},
        {kVoteSum, voteSum.isNull() ? QStringLiteral("0") : voteSum},
        {kVoteCount, voteCount.isNull() ? QStringLiteral("0") : voteCount},
        {kIdentifier, identifier},
    };
}

std::optional<QVariantMap> xmlRecord(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap entry = value.toMap();
    const QVariant content =
        DictionaryAdditions::objectForKeyOrNil(entry, QStringLiteral("content"));
    if (content.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QString identifier = xmlText(entry, u"id");
    const QString title = xmlText(entry, u"title");
    if (identifier.isNull() || title.isNull())
        return std::nullopt;
    const QVariantList contents = content.toList();
    if (contents.isEmpty() || contents.first().typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QString text = xmlText(contents.first().toMap(), u"__text");
    const QString reviewer = xmlText(entry, u"author.name");
    const QString rating = xmlText(entry, u"im:rating");
    if (text.isNull() || reviewer.isNull() || rating.isNull())
        return std::nullopt;

    const QString version = xmlText(entry, u"im:version");
    const QString voteSum = xmlText(entry, u"im:voteSum");
    const QString voteCount = xmlText(entry, u"im:voteCount");
    const QString updated = xmlText(entry, u"updated");
    QVariantMap record =
        feedRecord(identifier, title, text, reviewer, rating, version, voteSum, voteCount);
    record.insert(kUpdated, updated.isNull() ? QString(QLatin1String("")) : updated);
    return record;
}

// A label of the JSON feed as text; numbers are taken as they are written.
QString jsonText(const QJsonObject &entry, QStringView keyPath)
{
    const QJsonValue value = DictionaryAdditions::objectForKeyPathOrNil(entry, keyPath);
    if (value.isString())
        return value.toString();
    if (value.isDouble()) {
        const double number = value.toDouble();
        return number == double(qint64(number)) ? QString::number(qint64(number))
                                                : QString::number(number);
    }
    return {};
}

std::optional<QVariantMap> jsonRecord(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject entry = value.toObject();
    if (DictionaryAdditions::objectForKeyOrNil(entry, QStringLiteral("author")).isUndefined()
        || DictionaryAdditions::objectForKeyOrNil(entry, QStringLiteral("content")).isUndefined())
        return std::nullopt;
    const QString identifier = jsonText(entry, u"id.label");
    const QString title = jsonText(entry, u"title.label");
    const QString text = jsonText(entry, u"content.label");
    const QString reviewer = jsonText(entry, u"author.name.label");
    const QString rating = jsonText(entry, u"im:rating.label");
    if (identifier.isNull() || title.isNull() || text.isNull() || reviewer.isNull()
        || rating.isNull())
        return std::nullopt;
    const QString version = jsonText(entry, u"im:version.label");
    const QString voteSum = jsonText(entry, u"im:voteSum.label");
    const QString voteCount = jsonText(entry, u"im:voteCount.label");
    QVariantMap record =
        feedRecord(identifier, title, text, reviewer, rating, version, voteSum, voteCount);
    // Newer pages date their entries; without this the review would be
    // stored with the import time as its date.
    const QString updated = jsonText(entry, u"updated.label");
    if (!updated.isEmpty())
        record.insert(kUpdated, updated);
    return record;
}

} // namespace

std::optional<ReviewFeedDecoder::FeedRecords> ReviewFeedDecoder::xmlDataToReviewsArray(
    const QByteArray &data)
{
    XMLDictionaryParser parser(XMLDictionaryParser::sharedInstance());
    const std::optional<QVariantMap> feed = parser.dictionaryWithData(data);
    if (!feed)
        return std::nullopt;
    const QVariant entryValue =
        DictionaryAdditions::objectForKeyOrNil(*feed, QStringLiteral("entry"));
    if (!entryValue.isValid())
        return std::nullopt;
    QVariantList entries;
    if (entryValue.typeId() == QMetaType::QVariantList) {
        entries = entryValue.toList();
    } else if (entryValue.typeId() == QMetaType::QVariantMap) {
        entries.append(entryValue);
    } else {
        logUnsupportedEntry(entryValue.typeName());
        return std::nullopt;
    }
    // A page cut off inside an entry would give a review with default values
    // that no later page corrects: the entry still open at the error goes.
    const QStringList open = parser.openElementsAtError();
    if (parser.stoppedAtError() && open.size() >= 2 && open.at(1) == QLatin1String("entry")
        && !entries.isEmpty())
        entries.removeLast();

    FeedRecords records;
    records.reserve(entries.size());
    for (const QVariant &entry : std::as_const(entries)) {
        if (std::optional<QVariantMap> record = xmlRecord(entry))
            records.append(std::move(*record));
    }
    return records;
}

std::optional<ReviewFeedDecoder::FeedRecords> ReviewFeedDecoder::jsonDataToReviewsArray(
    const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        logLine(formatString(QStringLiteral("Error parsing json: %@"), error.errorString()));
        return std::nullopt;
    }
    if (!document.isObject())
        return std::nullopt;
    const QJsonValue entryValue =
        DictionaryAdditions::objectForKeyPathOrNil(document.object(), u"feed.entry");
    if (entryValue.isUndefined())
        return std::nullopt;
    QJsonArray entries;
    if (entryValue.isArray()) {
        entries = entryValue.toArray();
    } else if (entryValue.isObject()) {
        entries.append(entryValue);
    } else {
        logUnsupportedEntry(entryValue.toVariant().typeName());
        return std::nullopt;
    }
    FeedRecords records;
    records.reserve(entries.size());
    for (const QJsonValue &entry : std::as_const(entries)) {
        if (std::optional<QVariantMap> record = jsonRecord(entry))
            records.append(std::move(*record));
    }
    return records;
}
