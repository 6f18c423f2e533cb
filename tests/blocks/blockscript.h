// The block tests' script of editor steps and their view of the item table: every row as its key path, flag and name, and
// what a command added and removed.
#pragma once
#include "breakdown/breakdownfixture.h"

namespace rztest {

// lvl as the depth the first `keys` keys give, in words both engines take.
inline QString depthOf(int keys)
{
    QStringList terms;
    for (int i = 1; i <= keys; ++i)
        terms << QStringLiteral("CASE WHEN key%1 <> 0 THEN 1 ELSE 0 END").arg(i);
    return "UPDATE TBL00064 SET lvl = " + terms.join(" + ");
}

// Every row as "key1/key2/... flag name", "#lvl" added where lvl disagrees with the keys.
inline QStringList rows(BreakdownFixture &f)
{
    QStringList out;
    auto db = f.db();
    auto rs = db->openRecordset("SELECT * FROM TBL00064 ORDER BY key1, key2, key3, key4, key5, key6, key7, key8", RecordsetType::Snapshot);
    for (; !rs->eof(); rs->moveNext()) {
        QStringList keys;
        for (int i = 0; i < 8 && rs->field(i).toLong() != 0; ++i)
            keys << rs->field(i).toString();
        out << keys.join('/') + ' ' + rs->field("flg").toString().left(1) + rs->field("knm").toString().trimmed() +
                   (rs->field("lvl").toLong() == keys.size() ? QString() : '#' + rs->field("lvl").toString());
    }
    return out;
}
// The rows added, then the rows removed marked "!".
inline QString diff(QStringList before, QStringList after)
{
    QStringList added;
    for (const QString &r : after)
        if (!before.removeOne(r))
            added << r;
    for (const QString &r : before)
        added << '!' + r;
    return added.join(", ");
}
// A script of steps: Dn down into row n, U up, V the F5 switch, Q the case's statements; S, E, C, X, F, L, R, A are the edit
// menu's start, end, copy, delete, file save, file read, row spacing and amount copy, on row n when one is given.
inline bool run(BreakdownFixture &f, const QString &script, const QString &sql, QStringList &before)
{
    for (const QString &step : script.split(' ', Qt::SkipEmptyParts)) {
        const int row = step.mid(1).toInt(), entry = QString("SE?CX?FL?R?A").indexOf(step[0]);
        if (row)
            f.toRow(row);
        if (step[0] == 'D' || step[0] == 'U' || step[0] == 'V')
            f.press(step[0] == 'D' ? Qt::Key_F1 : step[0] == 'U' ? Qt::Key_F12 : Qt::Key_F5);
        else if (step[0] == 'Q') {
            try {
                for (const QString &statement : sql.split('|'))
                    f.otherProgram(statement);
            } catch (const std::exception &e) {
                qWarning("%s", e.what());
                return false;
            }
            before = rows(f);
        } else {
            f.prompts.menuAnswers.push_back(entry + (entry == 11 && f.s().level().DispMode == 0));
            f.press(Qt::Key_F10);
        }
    }
    return true;
}
}  // namespace rztest
