// The plain types the store's front (database.h) and its engines (engine.h)
// share: how a store is opened, a column's and an index's definition, and a
// stored value as the engine holds it.
#pragma once
#include "value.h"

#include <QString>
#include <QStringList>

namespace rz {

enum class OpenMode { ReadWrite, ReadOnly };

// What talking to the store cost: round trips to a server (each a wait for
// its reply) and connections made again after one was lost.
struct StoreTraffic {
    qint64 roundTrips = 0;
    qint64 reconnects = 0;
};

struct ColumnDef {
    QString name;
    QString declared;  // "LONG", "SHORT", "CURRENCY", "SINGLE", "TEXT(60)"
    ColType type() const { return colTypeFromDecl(declared); }
};

// An index the user made on a table.
struct IndexDef {
    QString name;
    bool unique = false;
    QStringList columns;  // quoted names, each with " DESC" when it sorts downwards
};

// One stored value as the engine holds it, unconverted: what a reader of many
// rows takes instead of a Value per column. A read sets the kind and what it
// names: integer, number, or bytes and size of a text or blob (Null: none, 0),
// and nothing else, so that rows of them cost nothing to make. The bytes
// belong to the statement and stay valid until its next step or reset.
struct RawCell {
    enum Kind : quint8 { Null, Integer, Float, Text, Blob };
    Kind kind;
    qint64 integer;
    double number;
    const char *bytes;
    int size;
};

}  // namespace rz
