#pragma once

#include <QList>
#include <QString>

// A position in a tree: the index among siblings at each level, from the top
// level down. A top-level node has a path of length 1.
class IndexPath {
public:
    IndexPath() = default;
    IndexPath(std::initializer_list<int> indexes) : indexes_(indexes) { }
    explicit IndexPath(QList<int> indexes) : indexes_(std::move(indexes)) { }

    int length() const { return int(indexes_.size()); }
    bool isEmpty() const { return indexes_.isEmpty(); }
    int indexAtPosition(int position) const { return indexes_.at(position); }
    const QList<int> &indexes() const { return indexes_; }

    int firstIndex() const { return indexes_.first(); }
    int lastIndex() const { return indexes_.last(); }

    IndexPath indexPathByAddingIndex(int index) const;
    IndexPath indexPathByRemovingLastIndex() const;
    IndexPath indexPathByIncrementingLastIndex() const;
    IndexPath indexPathByReplacingIndexAtPosition(int position, int index) const;

    bool operator==(const IndexPath &other) const = default;
    bool operator<(const IndexPath &other) const;

    QString toString() const; // "2.5"

private:
    QList<int> indexes_;
};
