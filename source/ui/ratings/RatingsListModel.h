#pragma once

#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"

#include <QAbstractTableModel>

#include <memory>

class Product;
class Rating;

// The rating summaries of one product, one row per country, in the order of
// its sort descriptors. Follows the store: an import that adds, changes or
// removes a rating of the product shows at once.
class RatingsListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        CountryColumn,
        RatingCountColumn,
        AverageRatingColumn,
        RatingCountForCurrentVersionColumn,
        AverageRatingForCurrentVersionColumn,
        ColumnCount
    };

    explicit RatingsListModel(QObject *parent = nullptr);
    ~RatingsListModel() override;

    // The product whose ratings are listed; none empties the list.
    void setProduct(const std::shared_ptr<Product> &product);
    std::shared_ptr<Product> product() const { return product_; }

    std::shared_ptr<Rating> ratingAt(int row) const;

    // The record key each column shows and sorts by.
    static QString sortKeyForColumn(int column);
    static int columnForSortKey(const QString &key);

    QList<SortDescriptor> sortDescriptors() const { return sortDescriptors_; }
    void setSortDescriptors(const QList<SortDescriptor> &descriptors);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

Q_SIGNALS:
    // The user changed the order (a header click); not sent by setSortDescriptors.
    void sortDescriptorsChanged(const QList<SortDescriptor> &descriptors);

private:
    void reload();
    void contextDidChange(const ChangeNotification &changes);
    void arrange();
    bool less(const std::shared_ptr<Rating> &a, const std::shared_ptr<Rating> &b) const;

    std::shared_ptr<Product> product_;
    QList<std::shared_ptr<Rating>> rows_;
    QList<SortDescriptor> sortDescriptors_;
    ManagedObjectContext *observedContext_ = nullptr;
    ManagedObjectContext::ObserverId observer_ = 0;
};
