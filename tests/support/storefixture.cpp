#include "storefixture.h"

#include "store/recordset.h"
#include "store/schema.h"

#include <QFile>
#include <QRegularExpression>
#include <QUuid>
#include <QtTest>
#include <libpq-fe.h>

namespace rztest {

QStringList engines() { return {QStringLiteral("file"), QStringLiteral("server")}; }

QString defaultEngine()
{
    static const QString engine = [] {
        const QString e = qEnvironmentVariable("RZ_TEST_ENGINE", QStringLiteral("file"));
        if (!engines().contains(e))
            qFatal("RZ_TEST_ENGINE names no engine: %s", qPrintable(e));
        return e;
    }();
    return engine;
}

void engineRows()
{
    QTest::addColumn<QString>("engine");
    for (const QString &e : engines())
        QTest::newRow(qPrintable(e)) << e;
}

QString testServerState()
{
    const QString state = qEnvironmentVariable("RZ_TEST_PGSTATE");
    if (state.isEmpty() || !QFile::exists(state))
        qFatal("No test server: run the tests through ctest, which starts it (tests/support/pgserver).");
    return state;
}

rz::ServerLocation testServer(const QString &schema, const QString &user)
{
    QFile state(testServerState());
    if (!state.open(QIODevice::ReadOnly))
        qFatal("The test server's state file cannot be read.");
    const QString dir = QString::fromUtf8(state.readAll()).trimmed();
    QFile port(dir + QStringLiteral("/port"));
    port.open(QIODevice::ReadOnly);
    rz::ServerLocation loc;
    loc.keywords = {{"host", dir}, {"port", QString::fromUtf8(port.readAll()).trimmed()}, {"dbname", "postgres"},
                    {"user", user.isEmpty() ? QStringLiteral("rz") : user}};
    loc.schema = schema;
    return loc;
}

QString newStoreLocation(const QString &engine, const QTemporaryDir &dir, const QString &name)
{
    if (engine == QLatin1String("file"))
        return dir.filePath(name + QStringLiteral(".mdb"));
    // A schema no other test uses, also when tests run at once.
    const QString schema = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(20);
    const QString path = dir.filePath(name + QStringLiteral(".rzdb"));
    rz::writeConnectionFile(path, testServer(schema));
    return path;
}

QString storeLocation(const QString &engine, const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name + (engine == QLatin1String("file") ? ".mdb" : ".rzdb"));
    return QFile::exists(path) || engine == QLatin1String("file") ? path : newStoreLocation(engine, dir, name);
}

std::unique_ptr<rz::Database> newEstimateStore(const QString &engine, const QTemporaryDir &dir, const QString &name,
                                               QString *location)
{
    const QString path = newStoreLocation(engine, dir, name);
    rz::sb_MkIdxDB(path, 0);
    if (location)
        *location = path;
    return rz::openEstimateFile(path);
}

QStringList rowsOf(rz::Database &db, const QString &sql)
{
    QStringList rows;
    for (auto rs = db.openRecordset(sql, rz::RecordsetType::Snapshot); !rs->eof(); rs->moveNext()) {
        QStringList columns;
        for (int i = 0; i < rs->fieldCount(); ++i)
            columns << rs->field(i).toString();
        rows << columns.join(u'/');
    }
    return rows;
}

void executeAsOtherProgram(const QString &location, const QString &sql)
{
    static const QRegularExpression create(
        QStringLiteral("^CREATE TRIGGER (\\w+) BEFORE (\\w+) ON (\\w+)(?: WHEN (.*))? BEGIN SELECT RAISE\\(ABORT, '(.*)'\\); END$"));
    static const QRegularExpression drop(QStringLiteral("^DROP TRIGGER (\\w+) ON (\\w+)$"));
    const auto made = create.match(sql), dropped = drop.match(sql);
    if (!rz::isServerLocation(location)) {
        rz::openEstimateFile(location)->execute(dropped.hasMatch() ? "DROP TRIGGER " + dropped.captured(1) : sql);
        return;
    }
    const QString schema = rz::readConnectionFile(location).schema + u'.';
    if (made.hasMatch()) {
        const QString name = schema + made.captured(1), when = made.captured(4);
        asSuperuser({QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION '%2'; END$$")
                         .arg(name, made.captured(5)),
                     QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW %4 EXECUTE FUNCTION %5()")
                         .arg(made.captured(1), made.captured(2), schema + made.captured(3).toLower(),
                              when.isEmpty() ? QString() : "WHEN (" + when + ')', name)});
    } else if (dropped.hasMatch()) {
        asSuperuser({QStringLiteral("DROP TRIGGER %1 ON %2").arg(dropped.captured(1), schema + dropped.captured(2).toLower())});
    } else {
        rz::openEstimateFile(location)->execute(sql);
    }
}

void asSuperuser(const QStringList &sql)
{
    const rz::ServerLocation s = testServer(QStringLiteral("public"));
    const QByteArray info = QStringLiteral("host=%1 port=%2 dbname=postgres user=rz")
                                .arg(s.value("host"), s.value("port"))
                                .toUtf8();
    PGconn *c = PQconnectdb(info.constData());
    for (const QString &s : sql) {
        PGresult *r = PQexec(c, s.toUtf8().constData());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        if (!ok)
            qWarning("%s: %s", qPrintable(s), PQresultErrorMessage(r));
        PQclear(r);
    }
    PQfinish(c);
}

}  // namespace rztest
