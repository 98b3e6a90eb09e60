#include "ui/ratings/RatingsListModel.h"

#include "model/Product.h"
#include "model/Rating.h"
#include "platform/StringFormat.h"

#include <algorithm>

namespace {

// Each column: the key its sort is kept under in the preferences, the value
// it sorts by, and the text it shows.
struct Column {
    const char *key;
    QVariant (*value)(const Rating &);
    QString (*text)(const Rating &);
};

const Column kColumns[RatingsListModel::ColumnCount] = {
    {"localizedCountryName",
        [](const Rating &r) {
            const QString name = r.localizedCountryName();
            return name.isNull() ? QVariant() : QVariant(name);
        },
        [](const Rating &r) { return r.localizedCountryName(); }},
    {"ratingCount", [](const Rating &r) { return Rating::optionalValue(r.ratingCount()); },
        [](const Rating &r) { return r.ratingCountString(); }},
    {"averageRating", [](const Rating &r) { return Rating::optionalValue(r.averageRating()); },
        [](const Rating &r) { return r.averageRatingString(); }},
    {"ratingCountForCurrentVersion",
        [](const Rating &r) { return Rating::optionalValue(r.ratingCountForCurrentVersion()); },
        [](const Rating &r) { return r.ratingCountForCurrentVersionString(); }},
    {"averageRatingForCurrentVersion",
        [](const Rating &r) { return Rating::optionalValue(r.averageRatingForCurrentVersion()); },
        [](const Rating &r) { return r.averageRatingForCurrentVersionString(); }},
};

// Absent values first; numbers by value, texts in the user's collation.
int compareValues(const QVariant &a, const QVariant &b)
{
    if (!a.isValid() || !b.isValid())
        return int(a.isValid()) - int(b.isValid());
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return QString::localeAwareCompare(a.toString(), b.toString());
    const double x = a.toDouble();
    const double y = b.toDouble();
    return x < y ? -1 : (y < x ? 1 : 0);
}

} // namespace

RatingsListModel::RatingsListModel(QObject *parent) : QAbstractTableModel(parent)
{
    sortDescriptors_ = {{sortKeyForColumn(CountryColumn), true}};
}

// The observation ends with the model as its owner; the context may be
// gone already at shutdown.
RatingsListModel::~RatingsListModel() = default;

void RatingsListModel::setProduct(const std::shared_ptr<Product> &product)
{
    if (product == product_)
        return;
    if (observedContext_ && observer_)
        observedContext_->removeObserver(observer_);
    observedContext_ = nullptr;
    observer_ = 0;
    product_ = product;
    if (product_ && product_->managedObjectContext()) {
        observedContext_ = product_->managedObjectContext();
        observer_ = observedContext_->observeChanges(
            this, [this](const ChangeNotification &changes) { contextDidChange(changes); });
    }
    reload();
}

std::shared_ptr<Rating> RatingsListModel::ratingAt(int row) const
{
    return row >= 0 && row < rows_.size() ? rows_.at(row) : nullptr;
}

QString RatingsListModel::sortKeyForColumn(int column)
{
    if (column < 0 || column >= ColumnCount)
        return {};
    return QString::fromLatin1(kColumns[column].key);
}

int RatingsListModel::columnForSortKey(const QString &key)
{
    for (int column = 0; column < ColumnCount; ++column)
        if (key == QLatin1String(kColumns[column].key))
            return column;
    return -1;
}

void RatingsListModel::setSortDescriptors(const QList<SortDescriptor> &descriptors)
{
    sortDescriptors_ = descriptors;
    arrange();
}

int RatingsListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int RatingsListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RatingsListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const std::shared_ptr<Rating> &rating = rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return kColumns[index.column()].text(*rating);
    case Qt::ToolTipRole:
        return index.column() == CountryColumn ? rating->countryCode() : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == CountryColumn ? QVariant()
                                               : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant RatingsListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount
        || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    switch (section) {
    case CountryColumn:
        return localized("RatingsListModel", "Country");
    case RatingCountColumn:
        return localized("RatingsListModel", "Ratings");
    case AverageRatingColumn:
        return localized("RatingsListModel", "Average");
    case RatingCountForCurrentVersionColumn:
        return localized("RatingsListModel", "Ratings (Current Version)");
    default:
        return localized("RatingsListModel", "Average (Current Version)");
    }
}

void RatingsListModel::sort(int column, Qt::SortOrder order)
{
    const QString key = sortKeyForColumn(column);
    if (key.isEmpty())
        return;
    // The clicked column leads; the former keys break its ties.
    QList<SortDescriptor> descriptors {{key, order == Qt::AscendingOrder}};
    for (const SortDescriptor &descriptor : std::as_const(sortDescriptors_))
        if (descriptor.key != key)
            descriptors << descriptor;
    setSortDescriptors(descriptors);
    Q_EMIT sortDescriptorsChanged(sortDescriptors_);
}

void RatingsListModel::reload()
{
    beginResetModel();
    rows_.clear();
    if (product_)
        for (const std::shared_ptr<Rating> &rating : product_->ratings())
            if (rating && !rating->isDeleted())
                rows_ << rating;
    std::stable_sort(
        rows_.begin(), rows_.end(), [this](const auto &a, const auto &b) { return less(a, b); });
    endResetModel();
}

void RatingsListModel::contextDidChange(const ChangeNotification &changes)
{
    if (!product_)
        return;
    if (product_->isDeleted()) {
        setProduct(nullptr);
        return;
    }
    const auto ratingsChanged = changes.updated.constFind(product_->objectID());
    bool membershipChanged = ratingsChanged != changes.updated.constEnd()
        && ratingsChanged->contains(QStringLiteral("ratings"));
    QList<int> changedRows;
    for (int row = 0; row < rows_.size() && !membershipChanged; ++row) {
        const ObjectID id = rows_.at(row)->objectID();
        if (changes.deleted.contains(id))
            membershipChanged = true;
        else if (changes.updated.contains(id))
            changedRows << row;
    }
    if (membershipChanged) {
        reload();
        return;
    }
    for (int row : std::as_const(changedRows))
        Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
    if (!changedRows.isEmpty())
        arrange();
}

void RatingsListModel::arrange()
{
    QList<std::shared_ptr<Rating>> sorted = rows_;
    std::stable_sort(
        sorted.begin(), sorted.end(), [this](const auto &a, const auto &b) { return less(a, b); });
    if (sorted == rows_)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex &index : before)
        after << this->index(int(sorted.indexOf(rows_.at(index.row()))), index.column());
    rows_ = sorted;
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool RatingsListModel::less(
    const std::shared_ptr<Rating> &a, const std::shared_ptr<Rating> &b) const
{
    for (const SortDescriptor &descriptor : sortDescriptors_) {
        const int column = columnForSortKey(descriptor.key);
        if (column < 0)
            continue;
        const int order = compareValues(kColumns[column].value(*a), kColumns[column].value(*b));
        if (order != 0)
            return descriptor.ascending ? order < 0 : order > 0;
    }
    return false;
}
