// The embedded engine: every estimate file is an SQLite database.
#pragma once

namespace rz {

class StoreEngine;

const StoreEngine &sqliteEngine();

}  // namespace rz
