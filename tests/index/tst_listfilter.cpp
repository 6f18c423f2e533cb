// The estimate list's filter (F9): the four texts searched under the master search's fold, paging over the hits, the
// count on the message line, Esc, and a new estimate made between two hits keeping clear of the estimates hidden there.
#include "indexfixture.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QtTest>

using namespace rz;
using rztest::IndexFixture;

namespace {
// 25 estimates 1024 apart: keys 1..21 have the client アオバ建設, 22 a site in 港区, 23 a remark ＡＢＣ.
void fill(IndexFixture &f)
{
    QList<int> keys;
    for (int k = 1; k <= 25; ++k)
        keys << k * 1024;
    f.createFile(keys);
    auto db = f.db();
    db->execute("UPDATE RZTBLIDX SET hat = 'アオバ建設' WHERE key1 <= 21504");
    db->execute("UPDATE RZTBLIDX SET ad1 = '東京都港区' WHERE key1 = 22528");
    db->execute("UPDATE RZTBLIDX SET bk1 = 'ＡＢＣ' WHERE key1 = 23552");
}
QString page(IndexFixture &f)
{
    QStringList names;
    for (int r = 1; r < f.grid().rows(); ++r)
        names << f.grid().text(r, 1).trimmed();
    return names.join(',');
}
}  // namespace

class TestListFilter : public QObject {
    Q_OBJECT
private slots:
    void narrowsTheList_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("firstPage");
        QTest::newRow("client, kana and width") << "ｱｵﾊﾞ" << 21 << "";
        QTest::newRow("site") << "港区" << 1 << "工事22528,";
        QTest::newRow("remark, case") << "abc" << 1 << "工事23552,";
        QTest::newRow("name, two words") << "工事 2252" << 1 << "工事22528,";
        QTest::newRow("none") << "鉄骨" << 0 << "";
    }
    void narrowsTheList()
    {
        QFETCH(QString, query);
        QFETCH(int, shown);
        QFETCH(QString, firstPage);
        IndexFixture f;
        fill(f);
        QVERIFY(f.open());
        f.session().Command1_Click(8);
        QVERIFY(f.window->TxtFilter->hasFocus() || !f.window->isActiveWindow());
        f.session().setFilter(query);
        QCOMPARE(f.session().lblMsg(), IndexSession::filterMessage(25, shown));
        // Filtering writes nothing: no estimate is dated as updated.
        QCOMPARE(f.db()->openRecordset("SELECT COUNT(*) FROM RZTBLIDX WHERE dt3 <> '01-03-2025'", RecordsetType::Snapshot)->field(0).toLong(), 0);
        if (!firstPage.isEmpty())
            QCOMPARE(page(f), firstPage);
        if (shown == 21) {  // 20 on page 1, the 21st and the row for a new estimate on page 2
            QCOMPARE(f.grid().rows(), 21);
            f.session().Command2_Click(0);
            QCOMPARE(page(f), "工事21504,");
        }
        // Esc shows every estimate again, the cursor still on the estimate it was on; the list stays open.
        const qint32 at = f.session().rowKey(f.grid().row());
        f.session().gridKeyDown(Qt::Key_Escape);
        QVERIFY(!f.session().filter().active());
        QCOMPARE(f.session().lblMsg(), QString());
        QCOMPARE(f.session().rowKey(f.grid().row()), at ? at : 1024);
        QVERIFY(f.window->isVisible());
    }

    // F2 on the only hit makes the new estimate between it and the estimate hidden right before it, and shows it.
    void newEstimateBetweenHitsMissesHiddenOnes()
    {
        IndexFixture f;
        fill(f);
        QVERIFY(f.open());
        f.session().setFilter("港区");
        f.session().gridCursorMoved(1);
        f.session().Command1_Click(1);
        auto db = f.db();
        QCOMPARE(db->openRecordset("SELECT COUNT(*) FROM RZTBLIDX", RecordsetType::Snapshot)->field(0).toLong(), 26);
        QCOMPARE(f.session().rowKey(1), 22016);
        QCOMPARE(f.session().rowKey(2), 22528);
    }
};

RZ_REGISTER_TEST(TestListFilter)
#include "tst_listfilter.moc"
