#include "ui/reviews/ReviewListModel.h"

#include "model/Country.h"
#include "model/Product.h"
#include "model/Review.h"
#include "platform/Log.h"

namespace {

const char *const SortKeys[ReviewListModel::ColumnCount] = {"read", "dateReviewed", "rating",
    "displayTitle", "reviewer", "version", "countryCode", "voteSum"};

} // namespace

ReviewListModel::ReviewListModel(ManagedObjectContext &context, QObject *parent)
    : QAbstractTableModel(parent), context_(context), filter_(context)
{
}

void ReviewListModel::setProduct(const std::shared_ptr<Product> &product)
{
    filter_.updateReviewRatingsFilterPredicate(product);
    reload();
}

void ReviewListModel::setSearchText(const QString &text)
{
    if (filter_.searchAction(text))
        reload();
}

void ReviewListModel::setUnansweredOnly(bool unansweredOnly)
{
    if (filter_.setUnansweredOnly(unansweredOnly))
        reload();
}

QString ReviewListModel::sortKeyForColumn(int column)
{
    if (column < 0 || column >= ColumnCount)
        return {};
    return QString::fromLatin1(SortKeys[column]);
}

int ReviewListModel::columnForSortKey(const QString &key)
{
    for (int column = 0; column < ColumnCount; ++column)
        if (key == QLatin1String(SortKeys[column]))
            return column;
    return -1;
}

void ReviewListModel::reload()
{
    beginResetModel();
    ids_.clear();
    complete_ = true;
    batches_.clear();
    batchOrder_.clear();
    edited_.clear();
    if (filter_.product()) {
        predicate_ = filter_.filterPredicate().value_or(Predicate());
        ids_ = fetchIDs(0, PageSize + 1);
        // One id beyond the page tells whether there are more.
        complete_ = ids_.size() <= PageSize;
        if (!complete_)
            ids_.removeLast();
    }
    endResetModel();
}

QList<ObjectID> ReviewListModel::fetchIDs(int offset, int limit) const
{
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = predicate_;
    request.propertiesToFetch = {ObjectIDKey};
    request.sortDescriptors = filter_.sortDescriptors();
    // Ties go by id in the same direction, so that an index on the sort key
    // gives the whole order and a page deep down costs no sort.
    const bool ascending =
        request.sortDescriptors.isEmpty() || request.sortDescriptors.last().ascending;
    request.sortDescriptors << SortDescriptor {ObjectIDKey, ascending};
    request.fetchOffset = offset;
    request.fetchLimit = limit;
    Error error;
    const QList<QVariantMap> rows = context_.executeDictionaryFetch(request, &error);
    if (error)
        logLine(QStringLiteral("Review list: %1").arg(error.debugDescription()));
    QList<ObjectID> ids;
    ids.reserve(rows.size());
    for (const QVariantMap &row : rows)
        ids << row.value(ObjectIDKey).value<ObjectID>();
    return ids;
}

void ReviewListModel::appendIDs(int limit)
{
    if (complete_)
        return;
    QList<ObjectID> more = fetchIDs(int(ids_.size()), limit > 0 ? limit + 1 : 0);
    complete_ = limit <= 0 || more.size() <= limit;
    if (!complete_)
        more.removeLast();
    if (more.isEmpty())
        return;
    beginInsertRows({}, int(ids_.size()), int(ids_.size() + more.size()) - 1);
    ids_ += more;
    endInsertRows();
}

void ReviewListModel::fetchAll()
{
    appendIDs(0);
}

const QList<ManagedObjectPtr> &ReviewListModel::batch(int index) const
{
    auto found = batches_.find(index);
    if (found != batches_.end())
        return found.value();
    if (batchOrder_.size() >= KeptBatches)
        batches_.remove(batchOrder_.takeFirst());
    const QList<ObjectID> ids = ids_.mid(qsizetype(index) * BatchSize, BatchSize);
    QHash<qint64, ManagedObjectPtr> byRow;
    for (const ManagedObjectPtr &object : context_.existingObjects(ids))
        byRow.insert(object->objectID().rowId, object);
    // Which of them were edited: a look-up in the few earlier versions.
    FetchRequest versions(QStringLiteral("ReviewVersion"));
    QVariantList members;
    members.reserve(ids.size());
    for (const ObjectID &id : ids)
        members << QVariant::fromValue(id);
    versions.predicate = Predicate::format(QStringLiteral("review IN %@"), members);
    versions.propertiesToFetch = {QStringLiteral("review")};
    versions.returnsDistinctResults = true;
    Error error;
    for (const QVariantMap &row : context_.executeDictionaryFetch(versions, &error))
        edited_.insert(row.value(QStringLiteral("review")).toLongLong());
    if (error)
        logLine(QStringLiteral("Review list: %1").arg(error.debugDescription()));
    QList<ManagedObjectPtr> records;
    records.reserve(ids.size());
    for (const ObjectID &id : ids)
        records << byRow.value(id.rowId);
    batchOrder_ << index;
    return batches_.insert(index, records).value();
}

std::shared_ptr<Review> ReviewListModel::reviewAt(int row) const
{
    if (row < 0 || row >= ids_.size())
        return nullptr;
    const QList<ManagedObjectPtr> &records = batch(row / BatchSize);
    return std::dynamic_pointer_cast<Review>(records.value(row % BatchSize));
}

void ReviewListModel::setReadOfListed(bool read)
{
    fetchAll();
    for (qsizetype start = 0; start < ids_.size(); start += BatchSize) {
        for (const ManagedObjectPtr &object : context_.existingObjects(ids_.mid(start, BatchSize)))
            if (auto review = std::dynamic_pointer_cast<Review>(object);
                review && review->read().value_or(false) != read)
                review->setRead(read);
    }
    rowsChanged(0, int(ids_.size()) - 1);
}

void ReviewListModel::rowsChanged(int first, int last)
{
    if (first <= last && first >= 0 && last < ids_.size())
        Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

int ReviewListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(ids_.size());
}

int ReviewListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ReviewListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole
        && role != Qt::TextAlignmentRole)
        return {};
    const std::shared_ptr<Review> review = reviewAt(index.row());
    if (!review)
        return {};
    const bool unread = !review->read().value_or(false);
    if (role == Qt::TextAlignmentRole)
        return index.column() == Votes || index.column() == Unread ? QVariant(int(Qt::AlignCenter))
                                                                   : QVariant();
    switch (index.column()) {
    case Unread:
        if (role == Qt::DisplayRole)
            return unread ? QStringLiteral("\u25CF") : QString();
        return unread ? tr("Unread") : tr("Read");
    case Date:
        return review->dateReviewedString();
    case Stars: {
        const double rating = review->rating().value_or(0.0);
        if (role == Qt::DisplayRole)
            return rating;
        return tr("%1 of 5 stars").arg(rating);
    }
    case Title: {
        // Edited reviews carry a pencil and answered ones an arrow before
        // the title, which stay in view where the title is cut short.
        const bool edited = edited_.contains(review->objectID().rowId);
        const auto reply = review->reply();
        if (!edited && !reply)
            return review->displayTitle();
        QStringList notes;
        QString marks;
        if (edited) {
            notes << tr("Edited by its author; what it said before shows below its text.");
            marks += QStringLiteral("\u270E ");
        }
        if (reply) {
            notes << (reply->isPublished() ? tr("Answered; the reply is published.")
                                           : tr("Answered; the reply is pending."));
            marks += QStringLiteral("\u21A9 ");
        }
        if (role == Qt::ToolTipRole)
            return notes.join(QLatin1Char(' '));
        if (role == Qt::AccessibleTextRole)
            return QStringLiteral("%1 (%2)").arg(review->displayTitle(),
                edited && reply ? tr("edited, answered")
                    : edited    ? tr("edited")
                                : tr("answered"));
        return QString(marks + review->displayTitle());
    }
    case Reviewer:
        return review->reviewer();
    case Version:
        return review->version();
    case Country:
        return review->localizedCountryName();
    case Votes:
        if (role == Qt::ToolTipRole)
            return review->voteToolTipString();
        return review->voteSum() ? QVariant(*review->voteSum()) : QVariant();
    }
    return {};
}

QVariant ReviewListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole)
        return {};
    switch (section) {
    case Unread:
        return role == Qt::DisplayRole ? QString() : tr("Unread");
    case Date:
        return tr("Date");
    case Stars:
        return tr("Stars");
    case Title:
        return tr("Title");
    case Reviewer:
        return tr("Reviewer");
    case Version:
        return tr("Version");
    case Country:
        return tr("Country");
    case Votes:
        return tr("Votes");
    }
    return {};
}

Qt::ItemFlags ReviewListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool ReviewListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !complete_;
}

void ReviewListModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent))
        appendIDs(PageSize);
}

void ReviewListModel::sort(int column, Qt::SortOrder order)
{
    const QString key = sortKeyForColumn(column);
    if (key.isEmpty())
        return;
    filter_.setSortDescriptors({{key, order == Qt::AscendingOrder}});
    reload();
    Q_EMIT sortChanged(column, order);
}
