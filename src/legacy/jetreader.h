// Reads the tables of a Jet database through libmdb (mdbtools). Values come
// from the stored bytes of each field, never through libmdb's texts: a
// Currency is the stored 64-bit count of ten-thousandths, a Single the stored
// float, and a Null stays apart from an empty text. The file is only read.
#pragma once
#include "store/value.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace rz {

struct JetColumn {
    QString name;
    QString typeName;  // as Access names the type: "Long Integer", "Currency", "Double"...
    // The type an estimate file declares for it: "LONG", "SHORT", "CURRENCY",
    // "SINGLE" or "TEXT(n)"; empty for a type no estimate column has.
    QString declared;
};

struct JetTableDef {
    QString name;
    std::vector<JetColumn> columns;
    qint64 rowCount = 0;  // as the table's definition records it
};

class JetReader {
public:
    // Opens the file read-only. Throws DbError with a message for the user
    // when it is no Jet database libmdb can read, is damaged, or is protected
    // by a database password.
    explicit JetReader(const QString &path);
    ~JetReader();
    JetReader(const JetReader &) = delete;
    JetReader &operator=(const JetReader &) = delete;

    // The user tables, in the order the file lists them.
    QStringList tables() const;
    // The definition of a table; throws DbError when it cannot be read.
    JetTableDef table(const QString &name);
    // Hands every row of the table to onRow, in stored order, one value per
    // column of table(name). Stops early when onRow returns false. Returns the
    // rows read; throws DbError naming the table, row and column of a value
    // that cannot be read.
    qint64 readRows(const QString &name, const std::function<bool(std::vector<Value> &)> &onRow);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace rz
