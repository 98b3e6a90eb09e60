#pragma once

#include <QTreeView>

// The sidebar's tree: Delete and Backspace ask to delete the selection, a
// double click or Enter opens the row, and a right click asks for the
// context menu of the row under the pointer.
class OutlineView : public QTreeView {
    Q_OBJECT

public:
    explicit OutlineView(QWidget *parent = nullptr);

    // The row of the last context click; invalid outside any row.
    QModelIndex clickedIndex() const { return clickedIndex_; }

Q_SIGNALS:
    void deleteRequested();
    void openRequested(const QModelIndex &index);
    void contextMenuRequested(const QModelIndex &index, const QPoint &globalPos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QPersistentModelIndex clickedIndex_;
};
