// The unit-price master the program works with: where it is, the store
// opened on first use, and the index in memory that every window searches,
// read again only when someone changed the master since (its revision).
// The application owns one and hands it to the windows that use the master.
#pragma once
#include "masterindex.h"
#include "masterstore.h"

namespace rz {

class MasterCatalog {
public:
    // The master at `location`. `createWhenMissing` for the default master
    // in the user's data folder, made when first needed; a master the
    // settings name must be there.
    void setLocation(const QString &location, bool createWhenMissing);
    const QString &location() const { return location_; }
    bool createsWhenMissing() const { return create_; }

    // The store, opened on first use. Throws DbError.
    MasterStore &store();
    // The items as the master holds them now. Throws DbError.
    std::shared_ptr<const MasterIndex> index();
    // Lets the store go (after a failure: the next use opens it again).
    void close();

private:
    QString location_;
    bool create_ = false;
    std::unique_ptr<MasterStore> store_;
    std::shared_ptr<const MasterIndex> index_;
    qint64 indexRevision_ = -1;
};

}  // namespace rz
