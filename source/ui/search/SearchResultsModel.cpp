#include "ui/search/SearchResultsModel.h"

#include "catalog/StoreSearch.h"
#include "platform/StringFormat.h"

namespace {

// A key no store record carries: it marks each row's place before a sort so
// that the selection can follow the rows.
const QString rowMarker = QStringLiteral("\x01row");

} // namespace

SearchResultsModel::SearchResultsModel(QObject *parent)
    : QAbstractTableModel(parent), sortDescriptors_ {{QStringLiteral("trackName"), true}}
{
}

void SearchResultsModel::setResults(const Downloader::ProductRecords &results)
{
    beginResetModel();
    results_ = StoreSearch::sortedResults(results, sortDescriptors_);
    endResetModel();
}

QJsonObject SearchResultsModel::resultAt(int row) const
{
    return row >= 0 && row < results_.size() ? results_.at(row) : QJsonObject();
}

void SearchResultsModel::setSortDescriptors(const QList<SortDescriptor> &descriptors)
{
    sortDescriptors_ = descriptors;
    if (results_.isEmpty())
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    Downloader::ProductRecords marked = results_;
    for (qsizetype row = 0; row < marked.size(); ++row)
        marked[row].insert(rowMarker, int(row));
    marked = StoreSearch::sortedResults(std::move(marked), sortDescriptors_);
    QList<int> newRowOf(marked.size());
    for (qsizetype row = 0; row < marked.size(); ++row) {
        newRowOf[marked.at(row).value(rowMarker).toInt()] = int(row);
        marked[row].remove(rowMarker);
    }
    results_ = std::move(marked);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after << index.sibling(newRowOf.at(index.row()), index.column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString SearchResultsModel::columnIdentifier(int column)
{
    switch (column) {
    case ProductColumn:
        return QStringLiteral("Product");
    case AuthorColumn:
        return QStringLiteral("Author");
    case KindColumn:
        return QStringLiteral("Kind");
    default:
        return {};
    }
}

QString SearchResultsModel::sortKeyForColumn(int column)
{
    switch (column) {
    case ProductColumn:
        return QStringLiteral("trackName");
    case AuthorColumn:
        return QStringLiteral("artistName");
    case KindColumn:
        return QStringLiteral("kind");
    default:
        return {};
    }
}

int SearchResultsModel::columnForSortKey(const QString &key)
{
    for (int column = 0; column < ColumnCount; ++column) {
        if (sortKeyForColumn(column) == key)
            return column;
    }
    return -1;
}

QString SearchResultsModel::kindDisplayName(const QString &kind)
{
    if (kind == u"mac-software")
        return QStringLiteral("OS X");
    if (kind == u"software" || kind == u"iPadSoftware")
        return QStringLiteral("iOS");
    if (kind == u"ebook")
        return QStringLiteral("iBook");
    if (kind == u"podcast")
        return QStringLiteral("Podcast");
    return localized("SearchResultsModel", "Unknown");
}

int SearchResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(results_.size());
}

int SearchResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SearchResultsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)
        || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const QJsonObject &result = results_.at(index.row());
    const QJsonValue value = result.value(sortKeyForColumn(index.column()));
    if (index.column() == KindColumn)
        return kindDisplayName(value.toString());
    return value.isString() || value.isDouble() ? value.toVariant().toString() : QString();
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ProductColumn:
        return localized("SearchResultsModel", "Product");
    case AuthorColumn:
        return localized("SearchResultsModel", "Author");
    case KindColumn:
        return localized("SearchResultsModel", "Kind");
    default:
        return {};
    }
}

void SearchResultsModel::sort(int column, Qt::SortOrder order)
{
    const QString key = sortKeyForColumn(column);
    if (key.isEmpty())
        return;
    setSortDescriptors({{key, order == Qt::AscendingOrder}});
}
