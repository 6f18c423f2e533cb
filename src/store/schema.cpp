#include "schema.h"

#include "partfiles.h"
#include "serverlocation.h"
#include "stopsignals.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace rz {

const char *const kIndexTable = "RZTBLIDX";

namespace {
void addNumbered(std::vector<ColumnDef> &cols, const QString &prefix, const QString &suffixes, const QString &type)
{
    for (QChar c : suffixes)
        cols.push_back({prefix + c, type});
}
}  // namespace

const std::vector<ColumnDef> &indexTableColumns()
{
    static const std::vector<ColumnDef> cols = [] {
        std::vector<ColumnDef> c{{"key1", "LONG"},      {"knm", "TEXT(60)"},  {"kn1", "CURRENCY"},
                                 {"kn2", "CURRENCY"},  {"ad1", "TEXT(60)"},  {"hat", "TEXT(60)"},
                                 {"kno", "TEXT(10)"},  {"dt1", "TEXT(10)"},  {"dt2", "TEXT(10)"},
                                 {"dt3", "TEXT(10)"},  {"dt4", "TEXT(10)"}};
        addNumbered(c, "int", "0123456789", "SHORT");
        addNumbered(c, "cur", "0123456789ABCDEF", "CURRENCY");
        addNumbered(c, "bk", "1234", "TEXT(40)");
        return c;
    }();
    return cols;
}

const std::vector<ColumnDef> &itemTableColumns()
{
    static const std::vector<ColumnDef> cols = [] {
        std::vector<ColumnDef> c;
        addNumbered(c, "key", "12345678", "LONG");
        c.insert(c.end(), {{"knm", "TEXT(60)"},
                           {"mei", "TEXT(30)"},
                           {"tn1", "TEXT(6)"},
                           {"su1", "CURRENCY"},
                           {"tk1", "CURRENCY"},
                           {"kn1", "CURRENCY"},
                           {"rt1", "SHORT"},
                           {"su2", "CURRENCY"},
                           {"tk2", "CURRENCY"},
                           {"kn2", "CURRENCY"},
                           {"rt2", "SHORT"},
                           {"lvl", "SHORT"}});
        addNumbered(c, "bk", "123", "TEXT(20)");
        c.push_back({"flg", "TEXT(10)"});
        addNumbered(c, "int", "0123456789", "SHORT");
        addNumbered(c, "cur", "0123456789ABC", "CURRENCY");
        c.push_back({"bk4", "TEXT(30)"});
        return c;
    }();
    return cols;
}

QString itemTableName(qint64 key)
{
    return QStringLiteral("TBL") + QString::number(key).rightJustified(5, u'0');
}

QString itemTableCreateSql(qint64 key)
{
    QStringList defs;
    for (QChar c : QStringLiteral("12345678"))
        defs << QStringLiteral("[Key%1] LONG").arg(c);
    defs << "[knm] TEXT(60)" << "[mei] TEXT(30)" << "[tn1] TEXT(6)" << "[su1] SINGLE" << "[tk1] CURRENCY"
         << "[kn1] LONG" << "[rt1] SHORT" << "[su2] SINGLE" << "[tk2] CURRENCY" << "[kn2] LONG" << "[rt2] SHORT"
         << "[lvl] SHORT" << "[bk1] TEXT(20)" << "[bk2] TEXT(20)" << "[bk3] TEXT(20)" << "[flg] TEXT(10)";
    for (QChar c : QStringLiteral("0123456789"))
        defs << QStringLiteral("[int%1] SHORT").arg(c);
    for (QChar c : QStringLiteral("0123456789ABC"))
        defs << QStringLiteral("[cur%1] CURRENCY").arg(c);
    return QStringLiteral("CREATE TABLE [") + itemTableName(key) + QStringLiteral("] (") + defs.join(", ") + u')';
}

void sb_MkIdxDB(const QString &path, int mode)
{
    createWholeFile(path, [mode](Database &db) {
        if (mode != 1)
            db.createTable(QString::fromLatin1(kIndexTable), indexTableColumns());
    });
}

void createWholeFile(const QString &path, const std::function<void(Database &)> &fill)
{
    // On a server the schema and what fill makes in it are one transaction.
    if (isServerLocation(path)) {
        Database::create(path, fill);
        return;
    }
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw DbError(QStringLiteral("ファイル '%1' は既に存在します。").arg(path));
    // The file is built under a passing name beside it and takes the user's
    // name only when it is complete: a crash half way leaves no file that
    // neither creating nor opening would accept, and what such a crash left
    // goes now.
    const WholeFileCreation underWay;
    removeLeftoverPartFiles(QFileInfo(path).absolutePath());
    const QString building = reservePartFile(path);
    QFile::remove(building);  // the empty reservation goes; the database is created in its place
    PartFileLock lock;
    try {
        auto db = Database::create(building);
        if (!lock.lock(building))
            throw DbError(QStringLiteral("ファイル '%1' を作成できません: 作成中のファイルが他のプログラムに消されました。"
                                         "もう一度実行してください。").arg(path));
        fill(*db);
        db->close();
        // rename() never replaces a file that appeared meanwhile.
        if (!QFile::rename(building, path))
            throw DbError(QStringLiteral("ファイル '%1' を作成できません。").arg(path));
    } catch (...) {
        for (const QString &suffix : QStringList{QString()} + storeSideFileSuffixes())
            QFile::remove(building + suffix);
        throw;
    }
}

void sb_MkUTbl(const QString &tableName, Database &db)
{
    db.createTable(tableName, itemTableColumns());
}

std::unique_ptr<Database> openEstimateFile(const QString &path)
{
    auto db = Database::open(path);
    if (!db->tableExists(QString::fromLatin1(kIndexTable)))
        throw DbError(QStringLiteral("ファイル '%1' は見積書ファイルではありません（RZTBLIDX がありません）。").arg(path));
    return db;
}

}  // namespace rz
