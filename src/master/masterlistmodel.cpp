// The list model of master items.
#include "masterlistmodel.h"

namespace rz {

MasterListModel::MasterListModel(std::vector<MasterField> columns, QObject *parent)
    : QAbstractTableModel(parent), columns_(std::move(columns))
{
}

void MasterListModel::show(std::shared_ptr<const MasterIndex> index, const std::vector<int> &rows)
{
    beginResetModel();
    index_ = std::move(index);
    rows_ = rows;
    endResetModel();
}

int MasterListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int MasterListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant MasterListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !index_ || index.row() >= int(rows_.size()))
        return {};
    const MasterField field = columns_[size_t(index.column())];
    if (role == Qt::TextAlignmentRole)
        return field == MasterField::Tk1 || field == MasterField::Tk2 ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                                      : int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    return masterFieldText(index_->item(rows_[size_t(index.row())]), field);
}

QVariant MasterListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section >= 0 && section < int(columns_.size()) ? masterCaption(columns_[size_t(section)]) : QVariant();
}

}  // namespace rz
