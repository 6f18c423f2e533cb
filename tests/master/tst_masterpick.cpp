// The unit-price master in the breakdown editor: F7 picks written into an item row, a "+" row and the input row as typing
// writes them (byte widths, both amounts, the level total, the quantity cell next), Esc leaving everything as it was;
// and 単価マスタに登録 adding rows or a marked block, asking before it replaces prices.
#include "masterfixture.h"

#include "app/appfolders.h"
#include "app/frmmain.h"
#include "app/settings.h"
#include "master/frmmaster.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <QHeaderView>

namespace {
struct Pick { QString script; int row; QString query; QString cells, total; int col = 3, records = 5; };
struct Register { QString script; QStringList before; std::deque<int> answers; QStringList added; QString message, line; };

const QString kLong = QString(20, u'長'), kWide = QString(10, u'幅');
const QStringList kMaster{"仮設|足場|単管足場|W600|ｍ2|1,200|900", "仮設|養生|養生シート|1.8×5.4|枚|650|500",
                          "躯体|コンクリート|コンクリート打設|Fc24|ｍ3|12,000|10,000", "||" + kLong + "|" + kWide + "|ｔ|99,999,999|1"};

std::vector<Item> rows()
{
    Item r1 = leaf({1024}, "行1", "2.5", "100", "250");
    r1.su2 = "2", r1.tk2 = "80", r1.kn2 = "160";
    Item r2 = group({2048}, "工事", "5,000", "4,000");
    Item r5 = leaf({5120}, "端数", "1", "10.5", "10");
    r5.mei = "仕様", r5.tn1 = "本";
    Item child = leaf({2048, 1024}, "アンカー", "1", "500", "500");
    child.mei = "M16", child.tn1 = "本", child.tk2 = "400";
    return {r1, r2, leaf({3072}, "＠小計", "0", "0"), r5, child};
}

// The row's cells name, specification, unit, both prices and both amounts, without their padding.
QString cells(BreakdownFixture &f, int row)
{
    QStringList out;
    for (int col : {1, 2, 5, 6, 7, 8, 9})
        out << f.grid().text(row, col).trimmed();
    return out.join(u'|');
}

// Characters into the panel's box as the keyboard brings them.
void typeInto(QWidget *box, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &e);
    }
}
}  // namespace
Q_DECLARE_METATYPE(Pick)
Q_DECLARE_METATYPE(Register)

class TestMasterPick : public QObject {
    Q_OBJECT
private slots:
    void pick_data()
    {
        const QString row1 = "行1|||100|80|250|160";
        cases<Pick>({{"item row", {"Enter", 1, "足場 w600", "単管足場|W600|ｍ2|1,200|900|3,000|1,800", "8,010"}},
                     {"group row: name and specification", {"Enter", 2, "ｺﾝｸﾘ", "コンクリート打設|Fc24||||5,000|4,000", "5,260"}},
                     {"input row: a row made first", {"Enter", 5, "しーと", "養生シート|1.8×5.4|枚|650|500||", "5,260", 3, 6}},
                     {"the third result", {"Down Down Enter", 1, "", "養生シート|1.8×5.4|枚|650|500|1,625|1,000", "6,635"}},
                     {"double click", {"Double", 1, "fc24", "コンクリート打設|Fc24|ｍ3|12,000|10,000|30,000|20,000", "35,010"}},
                     {"Esc", {"Esc", 1, "足場", row1, "5,260", 1}},
                     {"widest texts and price", {"Enter", 1, "長", kLong + "|" + kWide + "|ｔ|99,999,999|1|249,999,997|2", "250,005,007"}},
                     {"budget columns shown", {"F5 Enter", 1, "足場", "単管足場|W600|ｍ2|1,200|900|3,000|1,800", "5,800", 4}},
                     {"added by another program meanwhile", {"Again Enter", 1, "鉄骨", "鉄骨建方||ｔ|80,000||200,000|160", "205,010"}}});
    }
    void pick()
    {
        QFETCH(Pick, c);
        MasterFixture f;
        f.fill(kMaster);
        QVERIFY(f.openEditor(rows()));
        QStringList steps = c.script.split(u' ');
        if (steps.front() == "F5")
            f.press(Qt::Key_F5), steps.pop_front();
        f.toRow(c.row);
        if (steps.front() == "Again") {  // the master read once, then changed by another program
            f.press(Qt::Key_F7);
            QTest::keyClick(f.editor->TxtPick, Qt::Key_Escape);
            MasterStore::open(f.masterPath(), false)->add(masterItem("鉄骨|建方|鉄骨建方||ｔ|80,000"));
            steps.pop_front();
        }
        f.press(Qt::Key_F7);
        QVERIFY(f.editor->FraPick->isVisible() && f.editor->focusWidget() == f.editor->TxtPick);
        typeInto(f.editor->TxtPick, c.query);
        for (const QString &step : steps) {
            if (step == "Double") {
                QApplication::processEvents();  // the panel laid out as it is drawn
                const QRect at = f.editor->LstPick->visualRect(f.editor->LstPick->model()->index(0, 0));
                QTest::mouseClick(f.editor->LstPick->viewport(), Qt::LeftButton, {}, at.center());  // a double click's first
                QTest::mouseDClick(f.editor->LstPick->viewport(), Qt::LeftButton, {}, at.center());
            } else {
                QTest::keyClick(f.editor->TxtPick, step == "Enter" ? Qt::Key_Return : step == "Esc" ? Qt::Key_Escape : Qt::Key_Down);
            }
        }
        QVERIFY(!f.editor->FraPick->isVisible());
        QCOMPARE(cells(f, c.row), c.cells);
        QCOMPARE(f.total(), c.total);
        QCOMPARE(f.grid().row(), c.row);
        QCOMPARE(f.grid().col(), c.col);  // the quantity of the set shown, or the cell it was on after Esc
        QCOMPARE(f.recordCount(), c.records);
        QVERIFY(f.s().page().sb_WriteUTbl());
        QCOMPARE(f.value({f.s().page().rowKey(c.row)}, "knm").toString().trimmed(), c.cells.section(u'|', 0, 0));
    }

    void registerRows_data()
    {
        const QString held = "単管足場|W600|ｍ2|1200|900";
        const QString done = "単価マスタに登録しました（%1）";
        const QString question = "「単管足場 W600」は単価マスタにあります。単価を置き換えますか\n見積単価 1,200 → 1,300\n予算単価 900 → 950";
        const QString refused = "「端数」: 見積単価は円単位の整数で、-9,999,999 から 99,999,999 までです";
        cases<Register>({{"a new item, through the menu", {"row 5 menu", {held}, {}, {held, "行6|||0|0"}, "", done.arg("追加 1 件")}},
                         {"prices replaced", {"row 1", {held}, {AnswerOk}, {"単管足場|W600|ｍ2|1300|950"}, question, done.arg("単価の置き換え 1 件")}},
                         {"prices kept", {"row 1", {held}, {AnswerCancel}, {held}, question, done.arg("そのまま 1 件")}},
                         {"the same prices: nothing asked", {"row 1", {"単管足場|W600|ｍ2|1300|950"}, {}, {"単管足場|W600|ｍ2|1300|950"}, "", done.arg("そのまま 1 件")}},
                         {"a group row", {"row 2", {held}, {}, {held}, U1Master::kNotAnItem, ""}},
                         {"a subtotal row", {"row 3", {held}, {}, {held}, U1Master::kNotAnItem, ""}},
                         {"a price with sen", {"row 4", {held}, {}, {held}, refused, ""}},
                         {"a block with its sub-level", {"block", {held}, {AnswerOk, AnswerOk},
                                                          {"アンカー|M16|本|500|400", "単管足場|W600|ｍ2|1300|950", "行6|||0|0"},
                                                          "1 行は登録できませんでした。\n" + refused, done.arg("追加 2 件、単価の置き換え 1 件")}},
                         {"a block, prices kept", {"block", {held}, {AnswerOk, AnswerCancel}, {"アンカー|M16|本|500|400", held, "行6|||0|0"},
                                                   "1 行は登録できませんでした。\n" + refused, done.arg("追加 2 件、そのまま 1 件")}},
                         {"a block not confirmed", {"block", {held}, {AnswerCancel}, {held}, "ブロックの明細 4 行を単価マスタに登録します", "選択ブロック 単管足場～行6"}}});
    }
    void registerRows()
    {
        QFETCH(Register, c);
        MasterFixture f;
        for (const QString &line : c.before)
            f.fill({"||" + line});
        Item r1 = leaf({1024}, "単管足場", "1", "1,300", "1,300");
        r1.mei = "W600", r1.tn1 = "ｍ2", r1.tk2 = "950";
        std::vector<Item> items = rows();
        items[0] = r1;
        items.push_back(leaf({6144}, "行6", "1", "0", "700"));
        QVERIFY(f.openEditor(items));
        f.prompts.messageAnswers.assign(c.answers.begin(), c.answers.end());
        const QStringList script = c.script.split(u' ');
        if (script.front() == "block") {
            f.toRow(1), f.s().blocks().PU10_Click(U1Blocks::PU10_Top);
            f.toRow(5), f.s().blocks().PU10_Click(U1Blocks::PU10_End);
        } else {
            f.toRow(script[1].toInt());
        }
        if (script.back() == "menu") {
            f.prompts.menuAnswers = {17};
            f.press(Qt::Key_F10);
            QCOMPARE(f.prompts.lastMenu()->menuEntries.value(17), QStringLiteral("単価マスタに登録"));
        } else {
            f.s().blocks().PU10_Click(U1Blocks::PU10_Master);
        }
        QCOMPARE(f.held(), c.added);
        QCOMPARE(f.prompts.lastMessage()->text, c.message);
        QCOMPARE(f.s().view().LblMsg, c.line);
    }
    // Registered from one estimate, picked in another: the master belongs to neither.
    void sharedByTwoEstimates()
    {
        MasterFixture first, second;
        second.catalog = first.catalog;
        Item r1 = leaf({1024}, "型枠", "10", "4,500", "45,000");
        r1.mei = "合板", r1.tn1 = "ｍ2", r1.tk2 = "3,800";
        QVERIFY(first.openEditor({r1}) && second.openEditor({}));
        first.toRow(1);
        first.s().blocks().PU10_Click(U1Blocks::PU10_Master);
        second.toRow(1);
        second.press(Qt::Key_F7);
        typeInto(second.editor->TxtPick, "型枠");
        QTest::keyClick(second.editor->TxtPick, Qt::Key_Return);
        QCOMPARE(cells(second, 1), QStringLiteral("型枠|合板|ｍ2|4,500|3,800||"));
    }
    // The main window's 単価マスタ: one master window on the user's own master, made when first needed; the editors
    // it opens pick from that master; a place the user chooses is kept for the next start.
    void mainWindowEntry()
    {
        openUserSettings()->clear();
        MasterFixture f;
        f.add(rows());
        const QString own = QDir(perUserDataFolder()).filePath("単価マスタ.mdb");
        QFile::remove(own);
        frmMain w(f.shared, f.prompts);
        w.show();
        w.CmdMaster->click();
        w.CmdMaster->click();
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        QVERIFY(QFileInfo::exists(own));
        auto *master = qobject_cast<frmMaster *>(w.mdiArea()->subWindowList().constFirst()->widget());
        QCOMPARE(master->LblPlace->text(), own);
        f.prompts.fileAnswers = {f.path()};
        w.Command1[0]->click();
        auto *list = qobject_cast<FrmUidx *>(w.mdiArea()->activeSubWindow()->widget());
        QVERIFY(list);
        QTest::keyClick(list->Grid1, Qt::Key_F1);
        auto *editor = qobject_cast<frmU1 *>(w.mdiArea()->activeSubWindow()->widget());
        QVERIFY(editor);
        QTest::keyClick(editor->Grid1, Qt::Key_F7);
        QCOMPARE(f.prompts.lastMessage()->text, U1Master::kEmptyMaster);  // its master, empty yet
        f.prompts.fileAnswers = {f.masterPath()};
        f.prompts.messageAnswers = {AnswerOk};
        master->session().chooseLocation();
        QCOMPARE(readMasterLocation(*openUserSettings()), f.masterPath());
        QCOMPARE(frmMain(f.shared, f.prompts).master().location(), f.masterPath());
    }
};

RZ_REGISTER_TEST(TestMasterPick)
#include "tst_masterpick.moc"
