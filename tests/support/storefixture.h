// Stores of either engine for tests: an estimate file in a temporary folder
// ("file") or a fresh schema on the test run's PostgreSQL server ("server",
// started by tests/support/pgserver as a ctest fixture). The store tests take
// the engine as a data column; the area tests run once per engine, their
// fixtures keeping the estimate file where defaultEngine() says.
#pragma once
#include "store/database.h"
#include "store/serverlocation.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace rztest {

// The engines a store test runs on.
QStringList engines();

// The engine the area fixtures keep their estimate files on: RZ_TEST_ENGINE
// ("file" when unset), so that ctest runs each area once per engine.
QString defaultEngine();
inline bool onServer() { return defaultEngine() == QLatin1String("server"); }

// Adds the data column "engine" and one row per engine, for a test that has
// no data of its own.
void engineRows();

// A location of a new store of the engine that does not exist yet: NAME.mdb
// in dir, or dir/NAME.rzdb naming a schema not yet on the test server.
QString newStoreLocation(const QString &engine, const QTemporaryDir &dir, const QString &name);

// The location of the store NAME of the engine in dir, the same at every
// call: NAME.mdb, or NAME.rzdb naming a schema of its own on the test server
// (written at the first call; the schema is made by whoever creates the store).
QString storeLocation(const QString &engine, const QTemporaryDir &dir, const QString &name);

// A new estimate file (with its index table) of the engine, opened for work.
std::unique_ptr<rz::Database> newEstimateStore(const QString &engine, const QTemporaryDir &dir, const QString &name,
                                               QString *location = nullptr);

// The test server's connection keywords with a schema (for connection files
// the test writes itself), as the role `user` when given.
rz::ServerLocation testServer(const QString &schema, const QString &user = QString());
// The folder of the test server and its state file (for tests that stop it).
QString testServerState();

// Every row the query selects, its columns as the store reads them joined by
// "/": the same texts on both engines (no engine's own aggregate or casts).
QStringList rowsOf(rz::Database &db, const QString &sql);

// Runs a statement on the store at `location` as another program would. A
// trigger that refuses writes, "CREATE TRIGGER name BEFORE event ON table
// [WHEN condition] BEGIN SELECT RAISE(ABORT, 'message'); END", and "DROP
// TRIGGER name ON table" are put in the server's own words there.
void executeAsOtherProgram(const QString &location, const QString &sql);

// Runs statements as the server's superuser (roles, rights), outside any store.
void asSuperuser(const QStringList &sql);

}  // namespace rztest

// A case about files by nature (part files, file rights, another program on
// the file) runs on the file engine only; the reason says why.
#define RZ_FILE_ONLY(reason) \
    do { \
        if (rztest::onServer()) \
            QSKIP("files only: " reason); \
    } while (false)
