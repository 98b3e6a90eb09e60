#include "ui/sidebar/IndexPath.h"

#include <QStringList>

IndexPath IndexPath::indexPathByAddingIndex(int index) const
{
    QList<int> indexes = indexes_;
    indexes.append(index);
    return IndexPath(std::move(indexes));
}

IndexPath IndexPath::indexPathByRemovingLastIndex() const
{
    QList<int> indexes = indexes_;
    if (!indexes.isEmpty())
        indexes.removeLast();
    return IndexPath(std::move(indexes));
}

IndexPath IndexPath::indexPathByIncrementingLastIndex() const
{
    Q_ASSERT(!indexes_.isEmpty());
    QList<int> indexes = indexes_;
    indexes.last() += 1;
    return IndexPath(std::move(indexes));
}

IndexPath IndexPath::indexPathByReplacingIndexAtPosition(int position, int index) const
{
    Q_ASSERT(position >= 0 && position < length());
    QList<int> indexes = indexes_;
    indexes[position] = index;
    return IndexPath(std::move(indexes));
}

bool IndexPath::operator<(const IndexPath &other) const
{
    return std::lexicographical_compare(
        indexes_.begin(), indexes_.end(), other.indexes_.begin(), other.indexes_.end());
}

QString IndexPath::toString() const
{
    QStringList parts;
    for (int index : indexes_)
        parts << QString::number(index);
    return parts.join(QLatin1Char('.'));
}
