#pragma once

#include "net/Downloader.h"
#include "platform/Error.h"
#include "platform/store/FetchRequest.h"

#include <QObject>
#include <QString>

#include <functional>

class RequestQueue;
class UserDefaults;

// The rules of the store search: a term is trimmed; a store page address
// ("https://apps.apple.com/us/app/name/id284882215?mt=8") stands for its id;
// a text of at least three digits is looked up as an id, anything else is
// searched for in the kinds chosen. Requests run one at a time on the
// search's own queue; a new search cancels the one before. Main thread only.
class StoreSearch : public QObject {
    Q_OBJECT

public:
    using Completion =
        std::function<void(const Downloader::ProductRecords &results, const Error &error)>;

    enum class Started { Nothing, Search, Lookup };

    // The kind check boxes of the popover and their option bits.
    static const QString OSXSearchSelectedKey; // "OSXSearchSelected", 1
    static const QString IOSSearchSelectedKey; // "IOSSearchSelected", 2
    static const QString eBookSearchSelectedKey; // "eBookSearchSelected", 4
    static const QString PodcastSearchSelectedKey; // "PodcastSearchSelected", 8
    static constexpr quint64 allSearchOptions = 15;

    // The host of the store's product pages and every host below it.
    static const QString storeWebHostName; // "apple.com"

    explicit StoreSearch(QObject *parent = nullptr);
    ~StoreSearch() override;

    // The sum of the bits whose key holds exactly 1; all kinds when none.
    static quint64 selectedSearchOptions(const UserDefaults &defaults);
    static quint64 selectedSearchOptions();
    // The id in a store page address: after the last "/id", up to a query
    // or fragment. A null text when `text` is no store address or has none.
    static QString identifierFromStorePageAddress(const QString &text);
    // What a typed text asks for: trimmed, an address replaced by its id.
    static QString searchTermForText(const QString &text);
    // At least three characters, all of them the digits 0 to 9.
    static bool isIdentifier(const QString &term);

    // Starts a lookup or search of `text`. Nothing starts for an empty term,
    // or for the term of the previous search while it still has results.
    // `completion` runs once, later, with the results as the store gave
    // them (empty on an error); a cancelled request, or one overtaken by a
    // newer search or a cancel, completes with the cancellation error, which
    // callers ignore.
    Started searchAction(const QString &text, quint64 options, Completion completion);
    // The kinds changed: the same text may be searched again.
    void entityCheckboxClickedAction() { prevSearchString_.clear(); }
    void cancelAllRequests();
    // True while a request is waiting or running (the spinner).
    bool isSearching() const;

    QString prevSearchString() const { return prevSearchString_; }
    RequestQueue &requestQueue() { return *requestQueue_; }

    // Results in a table order: texts compared as people expect (numbers
    // by value, case ignored); absent values first when ascending.
    static Downloader::ProductRecords sortedResults(
        Downloader::ProductRecords results, const QList<SortDescriptor> &order);

private:
    RequestQueue *requestQueue_;
    QString prevSearchString_;
    bool hasResults_ = false;
    quint64 generation_ = 0;
};
