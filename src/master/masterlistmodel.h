// The items of a master search as a list view shows them: the columns a
// window chooses, prices right-aligned. The model keeps its own copy of the
// result positions, so a later search never leaves it pointing elsewhere.
#pragma once
#include "masterindex.h"

#include <QAbstractTableModel>

namespace rz {

class MasterListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit MasterListModel(std::vector<MasterField> columns, QObject *parent = nullptr);

    // The items at these positions of the index, in this order.
    void show(std::shared_ptr<const MasterIndex> index, const std::vector<int> &rows);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<MasterField> columns_;
    std::shared_ptr<const MasterIndex> index_;
    std::vector<int> rows_;
};

}  // namespace rz
