#pragma once

#include <QAbstractTableModel>
#include <QList>

#include <memory>

class ForwardDestination;
class ManagedObjectContext;

// The forwarding destinations of the main context, one row each: number,
// kind, host, rules, state and waiting reviews. The address never shows;
// only its host does. The cells are read once per reload, since the
// waiting counts are queries.
class ForwardDestinationsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Number, Kind, Host, Rules, State, Waiting, ColumnCount };

    explicit ForwardDestinationsModel(ManagedObjectContext &context, QObject *parent = nullptr);

    // Reads the destinations again.
    void reload();
    std::shared_ptr<ForwardDestination> destinationAt(int row) const;
    // The row of the destination with `number`, or -1.
    int rowOfNumber(qint64 number) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        std::shared_ptr<ForwardDestination> destination;
        QVariantList cells;
    };

    ManagedObjectContext &context_;
    QList<Row> rows_;
};
