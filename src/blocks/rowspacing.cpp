#include "rowspacing.h"

#include "store/recordset.h"

#include <algorithm>
#include <limits>

namespace rz {

qint64 rowSpacingFor(bool blockMarked, int blockRows)
{
    const qint64 wide = 64 * qint64(blockRows);
    return blockMarked && wide >= 1024 ? wide : 1024;
}

void sb_SetLvl(Database &db, const QString &table, int level, const LevelKeys &path, qint64 spacing,
               const std::function<void()> &beep, const BlockProgress &progress)
{
    QString sql = QStringLiteral("SELECT _rowid_, %1, lvl FROM ").arg(QLatin1String(kLevelOrder)) + table +
                  QStringLiteral(" WHERE ");
    for (int i = 1; i <= level; ++i)
        sql += QStringLiteral("[key%1] = %2 AND ").arg(i).arg(path[static_cast<size_t>(i - 1)]);
    sql += QStringLiteral("[key%1] <> 0 order by ").arg(level + 1) + QLatin1String(kLevelOrder);
    struct Change {
        qint64 rowid, key, lvl;
    };
    std::vector<Change> changes;
    int corrected = 0, count = 0;
    qint64 key = 0;
    {
        Statement rows(db, sql);
        while (rows.step()) {
            if (++count % 100 == 0 && progress)
                progress();
            // The depth is where the first 0 key stands (a Null key is passed over).
            int depth = 8;
            for (int i = 0; i < 8; ++i) {
                const Value v = rows.column(i + 1, ColType::Long);
                if (!v.isNull() && v.toLong() == 0) {
                    depth = i;
                    break;
                }
            }
            bool lvlRight = false;
            try {
                const Value stored = rows.column(9, ColType::Short);
                lvlRight = !stored.isNull() && stored.toLong() == depth;
            } catch (const std::exception &) {
                // A lvl no number can be read from is simply wrong.
            }
            if (depth == level + 1) {
                key += spacing;
                if (key > std::numeric_limits<qint32>::max())
                    throw OverflowError("キーが長整数型の範囲を超えます");
            }
            corrected += !lvlRight;
            if (!lvlRight || rows.column(level + 1, ColType::Long).toLong() != key)
                changes.push_back({rows.columnInt64(0), key, depth});
        }
    }
    for (int i = 0; i < corrected && beep; ++i)
        beep();
    // Written in the file's own order, the pages are visited once each.
    std::sort(changes.begin(), changes.end(), [](const Change &a, const Change &b) { return a.rowid < b.rowid; });
    Statement update(db, QStringLiteral("UPDATE %1 SET [key%2] = ?, lvl = ? WHERE _rowid_ = ?")
                             .arg(quoteIdentifier(unbracket(table)))
                             .arg(level + 1));
    count = 0;
    for (const Change &c : changes) {
        if (++count % 100 == 0 && progress)
            progress();
        update.bindAll({Value(c.key), Value(c.lvl), Value(c.rowid)});
        update.queue();
    }
}

void sb_AmtCopy(Recordset &rs, int mode)
{
    static const char *const estimate[3] = {"su1", "tk1", "kn1"};
    static const char *const budget[3] = {"su2", "tk2", "kn2"};
    const char *const *from = mode == 0 ? estimate : budget;
    const char *const *to = mode == 0 ? budget : estimate;
    const int flg = rs.fieldIndex(QStringLiteral("flg"));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        if (!rs.field(flg).toString().startsWith(u'-'))
            continue;
        rs.edit();
        for (int i = 0; i < 3; ++i)
            rs.setField(QString::fromLatin1(to[i]), rs.field(QString::fromLatin1(from[i])));
        rs.update();
    }
}

}  // namespace rz
