// One estimate of an estimate file as the windows and the printers hand it
// to each other: its key in the index table. The item table's name is made
// from the key wherever it is needed, never the other way round.
#pragma once
#include <QString>
#include <QtGlobal>

namespace rz {

QString itemTableName(qint64 key);

struct EstimateRef {
    qint32 key = 0;  // key1 of the estimate's index record
    QString tableName() const { return itemTableName(key); }
};

}  // namespace rz
