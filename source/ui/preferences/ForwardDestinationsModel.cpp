#include "ui/preferences/ForwardDestinationsModel.h"

#include "forward/ForwardDestinations.h"
#include "forward/ForwardMessage.h"
#include "model/ForwardDestination.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"

ForwardDestinationsModel::ForwardDestinationsModel(ManagedObjectContext &context, QObject *parent)
    : QAbstractTableModel(parent), context_(context)
{
    reload();
}

void ForwardDestinationsModel::reload()
{
    Error error;
    const auto destinations = ForwardDestinations::all(context_, &error);
    if (error)
        logLine(formatString(
            QStringLiteral("Error: forwarding destinations (%@)"), error.debugDescription()));
    beginResetModel();
    rows_.clear();
    for (const auto &destination : destinations) {
        rows_ << Row {destination,
            {destination->number(),
                ForwardMessage::displayName(ForwardDestinations::kindOf(*destination)),
                destination->host(), destination->rules().summary(),
                ForwardDestinations::stateOf(*destination),
                ForwardDestinations::waitingCount(*destination)}};
    }
    endResetModel();
}

std::shared_ptr<ForwardDestination> ForwardDestinationsModel::destinationAt(int row) const
{
    return row >= 0 && row < rows_.size() ? rows_.at(row).destination : nullptr;
}

int ForwardDestinationsModel::rowOfNumber(qint64 number) const
{
    for (int row = 0; row < rows_.size(); ++row) {
        if (rows_.at(row).destination->number() == number)
            return row;
    }
    return -1;
}

int ForwardDestinationsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int ForwardDestinationsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ForwardDestinationsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QVariantList &cells = rows_.at(index.row()).cells;
    if (role == Qt::DisplayRole)
        return cells.at(index.column());
    // The whole of what a narrow column cuts short.
    if (role == Qt::ToolTipRole && index.column() == Rules)
        return cells.at(Rules);
    if (role == Qt::ToolTipRole && index.column() == State) {
        const QString reason = rows_.at(index.row()).destination->pausedReason();
        return reason.isEmpty() ? QVariant() : QVariant(reason);
    }
    if (role == Qt::TextAlignmentRole && (index.column() == Number || index.column() == Waiting))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ForwardDestinationsModel::headerData(
    int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Number:
        return localized("ForwardDestinationsModel", "Number");
    case Kind:
        return localized("ForwardDestinationsModel", "Kind");
    case Host:
        return localized("ForwardDestinationsModel", "Host");
    case Rules:
        return localized("ForwardDestinationsModel", "Rules");
    case State:
        return localized("ForwardDestinationsModel", "State");
    case Waiting:
        return localized("ForwardDestinationsModel", "Waiting");
    default:
        return {};
    }
}
