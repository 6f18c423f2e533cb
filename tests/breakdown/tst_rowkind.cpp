// Row kinds: which rows are summed, recalculated, given totals or skipped.
#include "breakdown/rowkind.h"
#include "support/testmain.h"

#include <QtTest>

using namespace rz;

Q_DECLARE_METATYPE(rz::RowKind)

class TestRowKind : public QObject {
    Q_OBJECT
private slots:
    void classify_data()
    {
        QTest::addColumn<QString>("flg");
        QTest::addColumn<QString>("knm");
        QTest::addColumn<RowKind>("expected");
        const QString item = "-         ";
        const QString group = "+         ";
        QTest::newRow("item") << item << "型枠工事" << RowKind::Item;
        QTest::newRow("group") << group << "躯体工事" << RowKind::Group;
        QTest::newRow("deleted item") << "-x        " << "型枠工事" << RowKind::ProvisionallyDeleted;
        QTest::newRow("deleted group") << "+x        " << "躯体工事" << RowKind::ProvisionallyDeleted;
        QTest::newRow("deleted subtotal") << "-x        " << "@小計" << RowKind::ProvisionallyDeleted;
        QTest::newRow("capital X is no deletion") << "-X        " << "型枠工事" << RowKind::Item;
        QTest::newRow("subtotal half-width") << item << "@小計" << RowKind::Subtotal;
        QTest::newRow("subtotal full-width") << item << "＠小計" << RowKind::Subtotal;
        QTest::newRow("bare mark") << item << "@" << RowKind::Subtotal;
        QTest::newRow("running total @@") << item << "@@累計" << RowKind::RunningTotal;
        QTest::newRow("running total ＠＠") << item << "＠＠合計" << RowKind::RunningTotal;
        QTest::newRow("running total mixed") << item << "＠@合計" << RowKind::RunningTotal;
        QTest::newRow("total name wins over group flag") << group << "@小計" << RowKind::Subtotal;
        QTest::newRow("leading blank is no mark") << item << " @小計" << RowKind::Item;
        QTest::newRow("mark later in the name") << item << "小計@" << RowKind::Item;
        QTest::newRow("blank flag") << "          " << "名称" << RowKind::Unmarked;
        QTest::newRow("empty flag") << "" << "名称" << RowKind::Unmarked;
        // A full-width character in byte 1 fills bytes 1 and 2: no "x" at byte 2.
        QTest::newRow("full-width first byte") << "＋x" << "名称" << RowKind::Unmarked;
    }
    void classify()
    {
        QFETCH(QString, flg);
        QFETCH(QString, knm);
        QFETCH(RowKind, expected);
        QCOMPARE(classifyRow(flg, knm), expected);
    }
};

RZ_REGISTER_TEST(TestRowKind)
#include "tst_rowkind.moc"
