// Real output: `rz90 print` writes a PDF of the asked estimate, with the
// right pages, paper, face and texts, also from a file left by an
// interrupted save, and a clear message with its own exit code for every
// mistake in the call and every fault of the file; pages look alike.
#include "print/batchprint.h"
#include "print/painterdevice.h"
#include "printfixture.h"
#include "support/testmain.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

using namespace rz;
using rztest::PrintFixture;

namespace {
// The output of a poppler tool (a dependency of the build), or a null string.
QString poppler(const QString &tool, const QStringList &args)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return QString();
    QProcess p;
    p.start(exe, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A copy of the estimate file as a save interrupted in the middle leaves
// it: part of the change (every name 未確定) already in the file, the pages
// to put back in its journal.
bool copyInterruptedSave(Database &db, const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).path());
    db.execute(QStringLiteral("PRAGMA cache_size = 1"));
    db.execute(QStringLiteral("BEGIN"));
    db.execute(QStringLiteral("UPDATE TBL00064 SET knm = '未確定'"));
    db.execute(QStringLiteral("CREATE TABLE spill (x)"));
    for (int i = 0; i < 300; ++i)
        db.execute(QStringLiteral("INSERT INTO spill VALUES (?)"), {Value(QString(3000, u'x'))});
    const bool ok = QFile::copy(from, to) && QFile::copy(from + "-journal", to + "-journal");
    db.execute(QStringLiteral("ROLLBACK"));
    db.execute(QStringLiteral("PRAGMA cache_size = -2000"));
    return ok && readAll(to).contains(QStringLiteral("未確定").toUtf8());
}
}  // namespace

class TestBatchPrint : public QObject {
    Q_OBJECT
private slots:
    void runs_data()
    {
        QTest::addColumn<QString>("args");  // FILE: the estimate file, OUT: the PDF; see runs() for the others
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");  // part of the message on stderr
        QTest::addColumn<int>("pages");        // pages of the PDF, 0: no file
        QTest::addColumn<QString>("printed");  // a text of the PDF
        QTest::newRow("estimate list") << "FILE --estimate 64 --pdf OUT" << 0 << "3 pages" << 3 << "記録社名";
        QTest::newRow("budget, first list only") << "FILE --estimate 64 --kind budget --range top --paper a4 --pdf OUT"
                                                 << 0 << "2 pages" << 2 << "明細20";
        QTest::newRow("cover, values after =") << "FILE --estimate=64 --kind=cover --paper=a4 --pdf OUT" << 0 << "1 page"
                                               << 1 << "一金12,345,678円也";
        QTest::newRow("options in any order") << "--pdf OUT --start-page 7 --company 東和建設 FILE --estimate 64"
                                              << 0 << "3 pages" << 3 << "東和建設";
        QTest::newRow("interrupted save") << "HOT --estimate 64 --pdf OUT" << 0 << "3 pages" << 3 << "明細20";
        QTest::newRow("interrupted save, read-only folder") << "HOTRO --estimate 64 --pdf OUT" << 0 << "3 pages" << 3
                                                            << "明細20";
        QTest::newRow("missing file") << "MISSING --estimate 64 --pdf OUT" << 3 << "file not found" << 0 << "";
        QTest::newRow("not an estimate file") << "TEXT --estimate 64 --pdf OUT" << 3 << "ではありません" << 0 << "";
        QTest::newRow("cut short") << "SHORT --estimate 64 --pdf OUT" << 7 << "壊れています" << 0 << "";
        QTest::newRow("damaged page") << "DAMAGED --estimate 64 --pdf OUT" << 7 << "壊れています" << 0 << "";
        QTest::newRow("text in a currency column") << "FILE --estimate 320 --pdf OUT" << 7 << "データ型が一致しません"
                                                   << 0 << "";
        QTest::newRow("missing estimate") << "FILE --estimate 128 --pdf OUT" << 4 << "no estimate 128" << 0 << "";
        QTest::newRow("estimate without item table") << "FILE --estimate 192 --pdf OUT" << 4 << "no item table" << 0 << "";
        QTest::newRow("empty estimate") << "FILE --estimate 256 --pdf OUT" << 6 << "no rows to print" << 0 << "";
        QTest::newRow("bad kind") << "FILE --estimate 64 --kind invoice --pdf OUT" << 2 << "--kind must be" << 0 << "";
        QTest::newRow("bad paper") << "FILE --estimate 64 --paper a3 --pdf OUT" << 2 << "--paper must be" << 0 << "";
        QTest::newRow("bad range") << "FILE --estimate 64 --range screen --pdf OUT" << 2 << "--range must be" << 0 << "";
        QTest::newRow("bad start page") << "FILE --estimate 64 --start-page x --pdf OUT" << 2 << "--start-page" << 0 << "";
        QTest::newRow("bad key") << "FILE --estimate abc --pdf OUT" << 2 << "--estimate needs" << 0 << "";
        QTest::newRow("unknown option") << "FILE --estimate 64 --colour --pdf OUT" << 2 << "unknown option '--colour'"
                                        << 0 << "";
        QTest::newRow("no pdf") << "FILE --estimate 64" << 2 << "--pdf OUT.pdf is required" << 0 << "";
        QTest::newRow("no estimate option") << "FILE --pdf OUT" << 2 << "--estimate KEY is required" << 0 << "";
        QTest::newRow("value missing") << "FILE --pdf OUT --estimate" << 2 << "--estimate needs a value" << 0 << "";
        QTest::newRow("two files") << "FILE FILE --estimate 64 --pdf OUT" << 2 << "only one estimate file" << 0 << "";
        QTest::newRow("unwritable pdf") << "FILE --estimate 64 --pdf NOWHERE" << 5 << "書き込めませんでした" << 0 << "";
    }
    void runs()
    {
        QFETCH(QString, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        QFETCH(int, pages);
        QFETCH(QString, printed);
        PrintFixture f;
        // 64: 20 rows (two pages), the first with a list below (a third
        // page); 192: an index record only; 256: an empty item table; 320: a
        // quantity that is text.
        f.addDetails({}, 20);
        f.db->execute(QStringLiteral("UPDATE TBL00064 SET flg = '+' WHERE key1 = 1024"));
        f.add({1024, 1024}, rztest::detail(QStringLiteral("下位"), QStringLiteral("5")));
        f.db->execute(QStringLiteral("UPDATE RZTBLIDX SET bk2 = '記録社名', kn1 = 123456780000 WHERE key1 = 64"));
        f.db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm) VALUES (192, '表なし'), (256, '空'), (320, '型違い')"));
        sb_MkUTbl(itemTableName(256), *f.db);
        sb_MkUTbl(itemTableName(320), *f.db);
        f.db->execute(QStringLiteral("INSERT INTO TBL00320 SELECT * FROM TBL00064 WHERE key1 = 2048"));
        f.db->execute(QStringLiteral("UPDATE TBL00320 SET su1 = '十'"));
        // The words of the call that stand for files.
        const QString out = f.dir.filePath("見積.pdf"), hot = f.dir.filePath("hot/見積.mdb"), ro = f.dir.filePath("ro/見積.mdb");
        const QMap<QString, QString> word{{"FILE", f.path()}, {"OUT", out}, {"MISSING", f.dir.filePath("none.mdb")},
                                          {"TEXT", f.dir.filePath("memo.mdb")}, {"SHORT", f.dir.filePath("short.mdb")},
                                          {"DAMAGED", f.dir.filePath("bad.mdb")}, {"HOT", hot}, {"HOTRO", ro},
                                          {"NOWHERE", f.dir.filePath("no/such/x.pdf")}};
        const QByteArray whole = readAll(f.path());
        const std::pair<QString, QByteArray> made[] = {
            {"TEXT", "not a database"}, {"SHORT", whole.left(whole.size() - 100)},
            {"DAMAGED", whole.left(4096) + QByteArray(whole.size() - 4096, '\xA5')}};
        for (const auto &[key, bytes] : made) {
            QFile t(word[key]);
            QVERIFY(t.open(QIODevice::WriteOnly) && t.write(bytes) == bytes.size());
        }
        const bool interrupted = args.startsWith(QLatin1String("HOT")), readOnly = args.startsWith(QLatin1String("HOTRO"));
        if (interrupted)
            QVERIFY(copyInterruptedSave(*f.db, f.path(), readOnly ? ro : hot));
        const QByteArray roBefore = readAll(ro);
        if (readOnly)
            QVERIFY(QFile::setPermissions(QFileInfo(ro).path(), QFile::ReadOwner | QFile::ExeOwner));
        auto restore = qScopeGuard([&] { QFile::setPermissions(QFileInfo(ro).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        QStringList list;
        for (const QString &w : args.split(u' '))
            list << word.value(w, w);
        QString err;
        QTextStream stream(&err);
        QCOMPARE(runBatchPrint(list, stream), exit);
        QVERIFY2(err.contains(message) && err.startsWith(QLatin1String("rz90 print: ")), qPrintable(err));
        if (exit == BatchDamaged)  // the user's words, not the engine's
            QVERIFY2(!err.contains(QRegularExpression(QStringLiteral("malformed|database|disk"))), qPrintable(err));
        if (interrupted)  // rolled back in place where it may be, else the user's file is left as it was
            QVERIFY(readOnly ? readAll(ro) == roBefore && QFileInfo::exists(ro + "-journal")
                             : !QFileInfo::exists(hot + "-journal"));
        QCOMPARE(QFileInfo::exists(out), pages > 0);
        if (pages == 0)
            return;
        // The pages, landscape A4 or B5 (JIS), in the two-cell Mincho.
        const QString info = poppler(QStringLiteral("pdfinfo"), {out});
        const QString size = args.contains(QLatin1String("a4")) ? "842 x 595 pts" : "729 x 516 pts";
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +%1\\n").arg(pages))) && info.contains(size),
                 qPrintable(info));
        QVERIFY(poppler(QStringLiteral("pdffonts"), {out}).contains(printFontFamily()));
        const QString text = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), out, QStringLiteral("-")});
        QVERIFY2(text.contains(printed) && !text.contains(QStringLiteral("未確定")), qPrintable(text));
        if (args.contains(QLatin1String("company")))
            QVERIFY(!text.contains(QStringLiteral("記録社名")) && text.contains(QRegularExpression("Page +9"))
                    && !text.contains(QRegularExpression("Page +10")));
    }

    // Page 2 of a list whose pages hold the same rows looks exactly like
    // page 1: the first rule of the document once came out as a faint
    // hairline, because the PDF engine kept a pen of its own until the pen
    // really changed.
    void pagesLookAlike_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::newRow("estimate layout") << false;
        QTest::newRow("estimate and budget layout") << true;
    }
    void pagesLookAlike()
    {
        QFETCH(bool, budget);
        PrintFixture f;
        f.setBudget(budget);
        f.options.startPageText.clear();
        for (int i = 1; i <= 40; ++i)
            f.add({i * 1024}, rztest::detail(QStringLiteral("土工"), QStringLiteral("100")));
        const QString pdf = f.dir.filePath(QStringLiteral("p.pdf")), image = f.dir.filePath(QStringLiteral("p"));
        {
            PainterPrintDevice device(pdf);
            printEstimateList(device, f.options, f.shared, *f.db, f.table);
            QCOMPARE(device.pageCount(), 3);
            // The face measures two cells for a full-width character, as the layouts need.
            QCOMPARE(device.textWidth(QStringLiteral("漢字")), 4 * device.textWidth(QStringLiteral("A")));
        }
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm is not installed");
        QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"), {"-r", "150", "-gray", "-f", "1", "-l", "2", pdf, image}), 0);
        const QImage one = QImage(image + "-1.pgm").convertToFormat(QImage::Format_Grayscale8);
        const QImage two = QImage(image + "-2.pgm").convertToFormat(QImage::Format_Grayscale8);
        QVERIFY(!one.isNull() && one.size() == two.size());
        int differing = 0;
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x)
                differing += qAbs(one.constScanLine(y)[x] - two.constScanLine(y)[x]) > 16;
        QCOMPARE(differing, 0);
    }

    // A PDF named after the estimate never overwrites a file already there.
    void freePdfPathNeverOverwrites()
    {
        const QString first = PainterPrintDevice::freePdfPath(QStringLiteral("本社/改修:工事"));
        QVERIFY(first.endsWith(QStringLiteral("本社_改修_工事.pdf")));
        QFile f(first);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(PainterPrintDevice::freePdfPath(QStringLiteral("本社/改修:工事")), first.chopped(4) + " (2).pdf");
        QFile::remove(first);
    }
};

RZ_REGISTER_TEST(TestBatchPrint)
#include "tst_batchprint.moc"
