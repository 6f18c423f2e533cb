// The command line printer: a PDF of the asked estimate, and a clear message
// with its own exit code for every mistake in the call.
#include "pdftools.h"
#include "print/batchprint.h"
#include "printfixture.h"
#include "support/testmain.h"

#include <QFileInfo>

using namespace rz;
using rztest::PrintFixture;

class TestBatchPrint : public QObject {
    Q_OBJECT
private slots:
    void runs_data()
    {
        QTest::addColumn<QString>("args");  // FILE stands for the estimate file, OUT for the PDF
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");  // part of the message on stderr
        QTest::addColumn<int>("pages");        // pages of the PDF, 0: no file
        QTest::newRow("estimate list") << "FILE --estimate 64 --pdf OUT" << 0 << "3 pages" << 3;
        QTest::newRow("budget, first list only") << "FILE --estimate 64 --kind budget --range top --paper a4 --pdf OUT"
                                                 << 0 << "2 pages" << 2;
        QTest::newRow("cover, value after =") << "FILE --estimate=64 --kind=cover --pdf=OUT" << 0 << "1 page" << 1;
        QTest::newRow("options in any order") << "--pdf OUT --start-page none --company 東和建設 FILE --estimate 64"
                                              << 0 << "3 pages" << 3;
        QTest::newRow("missing file") << "MISSING --estimate 64 --pdf OUT" << 3 << "file not found" << 0;
        QTest::newRow("not an estimate file") << "TEXT --estimate 64 --pdf OUT" << 3 << "" << 0;
        QTest::newRow("missing estimate") << "FILE --estimate 128 --pdf OUT" << 4 << "no estimate 128" << 0;
        QTest::newRow("estimate without item table") << "FILE --estimate 192 --pdf OUT" << 4 << "no item table" << 0;
        QTest::newRow("empty estimate") << "FILE --estimate 256 --pdf OUT" << 6 << "no rows to print" << 0;
        QTest::newRow("bad kind") << "FILE --estimate 64 --kind invoice --pdf OUT" << 2 << "--kind must be" << 0;
        QTest::newRow("bad paper") << "FILE --estimate 64 --paper a3 --pdf OUT" << 2 << "--paper must be" << 0;
        QTest::newRow("bad range") << "FILE --estimate 64 --range screen --pdf OUT" << 2 << "--range must be" << 0;
        QTest::newRow("bad start page") << "FILE --estimate 64 --start-page x --pdf OUT" << 2 << "--start-page" << 0;
        QTest::newRow("bad key") << "FILE --estimate abc --pdf OUT" << 2 << "--estimate needs" << 0;
        QTest::newRow("unknown option") << "FILE --estimate 64 --colour --pdf OUT" << 2 << "unknown option '--colour'" << 0;
        QTest::newRow("no pdf") << "FILE --estimate 64" << 2 << "--pdf OUT.pdf is required" << 0;
        QTest::newRow("no estimate option") << "FILE --pdf OUT" << 2 << "--estimate KEY is required" << 0;
        QTest::newRow("value missing") << "FILE --pdf OUT --estimate" << 2 << "--estimate needs a value" << 0;
        QTest::newRow("two files") << "FILE FILE --estimate 64 --pdf OUT" << 2 << "only one estimate file" << 0;
        QTest::newRow("unwritable pdf") << "FILE --estimate 64 --pdf NOWHERE" << 5 << "書き込めませんでした" << 0;
    }
    void runs()
    {
        QFETCH(QString, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        QFETCH(int, pages);
        PrintFixture f;
        // 64: 20 rows (two pages), the first with a list below (a third page);
        // 192: an index record only; 256: an empty item table.
        f.addDetails({}, 20);
        f.db->execute(QStringLiteral("UPDATE %1 SET flg = '+' WHERE key1 = 1024").arg(f.table));
        f.add({1024, 1024}, rztest::detail(QStringLiteral("下位"), QStringLiteral("5")));
        f.db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm) VALUES (192, '表なし'), (256, '空')"));
        sb_MkUTbl(itemTableName(256), *f.db);
        const QString text = f.dir.filePath(QStringLiteral("memo.mdb"));
        QFile t(text);
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write("not a database");
        t.close();
        const QString out = f.dir.filePath(QStringLiteral("見積.pdf"));

        QStringList list;
        for (const QString &w : args.split(u' ')) {
            if (w.contains(QLatin1String("FILE")))
                list << QString(w).replace(QLatin1String("FILE"), f.path());
            else if (w.contains(QLatin1String("OUT")))
                list << QString(w).replace(QLatin1String("OUT"), out);
            else if (w == QLatin1String("MISSING"))
                list << f.dir.filePath(QStringLiteral("none.mdb"));
            else if (w == QLatin1String("TEXT"))
                list << text;
            else if (w == QLatin1String("NOWHERE"))
                list << f.dir.filePath(QStringLiteral("no/such/x.pdf"));
            else
                list << w;
        }
        QString err;
        QTextStream stream(&err);
        QCOMPARE(runBatchPrint(list, stream), exit);
        QVERIFY2(err.contains(message), qPrintable(err));
        if (exit != 0)
            QVERIFY2(err.startsWith(QLatin1String("rz90 print: ")), qPrintable(err));
        if (pages == 0) {
            QVERIFY(!QFileInfo::exists(out));
        } else {
            const rztest::PdfInfo info = rztest::pdfInfo(out);
            QCOMPARE(info.pages, pages);
            QVERIFY(info.pageSize.width() > info.pageSize.height());
        }
    }

    void companyNameFromTheEstimateOrTheCall()
    {
        PrintFixture f;
        f.addDetails({}, 1);
        f.db->execute(QStringLiteral("UPDATE RZTBLIDX SET bk2 = '記録社名' WHERE key1 = 64"));
        const QString out = f.dir.filePath(QStringLiteral("a.pdf"));
        QString err;
        QTextStream s(&err);
        QCOMPARE(runBatchPrint({f.path(), "--estimate", "64", "--pdf", out}, s), 0);
        const QString kept = rztest::pdfText(out);
        QCOMPARE(runBatchPrint({f.path(), "--estimate", "64", "--company", "指定社名", "--pdf", out}, s), 0);
        const QString given = rztest::pdfText(out);
        if (kept.isNull())
            QSKIP("pdftotext is not installed");
        QVERIFY(kept.contains(QStringLiteral("記録社名")));
        QVERIFY(given.contains(QStringLiteral("指定社名")));
        QVERIFY(!given.contains(QStringLiteral("記録社名")));
    }
};

RZ_REGISTER_TEST(TestBatchPrint)
#include "tst_batchprint.moc"
