#include "rowspacing.h"

#include "store/recordset.h"

#include <limits>

namespace rz {

QString rowSpacingSQL(const QString &table, int level, const LevelKeys &path)
{
    QString sql = QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ");
    for (int i = 1; i <= level; ++i)
        sql += QStringLiteral("[key%1] = %2 AND ").arg(i).arg(path[static_cast<size_t>(i - 1)]);
    return sql + QStringLiteral("[key%1] <> 0 order by key1,key2,key3,key4,key5,key6,key7,key8").arg(level + 1);
}

qint64 rowSpacingFor(bool blockMarked, int blockRows)
{
    const qint64 wide = 64 * qint64(blockRows);
    return blockMarked && wide >= 1024 ? wide : 1024;
}

void sb_SetLvl(Recordset &rs, int level, qint64 spacing, const std::function<void()> &beep,
               const BlockProgress &progress)
{
    const int keyCol = rs.fieldIndex(QStringLiteral("key%1").arg(level + 1));
    const int lvlCol = rs.fieldIndex(QStringLiteral("lvl"));
    if (keyCol < 0 || lvlCol < 0)
        throw DbError(QStringLiteral("項目 'key%1' または 'lvl' はこのコレクションにありません。").arg(level + 1));
    qint64 key = 0;
    int count = 0;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        if (++count % 100 == 0 && progress)
            progress();
        const int depth = GetLvl(rs);
        bool lvlRight = false;
        try {
            const Value stored = rs.field(lvlCol);
            lvlRight = !stored.isNull() && stored.toLong() == depth;
        } catch (const DbError &e) {
            if (e.code() != kTypeMismatch)  // an unreadable lvl is simply wrong
                throw;
        }
        if (depth == level + 1) {
            key += spacing;
            if (key > std::numeric_limits<qint32>::max())
                throw OverflowError("キーが長整数型の範囲を超えます");
        }
        const bool keyRight = rs.field(keyCol).toLong() == key;
        if (lvlRight && keyRight)
            continue;
        rs.edit();
        if (!lvlRight) {
            if (beep)
                beep();
            rs.setField(lvlCol, Value(qint64(depth)));
        }
        rs.setField(keyCol, Value(key));
        rs.update();
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
