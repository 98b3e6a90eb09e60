#include "catalog/StoreSearch.h"

#include "net/RequestQueue.h"
#include "net/URLError.h"
#include "platform/PreferenceKeys.h"
#include "platform/UserDefaults.h"

#include <QCollator>
#include <QPointer>
#include <QUrl>

#include <algorithm>

const QString StoreSearch::OSXSearchSelectedKey = Preference::OSXSearchSelected;
const QString StoreSearch::IOSSearchSelectedKey = Preference::IOSSearchSelected;
const QString StoreSearch::eBookSearchSelectedKey = Preference::eBookSearchSelected;
const QString StoreSearch::PodcastSearchSelectedKey = Preference::PodcastSearchSelected;
const QString StoreSearch::storeWebHostName = QStringLiteral("apple.com");

StoreSearch::StoreSearch(QObject *parent) : QObject(parent), requestQueue_(new RequestQueue(this))
{
    requestQueue_->setMaxConcurrentRequestCount(1);
}

StoreSearch::~StoreSearch()
{
    requestQueue_->cancelAllRequests();
}

quint64 StoreSearch::selectedSearchOptions(const UserDefaults &defaults)
{
    quint64 options = 0;
    const std::pair<const QString &, quint64> boxes[] = {
        {OSXSearchSelectedKey, Downloader::SearchMacApps},
        {IOSSearchSelectedKey, Downloader::SearchIOSApps},
        {eBookSearchSelectedKey, Downloader::SearchBooks},
        {PodcastSearchSelectedKey, Downloader::SearchPodcasts},
    };
    for (const auto &[key, bit] : boxes) {
        if (defaults.integerForKey(key) == 1)
            options += bit;
    }
    return options == 0 ? allSearchOptions : options;
}

quint64 StoreSearch::selectedSearchOptions()
{
    return selectedSearchOptions(UserDefaults::standard());
}

QString StoreSearch::identifierFromStorePageAddress(const QString &text)
{
    if (!text.startsWith(u"http", Qt::CaseInsensitive))
        return {};
    // The host itself must be the store's, not merely mention it.
    const QString host = QUrl(text).host().toLower();
    if (host != storeWebHostName && !host.endsWith(u'.' + storeWebHostName))
        return {};
    const qsizetype marker = text.lastIndexOf(u"/id");
    if (marker < 0)
        return {};
    const qsizetype start = marker + 3;
    qsizetype end = text.size();
    for (const QChar stop : {u'?', u'#'}) {
        const qsizetype at = text.indexOf(stop, start);
        if (at >= 0)
            end = std::min(end, at);
    }
    return text.mid(start, end - start);
}

QString StoreSearch::searchTermForText(const QString &text)
{
    QString term = text.trimmed();
    const QString identifier = identifierFromStorePageAddress(term);
    if (!identifier.isEmpty())
        term = identifier;
    return term;
}

bool StoreSearch::isIdentifier(const QString &term)
{
    // ASCII digits only: other scripts' digits are no store id.
    return term.size() >= 3
        && std::all_of(term.begin(), term.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

StoreSearch::Started StoreSearch::searchAction(
    const QString &text, quint64 options, Completion completion)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return Started::Nothing;
    if (trimmed == prevSearchString_ && hasResults_)
        return Started::Nothing;
    const QString term = searchTermForText(trimmed);

    requestQueue_->cancelAllRequests();
    prevSearchString_ = trimmed;
    hasResults_ = false;
    const quint64 generation = ++generation_;

    QPointer<StoreSearch> guard(this);
    auto deliver = [guard, generation, completion](
                       const Downloader::ProductRecords &results, const Error &error) {
        // An answer overtaken by a newer search or a cancel was on its way
        // already; it ends as cancelled, so no caller shows it.
        const bool current = guard && generation == guard->generation_;
        if (current && !error && !results.isEmpty())
            guard->hasResults_ = true;
        if (!completion)
            return;
        if (current)
            completion(results, error);
        else
            completion({}, URLError::errorWithCode(URLError::Cancelled));
    };
    if (isIdentifier(term)) {
        Downloader::sharedInstance().lookupByIds({term}, QString(), requestQueue_,
            [deliver](const auto &results, const Error &error) { deliver(results, error); });
        return Started::Lookup;
    }
    Downloader::sharedInstance().search(term, options, requestQueue_,
        [deliver](const std::optional<Downloader::ProductRecords> &results, const Error &error) {
            // An answer that is no list of results is a failure, not an
            // empty search.
            deliver(results.value_or(Downloader::ProductRecords()),
                results || error ? error : URLError::errorWithCode(URLError::CannotParseResponse));
        });
    return Started::Search;
}

void StoreSearch::cancelAllRequests()
{
    // An answer already on its way no longer counts as shown.
    ++generation_;
    requestQueue_->cancelAllRequests();
}

bool StoreSearch::isSearching() const
{
    return requestQueue_->requestCount() > 0;
}

Downloader::ProductRecords StoreSearch::sortedResults(
    Downloader::ProductRecords results, const QList<SortDescriptor> &order)
{
    // The C locale's collator compares code points and knows no numbers;
    // English rules stand in for it.
    const QLocale locale =
        QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(
        results.begin(), results.end(), [&](const QJsonObject &left, const QJsonObject &right) {
            for (const SortDescriptor &sort : order) {
                const QJsonValue a = left.value(sort.key);
                const QJsonValue b = right.value(sort.key);
                const bool aAbsent = a.isUndefined() || a.isNull();
                const bool bAbsent = b.isUndefined() || b.isNull();
                int result = 0;
                if (aAbsent || bAbsent)
                    result = int(bAbsent) - int(aAbsent);
                else
                    result = collator.compare(a.toVariant().toString(), b.toVariant().toString());
                if (result != 0)
                    return sort.ascending ? result < 0 : result > 0;
            }
            return false;
        });
    return results;
}
