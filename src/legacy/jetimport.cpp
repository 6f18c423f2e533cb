#include "jetimport.h"

#include "jetfile.h"
#include "jetreader.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/serverlocation.h"
#include "store/stopsignals.h"
#include "store/tabletally.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <map>
#include <set>

namespace rz {

namespace {

// A Jet table and how its columns become the columns of the new table: the
// estimate file's names in its order, each with the type the Jet file declares.
struct TablePlan {
    QString jetName;
    QString name;
    JetTableDef def;
    std::vector<ColumnDef> columns;
    std::vector<size_t> source;  // Jet column of each new column
};

// The item-table columns the transfer window's SQL declares otherwise.
bool sqlVariantType(const QString &column, ColType type)
{
    const QString c = column.toLower();
    return ((c == QLatin1String("su1") || c == QLatin1String("su2")) && type == ColType::Single) ||
           ((c == QLatin1String("kn1") || c == QLatin1String("kn2")) && type == ColType::Long);
}

TablePlan plan(JetReader &jet, const QString &jetName, const QString &name, bool item)
{
    TablePlan p{jetName, name, jet.table(jetName), {}, {}};
    std::vector<bool> used(p.def.columns.size());
    for (const ColumnDef &want : item ? itemTableColumns() : indexTableColumns()) {
        size_t at = 0;
        while (at < p.def.columns.size() && p.def.columns[at].name.compare(want.name, Qt::CaseInsensitive) != 0)
            ++at;
        if (at == p.def.columns.size()) {
            if (item && want.name == QLatin1String("bk4"))
                continue;  // the transfer window's 47 columns
            throw DbError(QStringLiteral("表 %1 に列 %2 がありません。見積ファイルの表ではないため変換できません。")
                              .arg(jetName, want.name));
        }
        const JetColumn &c = p.def.columns[at];
        const ColType got = c.declared.isEmpty() ? ColType::Other : colTypeFromDecl(c.declared);
        if (got != want.type() && !(item && sqlVariantType(want.name, got)))
            throw DbError(QStringLiteral("表 %1 の列 %2 は %3 型です（見積ファイルでは %4）。変換できません。")
                              .arg(jetName, c.name, c.typeName, want.declared));
        p.columns.push_back({want.name, c.declared});
        p.source.push_back(at);
        used[at] = true;
    }
    for (size_t i = 0; i < used.size(); ++i)
        if (!used[i])
            throw DbError(QStringLiteral("表 %1 には見積ファイルにない列 %2 があります。変換できません。")
                              .arg(jetName, p.def.columns[i].name));
    return p;
}

// What must come out of the new file as it went in: rows and amount totals.
using Tally = TableTally;

int columnIndex(const std::vector<ColumnDef> &columns, const char *name)
{
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == QLatin1String(name))
            return static_cast<int>(i);
    return -1;
}

class Writer {
public:
    Writer(JetReader &jet, Database &db, const ConversionProgress &progress, qint64 total)
        : jet_(jet), db_(db), progress_(progress), total_(total)
    {
    }

    // Copies one table; returns its tally as read from the Jet file.
    Tally copy(const TablePlan &p)
    {
        db_.createTable(p.name, p.columns);
        QStringList names, marks;
        for (const ColumnDef &c : p.columns)
            names << quoteIdentifier(c.name), marks << QStringLiteral("?");
        Statement insert(db_, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(quoteIdentifier(p.name), names.join(", "), marks.join(", ")));
        const int kn1 = columnIndex(p.columns, "kn1"), kn2 = columnIndex(p.columns, "kn2");
        Tally tally;
        std::vector<Value> values(p.columns.size());
        const qint64 read = jet_.readRows(p.jetName, [&](std::vector<Value> &row) {
            for (size_t i = 0; i < values.size(); ++i)
                values[i] = std::move(row[p.source[i]]);
            try {
                insert.bindAll(values);
                insert.step();
                insert.reset();
            } catch (const DbError &e) {
                throw DbError(QStringLiteral("表 %1 の %2 行目を書き込めません: %3").arg(p.name).arg(tally.rows + 1).arg(e.description()));
            }
            tally.add(values[static_cast<size_t>(kn1)], values[static_cast<size_t>(kn2)]);
            advance(1, tally.rows % 256 == 0);
            return true;
        });
        // Rows the reader skipped (damaged, or stored in a way it does not
        // follow) would be lost without a word: the definition's count decides.
        if (read != p.def.rowCount)
            throw DbError(QStringLiteral("ファイルが壊れているため変換できません（表 %1 は %2 行のはずが、読めたのは %3 行です）。")
                              .arg(p.jetName).arg(p.def.rowCount).arg(read));
        advance(0, true);
        return tally;
    }

private:
    // Stops between rows when the user cancels or a stop signal came.
    void advance(qint64 rows, bool report)
    {
        done_ += rows;
        if (report && ((progress_ && !progress_(std::min(done_, total_), total_)) || stopSignal()))
            throw ConversionCancelled();
    }

    JetReader &jet_;
    Database &db_;
    const ConversionProgress &progress_;
    qint64 total_;
    qint64 done_ = 0;
};

std::function<void(Database &)> &copyHook()
{
    static std::function<void(Database &)> hook;
    return hook;
}

void check(Database &db, const std::vector<std::pair<QString, Tally>> &expected)
{
    const QStringList problems = db.integrityProblems();
    if (!problems.isEmpty())
        throw DbError(QStringLiteral("変換したファイルの検査で問題が見つかりました: %1").arg(problems.first()));
    for (const auto &[table, want] : expected) {
        const Tally got = tallyOf(db, table);
        if (!(got == want))
            throw DbError(QStringLiteral("変換したファイルの表 %1 が元の表と一致しません（元: %2、変換後: %3）。")
                              .arg(table, want.text(), got.text()));
    }
}

}  // namespace

ConversionSummary convertJetFile(const QString &jetPath, const QString &target, const ConversionProgress &progress)
{
    if (QFileInfo(jetPath).isDir())
        throw DbError(QStringLiteral("'%1' はフォルダです。旧形式（Jet）の見積ファイルを選んでください。").arg(jetPath));
    if (!QFileInfo(jetPath).isFile())
        throw DbError(QStringLiteral("ファイル '%1' がありません。").arg(jetPath));
    QString why;
    switch (jetFormatOf(jetPath, &why)) {
    case JetFormat::Unreadable:
        throw DbError(QStringLiteral("ファイル '%1' を読めません: %2").arg(jetPath, why));
    case JetFormat::None:
        throw DbError(QStringLiteral("'%1' は旧形式（Jet）の見積ファイルではありません。").arg(jetPath));
    case JetFormat::Unknown:
        throw DbError(QStringLiteral("'%1' は変換できない版の Jet ファイルです。").arg(jetPath));
    default:
        break;
    }
    // A connection file exists before its store: the server refuses a schema that is there.
    if (!isServerLocation(target) && (QFileInfo::exists(target) || QFileInfo(target).isSymLink()))
        throw DbError(QStringLiteral("ファイル '%1' は既に存在します。").arg(target));

    JetReader jet(jetPath);
    std::map<QString, QString> byUpper;  // Jet names compare without regard to case
    for (const QString &t : jet.tables())
        byUpper.emplace(t.toUpper(), t);
    const auto index = byUpper.find(QString::fromLatin1(kIndexTable));
    if (index == byUpper.end())
        throw DbError(QStringLiteral("'%1' には見積の一覧表 RZTBLIDX がありません。見積ファイルではないため変換できません。")
                          .arg(jetPath));
    const TablePlan indexPlan = plan(jet, index->second, QString::fromLatin1(kIndexTable), false);

    // The estimate numbers decide which item tables belong to the file.
    std::set<qint64> keys;
    const size_t keyColumn = indexPlan.source[0];
    jet.readRows(indexPlan.jetName, [&](std::vector<Value> &row) {
        const Value &k = row[keyColumn];
        if (!k.isNull() && k.toLong() > 0)
            keys.insert(k.toLong());
        return true;
    });

    ConversionSummary summary;
    summary.target = target;
    std::vector<TablePlan> items;
    std::set<QString> taken{index->first};
    for (qint64 k : keys) {
        const QString name = itemTableName(k);
        const auto it = byUpper.find(name.toUpper());
        if (it == byUpper.end()) {
            summary.emptyTables << name;
            continue;
        }
        items.push_back(plan(jet, it->second, name, true));
        taken.insert(it->first);
    }
    static const QRegularExpression itemName(QStringLiteral("^TBL\\d{5,}$"));
    for (const auto &[upper, name] : byUpper)
        if (!taken.count(upper))
            (itemName.match(upper).hasMatch() ? summary.orphanTables : summary.otherTables) << name;

    qint64 total = indexPlan.def.rowCount;
    for (const TablePlan &p : items)
        total += p.def.rowCount;

    // The new file takes its name only once written and checked.
    createWholeFile(target, [&](Database &db) {
        std::vector<std::pair<QString, Tally>> expected;
        {
            Transaction tx(db);
            Writer writer(jet, db, progress, total);
            const Tally indexTally = writer.copy(indexPlan);
            summary.estimates = static_cast<int>(indexTally.rows);
            expected.emplace_back(indexPlan.name, indexTally);
            for (const TablePlan &p : items) {
                const Tally t = writer.copy(p);
                summary.itemRows += t.rows;
                expected.emplace_back(p.name, t);
            }
            for (const QString &name : summary.emptyTables) {
                sb_MkUTbl(name, db);
                expected.emplace_back(name, Tally());
            }
            tx.commit();
        }
        if (copyHook())
            copyHook()(db);
        check(db, expected);
    });
    return summary;
}

void setConversionCopyHookForTesting(std::function<void(Database &)> hook)
{
    copyHook() = std::move(hook);
}

QString ConversionSummary::text() const
{
    QString t = QStringLiteral("見積 %1 件（明細 %2 行）を変換しました。\n変換先: %3").arg(estimates).arg(itemRows).arg(target);
    if (!emptyTables.isEmpty())
        t += QStringLiteral("\n明細表のなかった見積には空の明細表を作りました: %1").arg(emptyTables.join(u' '));
    if (!orphanTables.isEmpty())
        t += QStringLiteral("\n見積の一覧にない明細表は変換していません: %1").arg(orphanTables.join(u' '));
    if (!otherTables.isEmpty())
        t += QStringLiteral("\n見積の表ではない表は変換していません: %1").arg(otherTables.join(u' '));
    return t + QStringLiteral("\n元のファイルは変更していません。");
}

}  // namespace rz
