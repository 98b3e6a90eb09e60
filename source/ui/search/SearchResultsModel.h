#pragma once

#include "net/Downloader.h"
#include "platform/store/FetchRequest.h"

#include <QAbstractTableModel>

// The results of a store search as a table: product, author and kind, in the
// order of the sort descriptors. A header click re-sorts and keeps the
// selection on the same results.
class SearchResultsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ProductColumn, AuthorColumn, KindColumn, ColumnCount };

    explicit SearchResultsModel(QObject *parent = nullptr);

    // Replaces the rows, sorted by the current order.
    void setResults(const Downloader::ProductRecords &results);
    const Downloader::ProductRecords &results() const { return results_; }
    QJsonObject resultAt(int row) const;

    QList<SortDescriptor> sortDescriptors() const { return sortDescriptors_; }
    void setSortDescriptors(const QList<SortDescriptor> &descriptors);

    // "Product", "Author", "Kind"; the record key each sorts by.
    static QString columnIdentifier(int column);
    static QString sortKeyForColumn(int column);
    static int columnForSortKey(const QString &key);
    // The name a person knows a store kind by; "Unknown" for any other.
    static QString kindDisplayName(const QString &kind);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    Downloader::ProductRecords results_;
    QList<SortDescriptor> sortDescriptors_;
};
