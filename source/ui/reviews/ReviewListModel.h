#pragma once

#include "catalog/ReviewFilter.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>

#include <memory>

class Product;
class Review;

// The selected product's reviews through its filter and search, one row
// each. The ids of the listed reviews come from SQL in its order, a page at
// a time as the view asks for more rows (fetchMore); records are loaded in
// small batches when a row is shown. Derived values (date text, country
// name, vote text) are computed for the rows painted only.
class ReviewListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Unread, Date, Stars, Title, Reviewer, Version, Country, Votes, ColumnCount };
    static constexpr int PageSize = 1000;
    static constexpr int BatchSize = 100;
    static constexpr int KeptBatches = 24;

    explicit ReviewListModel(ManagedObjectContext &context, QObject *parent = nullptr);

    ReviewFilter &filter() { return filter_; }
    const ReviewFilter &filter() const { return filter_; }
    std::shared_ptr<Product> product() const { return filter_.product(); }

    // Shows a product (null for none) with its stored version and country.
    void setProduct(const std::shared_ptr<Product> &product);
    // Applies a search text; refetches only when the filter changed.
    void setSearchText(const QString &text);
    void setUnansweredOnly(bool unansweredOnly);
    // Fetches the ids again (after an import or a filter choice).
    void reload();

    // The stored key a column sorts by.
    static QString sortKeyForColumn(int column);
    static int columnForSortKey(const QString &key);

    // The ids of the rows fetched so far; fetchAll() fetches the rest.
    const QList<ObjectID> &listedIDs() const { return ids_; }
    int listedCount() const { return int(ids_.size()); }
    void fetchAll();
    std::shared_ptr<Review> reviewAt(int row) const;
    int rowForID(const ObjectID &id) const { return int(ids_.indexOf(id)); }
    // Sets `read` of every listed review, fetched or not; the caller saves.
    void setReadOfListed(bool read);
    // Repaints rows whose record changed.
    void rowsChanged(int first, int last);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

Q_SIGNALS:
    void sortChanged(int column, Qt::SortOrder order);

private:
    const QList<ManagedObjectPtr> &batch(int index) const;
    QList<ObjectID> fetchIDs(int offset, int limit) const;
    // Appends the next `limit` ids (0: all the rest) as new rows.
    void appendIDs(int limit);

    ManagedObjectContext &context_;
    ReviewFilter filter_;
    Predicate predicate_;
    QList<ObjectID> ids_;
    // Reviews with earlier versions among those loaded, by row id.
    mutable QSet<qint64> edited_;
    bool complete_ = true;
    mutable QHash<int, QList<ManagedObjectPtr>> batches_;
    mutable QList<int> batchOrder_;
};
