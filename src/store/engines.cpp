// The engines the store knows, and which of them keeps a location.
#include "database.h"
#include "engine.h"
#include "postgres/pgengine.h"
#include "sqlite/sqliteengine.h"

namespace rz {

const StoreEngine &engineFor(const QString &location)
{
    // Asked in turn: the first that takes the location keeps it. The
    // embedded engine takes every location (an estimate file), so it comes last.
    static const StoreEngine *const engines[] = {&postgresEngine(), &sqliteEngine()};
    for (const StoreEngine *e : engines)
        if (e->accepts(location))
            return *e;
    return sqliteEngine();
}

QStringList storeSideFileSuffixes() { return sqliteEngine().sideFileSuffixes(); }

}  // namespace rz
