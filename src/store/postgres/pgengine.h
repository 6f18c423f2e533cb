// The server engine: every connection file (.rzdb) names an estimate file
// kept as a schema of a database on a server.
#pragma once

namespace rz {

class StoreEngine;

const StoreEngine &postgresEngine();

}  // namespace rz
