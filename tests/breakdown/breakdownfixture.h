// Builds an estimate file with one item table of either variant (48 columns
// by table definition, or the transfer window's 47-column SQL with SINGLE
// quantities and LONG amounts), and opens the breakdown editor on it,
// directly or through the index window, with scripted prompts.
#pragma once
#include "breakdown/frmu1.h"
#include "index/frmuidx.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "support/scriptedprompts.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringList>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

namespace rztest {

// A money value written as the tests read it: cy("1,250"), cy("-1.5").
inline rz::Currency cy(const char *text) { return *rz::Currency::parse(QString::fromLatin1(text)); }

const QString kItemFlg = QStringLiteral("-         ");
const QString kGroupFlg = QStringLiteral("+         ");

// One item row: its key path (key1, key2, ...) and the columns tests care about.
struct Item {
    std::vector<int> path;
    QString name;
    QString flg = kItemFlg;
    QString su1 = "0", tk1 = "0", kn1 = "0";
    QString su2 = "0", tk2 = "0", kn2 = "0";
    int rt1 = 100, rt2 = 100;
    QString mei, tn1, bk1;
};

inline Item leaf(std::vector<int> path, const QString &name, const QString &su1, const QString &tk1,
                 const QString &kn1 = "0")
{
    Item i;
    i.path = std::move(path);
    i.name = name;
    i.su1 = su1;
    i.tk1 = tk1;
    i.kn1 = kn1;
    return i;
}

inline Item group(std::vector<int> path, const QString &name, const QString &kn1 = "0", const QString &kn2 = "0")
{
    Item i;
    i.path = std::move(path);
    i.name = name;
    i.flg = kGroupFlg;
    i.kn1 = kn1;
    i.kn2 = kn2;
    return i;
}

// n rows on one level under `parent`, keys 1024 apart, named "行1", "行2"...
inline std::vector<Item> rowsUnder(const std::vector<int> &parent, int n)
{
    std::vector<Item> items;
    for (int k = 1; k <= n; ++k) {
        std::vector<int> p = parent;
        p.push_back(k * 1024);
        items.push_back(leaf(p, QStringLiteral("行%1").arg(k), "1", "0", QString::number(k * 10)));
    }
    return items;
}

class BreakdownFixture {
public:
    static constexpr int kEstimateKey = 64;

    explicit BreakdownFixture(bool sqlVariant = false)
    {
        rz::sb_MkIdxDB(path(), 0);
        auto db = rz::openEstimateFile(path());
        db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, kn2, int0, int1, int2, dt1, dt3, bk1, bk2) "
                                   "VALUES (?, '工事六十四', 0, 0, 0, 100, 100, '01-02-2025', '01-03-2025', '', '')"),
                    {rz::Value(qint64(kEstimateKey))});
        if (sqlVariant)
            db->execute(rz::itemTableCreateSql(kEstimateKey));
        else
            rz::sb_MkUTbl(table(), *db);
    }

    QString path() const { return dir.filePath(QStringLiteral("見積.mdb")); }
    QString table() const { return rz::itemTableName(kEstimateKey); }
    std::unique_ptr<rz::Database> db() const { return rz::Database::open(path()); }

    void add(const std::vector<Item> &items)
    {
        auto db = this->db();
        auto rs = db->openRecordset(QStringLiteral("SELECT * FROM ") + table());
        for (const Item &it : items) {
            rs->addNew();
            for (int i = 0; i < 8; ++i)
                rs->setField(i, rz::Value(qint64(i < int(it.path.size()) ? it.path[size_t(i)] : 0)));
            rs->setField("knm", rz::Value(it.name));
            rs->setField("flg", rz::Value(it.flg));
            const QStringList cols{"su1", "tk1", "kn1", "su2", "tk2", "kn2"};
            const QStringList vals{it.su1, it.tk1, it.kn1, it.su2, it.tk2, it.kn2};
            for (int i = 0; i < cols.size(); ++i)
                rs->setField(cols[i], rz::Value(*rz::Currency::parse(vals[i])));
            rs->setField("rt1", rz::Value(qint64(it.rt1)));
            rs->setField("rt2", rz::Value(qint64(it.rt2)));
            rs->setField("mei", rz::Value(it.mei));
            rs->setField("tn1", rz::Value(it.tn1));
            rs->setField("bk1", rz::Value(it.bk1));
            rs->setField("int0", rz::Value(qint64(0)));
            rs->update();
        }
    }

    // One column of the row at `path`, read from the file.
    rz::Value value(const std::vector<int> &path, const char *column) const
    {
        QString where;
        for (int i = 0; i < 8; ++i)
            where += QStringLiteral("%1[key%2] = %3").arg(i ? " AND " : "").arg(i + 1).arg(i < int(path.size()) ? path[size_t(i)] : 0);
        auto db = this->db();
        auto rs = db->openRecordset(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(QString::fromLatin1(column), table(), where),
                                    rz::RecordsetType::Snapshot);
        return rs->eof() ? rz::Value() : rs->field(0);
    }
    rz::Currency money(const std::vector<int> &path, const char *column) const { return value(path, column).toCurrency(); }

    // The editor as the index window leaves things when it opens one.
    bool openEditor(int rt1 = 100, int rt2 = 100)
    {
        shared.DB_Main = rz::openEstimateFile(path());
        shared.DB_TblName = table();
        shared.U1_Rt1 = rt1;
        shared.U1_Rt2 = rt2;
        shared.Idx_Page = 1;
        shared.Idx_Row = 1;
        shared.formsLoaded = 2;  // the main window and the index window
        editor = std::make_unique<rz::frmU1>(shared, prompts);
        const bool ok = editor->start();
        editor->show();
        return ok;
    }

    // The index window with the editor opened through its F1.
    bool openIndex()
    {
        shared.DB_Path = path();
        shared.formsLoaded = 1;
        index = std::make_unique<rz::FrmUidx>(shared, prompts);
        index->setAttribute(Qt::WA_DeleteOnClose, false);
        index->editorOpener = [this](const QString &caption) {
            editor = std::make_unique<rz::frmU1>(shared, prompts);
            editor->setWindowTitle(caption);
            editor->onClosed = [this] { index->session().activate(); };
            if (!editor->start()) {
                editor.reset();  // as the main window closes the frame of an editor that could not load
                return false;
            }
            editor->show();
            return true;
        };
        const bool ok = index->start();
        index->show();
        return ok;
    }

    int recordCount() const
    {
        auto db = this->db();
        auto rs = db->openRecordset(QStringLiteral("SELECT COUNT(*) FROM ") + table(), rz::RecordsetType::Snapshot);
        return int(rs->field(0).toLong());
    }

    rz::U1Session &s() { return editor->session(); }
    // The box lying over the current cell: the unit box or the text box.
    QWidget *box() { return s().overlay.combo ? static_cast<QWidget *>(editor->Combo1) : editor->TxtEdit; }
    // Keys as the overlay gets them; characters QTest cannot name travel as text.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(box(), k, mods); }
    void type(const QString &text)
    {
        for (QChar c : text) {
            if (c == u'\b') {
                key(Qt::Key_Backspace);
                continue;
            }
            const int code = c.isDigit() && c.unicode() < 128 ? Qt::Key_0 + (c.unicode() - u'0') : 0;
            QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box(), &press);
            QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box(), &release);
        }
    }
    QString boxText() { return s().overlay.combo ? editor->Combo1->currentText() : editor->TxtEdit->text(); }
    const rz::Grid &grid() { return editor->session().grid(); }
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(editor->Grid1, key, mods); }
    void toRow(int row, int col = 1) { s().gridCellEntered(row, col); }
    // The row of the grid showing a name (trailing blanks ignored), or -1.
    int rowOf(const QString &name)
    {
        for (int r = 1; r < grid().rows(); ++r)
            if (grid().text(r, 1).trimmed() == name)
                return r;
        return -1;
    }

    QTemporaryDir dir;
    rz::Shared shared;
    ScriptedPrompts prompts;
    std::unique_ptr<rz::FrmUidx> index;
    std::unique_ptr<rz::frmU1> editor;  // after shared: closed before the file
};

}  // namespace rztest
