// The master the program works with.
#include "mastercatalog.h"

namespace rz {

void MasterCatalog::setLocation(const QString &location, bool createWhenMissing)
{
    if (location != location_)
        close();
    location_ = location;
    create_ = createWhenMissing;
}

MasterStore &MasterCatalog::store()
{
    if (!store_) {
        if (location_.isEmpty())
            throw DbError(QStringLiteral("単価マスタの場所が設定されていません。"), DbFailure::NotFound);
        store_ = MasterStore::open(location_, create_);
    }
    return *store_;
}

std::shared_ptr<const MasterIndex> MasterCatalog::index()
{
    try {
        MasterStore &master = store();
        // The revision is read first: a change coming between the two reads
        // only makes the next use read again.
        const qint64 revision = master.revision();
        if (!index_ || revision != indexRevision_) {
            index_ = std::make_shared<const MasterIndex>(master.readAll());
            indexRevision_ = revision;
        }
    } catch (const DbError &) {
        close();
        throw;
    }
    return index_;
}

void MasterCatalog::close()
{
    store_.reset();
    index_.reset();
    indexRevision_ = -1;
}

}  // namespace rz
