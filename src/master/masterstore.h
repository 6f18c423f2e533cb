// The unit-price master as a store keeps it: a table of items beside a one-
// row table whose revision every write moves, so that a program holding the
// master in memory knows cheaply when to read it again. The master is a
// store of its own (a file in the user's data folder by default, or the
// store the settings name, a server store when an office shares one);
// its tables are made when first needed. Statements are the engine-neutral
// ones of the store layer; every write is one transaction, and an item is
// never written over a change another user made since it was read.
#pragma once
#include "masteritem.h"

#include "store/database.h"

#include <memory>
#include <optional>
#include <vector>

namespace rz {

class MasterStore {
public:
    static const QString kItemTable;      // "RZMASTER"
    static const QString kRevisionTable;  // "RZMASTERREV"

    // The master at a location, with its tables. A location that does not
    // exist is created when `create` is set; otherwise, as every failure,
    // a DbError (NotFound) says so. A store the user may only read is
    // opened for reading.
    static std::unique_ptr<MasterStore> open(const QString &location, bool create);

    const QString &location() const { return db_->path(); }
    Database &database() { return *db_; }

    // A number that changes with every write to the master, by anyone.
    qint64 revision();
    std::vector<MasterItem> readAll();
    // The item of this name and specification (compared exactly).
    std::optional<MasterItem> find(const QString &knm, const QString &mei);

    // A new item; DbError (Constraint) when one of its name and
    // specification came meanwhile.
    void add(const MasterItem &item);
    // Writes the item over the one it was read as; false (nothing written)
    // when another user changed or deleted that one since.
    bool update(const MasterItem &item);
    // Deletes the items, all or none; false as update.
    bool remove(const std::vector<MasterItem> &items);

    // An import: an item whose name and specification the master holds
    // replaces it whole, the others are added; all in one transaction.
    struct Merge {
        int added = 0, replaced = 0;
    };
    Merge merge(const std::vector<MasterItem> &items);
    // Registering rows of an estimate: `added` are new, `repriced` are items
    // as read with their new prices and date. False (nothing written) when
    // another user added one of the new ones or changed one of the others
    // meanwhile.
    bool registerItems(const std::vector<MasterItem> &added, const std::vector<MasterItem> &repriced);

private:
    explicit MasterStore(std::unique_ptr<Database> db) : db_(std::move(db)) {}
    void makeTables();
    std::vector<MasterItem> read(const QString &where, const std::vector<Value> &params);
    void insert(Statement &st, const MasterItem &item);
    void bumpRevision();

    std::unique_ptr<Database> db_;
};

}  // namespace rz
