// Builds an estimate file with one item table of either variant (48 columns by table definition, or the transfer window's
// 47-column SQL with SINGLE quantities and LONG amounts), and opens the breakdown editor on it, directly or through the index
// window, with scripted prompts.
#pragma once
#include "breakdown/frmu1.h"
#include "index/frmuidx.h"
#include "store/format.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "support/storefixture.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace rztest {

// A data table whose cases are one value each, mostly a struct: one line per case.
template <class T> void cases(std::initializer_list<std::pair<const char *, T>> list)
{
    QTest::addColumn<T>("c");
    for (const auto &[name, c] : list)
        QTest::newRow(name) << c;
}

// A money value written as the tests and the labels write it: "1,250", "-1.5". A text that is no number is a mistake of the
// test itself and fails it.
inline rz::Currency cy(const QString &text)
{
    const auto v = rz::Currency::parse(QString(text).remove(u','));
    if (!v)
        QTest::qFail(qPrintable(QStringLiteral("not a money text: ") + text), __FILE__, __LINE__);
    return v.value_or(rz::Currency());
}
inline QString shown(rz::Currency v) { return rz::Format(v, QStringLiteral("##,###,###,###")); }

const QString kItemFlg = QStringLiteral("-         "), kGroupFlg = QStringLiteral("+         ");
const QString kDeletedFlg = QStringLiteral("-x        ");

// One item row: its key path (key1, key2, ...) and the columns tests care about.
struct Item {
    std::vector<int> path;
    QString name, flg = kItemFlg, su1 = "0", tk1 = "0", kn1 = "0", su2 = "0", tk2 = "0", kn2 = "0";
    int rt1 = 100, rt2 = 100;
    QString mei{}, tn1{}, bk1{};  // left out of most lists: empty
};

inline Item leaf(std::vector<int> path, const QString &name, const QString &su1, const QString &tk1, const QString &kn1 = "0")
{
    return Item{std::move(path), name, kItemFlg, su1, tk1, kn1};
}
inline Item group(std::vector<int> path, const QString &name, const QString &kn1 = "0", const QString &kn2 = "0")
{
    return Item{std::move(path), name, kGroupFlg, "0", "0", kn1, "0", "0", kn2};
}

// n rows on one level under `parent`, keys 1024 apart, named "行1", "行2"..., amounts 10, 20...
inline std::vector<Item> rowsUnder(const std::vector<int> &parent, int n)
{
    std::vector<Item> items;
    for (int k = 1; k <= n; ++k) {
        items.push_back(leaf(parent, QStringLiteral("行%1").arg(k), "1", "0", QString::number(k * 10)));
        items.back().path.push_back(k * 1024);
    }
    return items;
}

class BreakdownFixture {
public:
    explicit BreakdownFixture(bool sqlVariant = false, const QString &engine = defaultEngine()) : engine(engine)
    {
        rz::sb_MkIdxDB(path(), 0);
        auto db = rz::openEstimateFile(path());
        db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, kn2, int0, int1, int2, dt1, dt3, bk1, bk2) "
                                   "VALUES (64, '工事六十四', 0, 0, 0, 100, 100, '01-02-2025', '01-03-2025', '', '')"));
        if (sqlVariant)
            db->execute(rz::itemTableCreateSql(64));
        else
            rz::sb_MkUTbl(table(), *db);
    }

    QString engine;  // "file" or "server": where the estimate file is kept
    QString path() const { return storeLocation(engine, dir, QStringLiteral("見積")); }
    QString table() const { return rz::itemTableName(64); }
    std::unique_ptr<rz::Database> db() const { return rz::Database::open(path()); }

    void add(const std::vector<Item> &items)
    {
        if (items.empty())
            return;
        auto db = this->db();
        rz::Transaction tx(*db);
        auto rs = db->openRecordset(QStringLiteral("SELECT * FROM ") + table());
        for (const Item &it : items) {
            rs->addNew();
            for (int i = 0; i < 8; ++i)
                rs->setField(i, rz::Value(qint64(i < int(it.path.size()) ? it.path[size_t(i)] : 0)));
            const QStringList cols{"su1", "tk1", "kn1", "su2", "tk2", "kn2", "knm", "flg", "mei", "tn1", "bk1"};
            const QStringList values{it.su1, it.tk1, it.kn1, it.su2, it.tk2, it.kn2, it.name, it.flg, it.mei, it.tn1, it.bk1};
            for (int i = 0; i < cols.size(); ++i)  // the first six are money
                rs->setField(cols[i], i < 6 ? rz::Value(cy(values[i])) : rz::Value(values[i]));
            for (auto [column, v] : {std::pair{"rt1", it.rt1}, {"rt2", it.rt2}, {"int0", 0}})
                rs->setField(column, rz::Value(qint64(v)));
            rs->update();
        }
        tx.commit();
    }

    // The first value a query gives, read from the file; Null when it gives no row.
    rz::Value first(const QString &sql) const
    {
        auto db = this->db();
        auto rs = db->openRecordset(sql, rz::RecordsetType::Snapshot);
        return rs->eof() ? rz::Value() : rs->field(0);
    }
    // One column of the row at `path`.
    rz::Value value(const std::vector<int> &path, const char *column) const
    {
        QString where;
        for (int i = 0; i < 8; ++i)
            where += QStringLiteral("%1[key%2] = %3").arg(i ? " AND " : "").arg(i + 1).arg(i < int(path.size()) ? path[size_t(i)] : 0);
        return first(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(QLatin1String(column), table(), where));
    }
    // Every row a query gives, its columns joined by "/", read the same way on both engines.
    QStringList rowsOf(const QString &sql) const
    {
        auto db = this->db();
        return rztest::rowsOf(*db, sql);
    }
    // A statement of another program on the file (also a trigger refusing writes).
    void otherProgram(const QString &sql) const { executeAsOtherProgram(path(), sql); }
    rz::Currency money(const std::vector<int> &path, const char *column) const { return value(path, column).toCurrency(); }
    // "kn1/kn2" of the row at `path`.
    QString amounts(const std::vector<int> &path) const { return money(path, "kn1").toString() + '/' + money(path, "kn2").toString(); }
    rz::Value indexField(const char *column) const { return first(QStringLiteral("SELECT %1 FROM RZTBLIDX WHERE key1 = 64").arg(column)); }
    int recordCount() const { return int(first(QStringLiteral("SELECT COUNT(*) FROM ") + table()).toLong()); }

    // The editor as the index window leaves things when it opens one, on these rows.
    bool open(const std::vector<Item> &items)
    {
        add(items);
        shared.DB_Main = rz::openEstimateFile(path());
        shared.formsLoaded = 2;  // the main window and the index window
        return startEditor(rz::U1Opening{rz::EstimateRef{64}});  // rates 100 %, from row 1 of page 1
    }
    bool startEditor(const rz::U1Opening &opening)
    {
        editor = std::make_unique<rz::frmU1>(shared, prompts, opening);
        if (!editor->start()) {
            editor.reset();  // as the main window closes the frame of an editor that could not load
            return false;
        }
        editor->show();
        return true;
    }

    // The index window on these rows, opening the editor with its F1.
    bool openIndex(const std::vector<Item> &items)
    {
        add(items);
        shared.DB_Path = path();
        shared.formsLoaded = 1;
        index = std::make_unique<rz::FrmUidx>(shared, prompts);
        index->setAttribute(Qt::WA_DeleteOnClose, false);
        index->session().today = [] { return QDate(2026, 12, 6); };
        index->editorOpener = [this](const rz::U1Opening &opening, const QString &caption) {
            if (!startEditor(opening))
                return false;
            editor->setWindowTitle(caption);
            editor->onClosed = [this](const rz::U1Closing &closing) { index->session().editorClosed(closing); };
            return true;
        };
        const bool ok = index->start();
        index->show();
        return ok;
    }

    rz::U1Session &s() { return editor->session(); }
    const rz::Grid &grid() { return editor->session().grid(); }
    QString total() { return editor->LblTotal->text(); }
    QString name(int row) { return grid().text(row, 1).trimmed(); }
    // The box lying over the current cell: the unit box or the text box.
    QWidget *box() { return s().view().overlay.combo ? static_cast<QWidget *>(editor->Combo1) : editor->TxtEdit; }
    QString boxText() { return s().view().overlay.combo ? editor->Combo1->currentText() : editor->TxtEdit->text(); }
    // Keys as the overlay gets them; characters QTest cannot name travel as text, "\b" as Backspace, a leading "^" selects the
    // whole text first.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(box(), k, mods); }
    void type(QString text)
    {
        if (text.startsWith(u'^'))
            key(Qt::Key_A, Qt::ControlModifier), text.remove(0, 1);
        for (QChar c : text) {
            const int code = c == u'\b' ? Qt::Key_Backspace : c.isDigit() && c.unicode() < 128 ? Qt::Key_0 + (c.unicode() - u'0') : 0;
            for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent e(t, code, Qt::NoModifier, QString(c));
                QApplication::sendEvent(box(), &e);
            }
        }
    }
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(editor->Grid1, key, mods); }
    void toRow(int row, int col = 1) { s().gridCellEntered(row, col); }
    // The last prompt of a kind, or an empty record (style -1) when there was none.
    PromptRecord last(PromptRecord::Kind kind) const
    {
        for (auto it = prompts.records.rbegin(); it != prompts.records.rend(); ++it)
            if (it->kind == kind)
                return *it;
        return PromptRecord{kind, {}, {}, -1, {}, {}, {}, {}};
    }

    QTemporaryDir dir;
    rz::Shared shared;
    ScriptedPrompts prompts;
    std::unique_ptr<rz::FrmUidx> index;
    std::unique_ptr<rz::frmU1> editor;  // after shared: closed before the file
};

}  // namespace rztest

using namespace rz;
using namespace rztest;
