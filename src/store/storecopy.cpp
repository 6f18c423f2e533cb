#include "storecopy.h"

#include "database.h"
#include "partfiles.h"
#include "schema.h"
#include "serverlocation.h"
#include "stopsignals.h"
#include "tablecopy.h"
#include "tabletally.h"

#include <QFileInfo>
#include <map>

namespace rz {

namespace {
std::function<void(Database &)> &copyHook()
{
    static std::function<void(Database &)> hook;
    return hook;
}

std::map<QString, TableTally> tallies(Database &db, const QStringList &tables)
{
    std::map<QString, TableTally> out;
    for (const QString &t : tables)
        out[t] = tallyOf(db, t);
    return out;
}
}  // namespace

NewStore newStoreAt(const QString &location, QString *why)
{
    if (!isServerLocation(location)) {
        if (QFileInfo::exists(location) || QFileInfo(location).isSymLink())
            return NewStore::Exists;
        return canCreateFileAt(location) ? NewStore::Free : NewStore::CannotWrite;
    }
    if (!QFileInfo(location).isFile())
        return NewStore::NoConnectionFile;
    try {
        Database::open(location, OpenMode::ReadOnly);
        return NewStore::Exists;
    } catch (const DbError &e) {
        if (e.reason() == DbFailure::NotFound)
            return NewStore::Free;
        if (why)
            *why = e.description();
        return NewStore::Unusable;
    }
}

StoreCopySummary copyEstimateStore(const QString &from, const QString &to, const StoreCopyProgress &progress)
{
    if (sameFile(from, to))
        throw DbError(QStringLiteral("コピー元とコピー先が同じです。"));
    const auto source = Database::open(from, OpenMode::ReadOnly);
    const QString index = QString::fromLatin1(kIndexTable);
    if (!source->tableExists(index))
        throw DbError(QStringLiteral("'%1' は見積書ファイルではありません（RZTBLIDX がありません）。").arg(from),
                      DbFailure::NotADatabase, from);
    const QStringList tables = source->tableNames();
    // Counted before and after: a store others work on may change under the
    // copy, which would then be of no one moment.
    const std::map<QString, TableTally> before = tallies(*source, tables);
    StoreCopySummary summary;
    createWholeFile(to, [&](Database &target) {
        {
            TableCopy copy(*source, target);
            Transaction tx(target);
            for (const QString &table : tables) {
                if (stopSignal())
                    throw StoreCopyCancelled();
                if (progress)
                    progress(summary.tables, static_cast<int>(tables.size()), table);
                copy.copy(table, table);
                ++summary.tables;
            }
            tx.commit();
        }
        if (copyHook())
            copyHook()(target);
        if (tallies(*source, tables) != before || source->tableNames() != tables)
            throw DbError(QStringLiteral("コピーの間に '%1' が変更されました。コピー先は作られていません。もう一度実行してください。")
                              .arg(from));
        const QStringList problems = target.integrityProblems();
        if (!problems.isEmpty())
            throw DbError(QStringLiteral("コピーの検査で問題が見つかりました: %1").arg(problems.first()));
        for (const auto &[table, want] : before) {
            const TableTally got = target.tableExists(table) ? tallyOf(target, table) : TableTally{-1};
            if (got != want)
                throw DbError(QStringLiteral("コピーした表 %1 が元の表と一致しません（元: %2、コピー: %3）。")
                                  .arg(table, want.text(), got.text()));
            summary.rows += want.rows;
        }
        summary.estimates = static_cast<int>(before.at(index).rows);
    });
    if (progress)
        progress(summary.tables, summary.tables, QString());
    return summary;
}

QString StoreCopySummary::text(const QString &target) const
{
    return QStringLiteral("見積 %1 件（表 %2、%3 行）をコピーしました。\nコピー先: %4\n元のファイルは変更していません。")
        .arg(estimates)
        .arg(tables)
        .arg(rows)
        .arg(target);
}

void setStoreCopyHookForTesting(std::function<void(Database &)> hook)
{
    copyHook() = std::move(hook);
}

}  // namespace rz
