// The print commands: 印刷 of the estimate index window with its options
// dialog, and `rz90 print` with its exit codes; real PDF pages.
#include "print/batchprint.h"
#include "print/painterdevice.h"
#include "printfixture.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

using namespace rz;
using rztest::PrintFixture;

namespace {
// The output of a tool of poppler, which the build installs.
QString poppler(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A copy of the estimate file as a save cut off in the middle leaves it: part of
// the change (every name 未確定) in the file, the pages to put back in its journal.
bool copyInterruptedSave(Database &db, const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).path());
    db.execute(QStringLiteral("PRAGMA cache_size = 1"));
    db.execute(QStringLiteral("BEGIN"));
    db.execute(QStringLiteral("UPDATE TBL00064 SET knm = '未確定'"));
    db.execute(QStringLiteral("CREATE TABLE spill AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                              "WHERE i < 300) SELECT zeroblob(3000) AS x FROM n"));
    const bool ok = QFile::copy(from, to) && QFile::copy(from + "-journal", to + "-journal");
    db.execute(QStringLiteral("ROLLBACK"));
    return ok && readAll(to).contains(QStringLiteral("未確定").toUtf8());
}
}  // namespace

class TestPrintCommands : public QObject {
    Q_OBJECT
private slots:
    // 印刷 on an estimate row of the index window: the dialog's choices as the printout
    // reads them, how the dialog is left, what is printed and what the user is told.
    void indexCommand_data()
    {
        QTest::addColumn<QString>("how");      // options clicked, in order, then 印刷開始; or how the dialog is left
        QTest::addColumn<QString>("company");  // typed into the dialog, "" to keep the estimate's
        QTest::addColumn<int>("device");       // 0: a printer, 1: a PDF file, 2: cannot be opened
        QTest::addColumn<QString>("options");  // kind, range, quantities, prices, remarks, paper, first page
        QTest::addColumn<QString>("text");     // printed at the cell, "" when nothing is printed
        QTest::addColumn<QPoint>("cell");
        const QString defaults = QStringLiteral("0 0 1 1 1 B5 1");
        QTest::newRow("as opened") << "" << "" << 0 << defaults << "土工" << QPoint(7, 7);
        QTest::newRow("estimate and budget") << "OptLst1_1" << "" << 0 << "1 0 1 1 1 B5 1" << "土工" << QPoint(6, 13);
        QTest::newRow("cover page") << "OptLst1_2" << "" << 0 << "2 0 1 1 1 B5 1" << "一金12,345,678円也" << QPoint(24, 25);
        QTest::newRow("first list, no quantities") << "OptLst2_1 OptLst3_1" << "" << 0 << "0 1 0 1 1 B5 1" << "土工" << QPoint(7, 7);
        QTest::newRow("no prices, A4") << "OptLst4_1 OptLst5_2" << "" << 0 << "0 0 1 0 1 A4 1" << "土工" << QPoint(7, 7);
        QTest::newRow("A4, then no remarks: one array of buttons, two choices") << "OptLst5_2 OptLst5_1" << "" << 0 << "0 0 1 1 0 A4 1" << "土工" << QPoint(7, 7);
        QTest::newRow("Enter in the start page box") << "enter" << "" << 0 << defaults << "記録社名" << QPoint(57, 46);
        QTest::newRow("a typed company name, stored") << "" << "東和建設" << 0 << defaults << "東和建設" << QPoint(57, 46);
        QTest::newRow("キャンセル keeps the typed name") << "cancel" << "新しい社名" << 0 << defaults << "" << QPoint();
        QTest::newRow("close box cancels") << "close" << "" << 0 << defaults << "" << QPoint();
        QTest::newRow("Esc does nothing") << "esc" << "" << 0 << defaults << "" << QPoint();
        QTest::newRow("into a PDF, said so") << "" << "" << 1 << defaults << "土工" << QPoint(7, 7);
        QTest::newRow("failure is reported") << "" << "" << 2 << defaults << "" << QPoint();
        QTest::newRow("preview, printed from it") << "preview print" << "" << 0 << defaults << "土工" << QPoint(7, 7);
        QTest::newRow("budget preview, closed, then 印刷開始") << "OptLst1_1 preview close" << "" << 0 << "1 0 1 1 1 B5 1" << "土工" << QPoint(6, 13);
    }
    void indexCommand()
    {
        QFETCH(QString, how);
        QFETCH(QString, company);
        QFETCH(int, device);
        QFETCH(QString, options);
        QFETCH(QString, text);
        QFETCH(QPoint, cell);
        rztest::PrintFixture f;
        f.db->execute(QStringLiteral("UPDATE RZTBLIDX SET kn1 = 123456780000, bk2 = '記録社名' WHERE key1 = 64"));
        f.add({1024}, rztest::detail(QStringLiteral("土工"), QStringLiteral("300")));
        int previewPages = -1;
        auto index = f.db->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX ORDER BY [key1]"));
        rztest::ScriptedPrompts prompts;
        QStringList labels;
        QList<bool> marks;
        bool screenOffered = true, shownAfter = false;
        QString chosen;
        std::shared_ptr<RecordingPrintDevice> printed;
        class PdfRecording : public RecordingPrintDevice {
            QString outputFile() const override { return QStringLiteral("/tmp/見積/本社改修工事.pdf"); }
        };
        IndexPrintJob job{f.shared, prompts, *f.db, *index, f.table};
        job.setLblMsg = [&](const QString &t) { labels << t; };
        job.markRow = [&](bool on) { marks << on; };
        job.showDialog = [&](FrmLstOpt &d) {
            d.show();
            screenOffered = d.OptLst2[2]->isVisibleTo(&d);
            if (!company.isEmpty()) {  // typed, and the box left
                d.Text1->setText(company);
                QFocusEvent leave(QEvent::FocusOut);
                QCoreApplication::sendEvent(d.Text1, &leave);
            }
            for (const QString &name : how.split(u' ', Qt::SkipEmptyParts))
                if (auto *b = d.findChild<QRadioButton *>(name))
                    b->click();
            const PrintOptions o = d.options();
            chosen = QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(int(o.kind)).arg(int(o.range)).arg(o.quantities)
                         .arg(o.prices).arg(o.remarks).arg(o.paper == PaperSize::A4 ? "A4" : "B5").arg(o.startPage());
            if (how.contains(QLatin1String("preview"))) {
                d.showPreview = [&](PrintPreview &p) {
                    previewPages = p.pageCount();
                    if (auto *a = p.findChild<QAction *>(how.endsWith(QLatin1String("print")) ? "PrintPages" : "ClosePreview"))
                        a->trigger();
                };
                d.cmdPreview->click();
                QVERIFY(d.isVisible() == how.endsWith(QLatin1String("close")));  // closing the preview returns to the dialog
            }
            if (how == QLatin1String("enter"))
                QTest::keyClick(d.TxtPno, Qt::Key_Return);
            else if (how == QLatin1String("esc"))
                QTest::keyClick(&d, Qt::Key_Escape);
            else if (how == QLatin1String("close"))
                d.close();
            else
                (how == QLatin1String("cancel") ? d.cmdCancel : d.cmdOK)->click();  // after any options clicked
            shownAfter = d.isVisible();
            d.hide();
        };
        job.openDevice = [&](const PrintOptions &, const QString &) -> std::shared_ptr<PrintDevice> {
            if (device == 2)
                throw std::runtime_error(QStringLiteral("PDFファイルを書き込めませんでした: /ro/x.pdf").toStdString());
            printed = device == 1 ? std::make_shared<PdfRecording>() : std::make_shared<RecordingPrintDevice>();
            return printed;
        };
        printFromIndex(job);
        if (how.contains(QLatin1String("preview")))  // the preview shows the pages that print
            QCOMPARE(previewPages, printed ? printed->pageCount() : -2);

        QVERIFY(!screenOffered);
        QCOMPARE(chosen, options);
        QCOMPARE(shownAfter, how == QLatin1String("esc"));
        QCOMPARE(marks, (QList<bool>{true, false}));  // the row is marked while it prints
        QVERIFY(!prompts.busy);
        auto stored = f.db->openRecordset(QStringLiteral("SELECT bk2 FROM RZTBLIDX WHERE key1 = 64"));
        QCOMPARE(stored->field(0).toString(), company.isEmpty() ? QStringLiteral("記録社名") : company);
        const auto *message = prompts.lastMessage();
        const bool started = !QStringList{"cancel", "close", "esc"}.contains(how);
        QCOMPARE(labels.mid(0, 2), started ? QStringList({"印刷中！！", ""}) : QStringList());
        QCOMPARE(bool(printed), started && device != 2);
        QCOMPARE(message->kind == rztest::PromptRecord::Message, started && device != 0);
        if (device == 2)
            QVERIFY(message->style == int(MsgExclamation) && message->text.contains(QStringLiteral("/ro/x.pdf")));
        if (!printed)
            return;
        const auto at = printed->textsAt(1, cell.x(), cell.y());
        QVERIFY2(printed->endDocs() == 1 && printed->pageCount() == 1 && !at.empty(), qPrintable(text));
        QCOMPARE(at.back().text, text);
        QCOMPARE(labels.size(), device == 1 ? 3 : 2);
        if (device == 1)
            QVERIFY(labels.last().contains("本社改修工事.pdf") && message->style == int(MsgInformation)
                    && message->text.contains(QStringLiteral("/tmp/見積/本社改修工事.pdf")));
    }

    // With several printers the dialog shows the one that will print, the
    // default first, and takes another; with one or none there is nothing to
    // choose. A PDF written instead is announced with its whole path and a
    // button that opens it; a printout on paper is not announced.
    void printerChoiceAndPdfOpening()
    {
        rztest::PrintFixture f;
        const auto installed = FrmLstOpt::installedPrinters;
        for (const QStringList &printers : {QStringList{"既定のプリンタ", "事務所B"}, QStringList{"一台"}, QStringList{}}) {
            FrmLstOpt::installedPrinters = [printers] { return printers; };
            FrmLstOpt d(f.shared);
            QCOMPARE(d.CboPrinter->isVisibleTo(&d), printers.size() > 1);
            QCOMPARE(d.options().printerName, printers.size() > 1 ? printers[0] : QString());
            d.CboPrinter->setCurrentIndex(1);
            QCOMPARE(d.options().printerName, printers.size() > 1 ? printers[1] : QString());
        }
        FrmLstOpt::installedPrinters = installed;
        class Pdf : public RecordingPrintDevice {
            QString outputFile() const override { return QStringLiteral("/tmp/見積/本社改修工事.pdf"); }
        };
        for (bool pdf : {true, false}) {
            std::unique_ptr<RecordingPrintDevice> device(pdf ? new Pdf : new RecordingPrintDevice);
            device->print(QStringLiteral("土工"));
            rztest::ScriptedPrompts prompts;
            prompts.messageAnswers = {AnswerAction};
            announcePdf(*device, prompts, [](const QString &) {});
            QCOMPARE(prompts.countOf(rztest::PromptRecord::Message), pdf ? 1 : 0);
            QCOMPARE(prompts.openedFiles, pdf ? QStringList{"/tmp/見積/本社改修工事.pdf"} : QStringList());
            QCOMPARE(prompts.lastMessage()->action, QString(pdf ? "PDFを開く" : ""));
            QVERIFY(!pdf || prompts.lastMessage()->text.endsWith(QStringLiteral("\n/tmp/見積/本社改修工事.pdf")));
        }
    }

    void runs_data()
    {
        QTest::addColumn<QString>("args");  // FILE: the estimate file, OUT: the PDF; see runs() for the others
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");  // part of the message on stderr; "N pages" when written
        QTest::addColumn<QString>("printed");  // a text of the PDF
        auto row = [](const char *name, const char *args, int exit, const char *message, const char *printed = "") {
            QTest::newRow(name) << QString::fromUtf8(args) << exit << QString::fromUtf8(message) << QString::fromUtf8(printed);
        };
        row("estimate list", "FILE --estimate 64 --pdf OUT", 0, "3 pages", "記録社名");
        row("budget, first list only", "FILE --estimate 64 --kind budget --range top --paper a4 --pdf OUT", 0, "2 pages", "明細20");
        row("cover, values after =", "FILE --estimate=64 --kind=cover --paper=a4 --pdf OUT", 0, "1 page", "一金12,345,678円也");
        row("options in any order", "--pdf OUT --start-page 7 --company 東和建設 FILE --estimate 64", 0, "3 pages", "東和建設");
        row("interrupted save", "HOT --estimate 64 --pdf OUT", 0, "3 pages", "明細20");
        row("interrupted save, read-only folder", "HOTRO --estimate 64 --pdf OUT", 0, "3 pages", "明細20");
        row("missing file", "MISSING --estimate 64 --pdf OUT", 3, "file not found");
        row("not an estimate file", "TEXT --estimate 64 --pdf OUT", 3, "ではありません");
        row("cut short", "SHORT --estimate 64 --pdf OUT", 7, "壊れています");
        row("damaged page", "DAMAGED --estimate 64 --pdf OUT", 7, "壊れています");
        row("text in a currency column", "FILE --estimate 320 --pdf OUT", 7, "データ型が一致しません");
        row("missing estimate", "FILE --estimate 128 --pdf OUT", 4, "no estimate 128");
        row("estimate without item table", "FILE --estimate 192 --pdf OUT", 4, "no item table");
        row("empty estimate", "FILE --estimate 256 --pdf OUT", 6, "no rows to print");
        row("bad kind", "FILE --estimate 64 --kind invoice --pdf OUT", 2, "--kind must be");
        row("bad paper", "FILE --estimate 64 --paper a3 --pdf OUT", 2, "--paper must be");
        row("bad start page", "FILE --estimate 64 --start-page x --pdf OUT", 2, "--start-page");
        row("bad key", "FILE --estimate abc --pdf OUT", 2, "--estimate needs");
        row("unknown option", "FILE --estimate 64 --colour --pdf OUT", 2, "unknown option '--colour'");
        row("no pdf", "FILE --estimate 64", 2, "--pdf OUT.pdf is required");
        row("value missing", "FILE --pdf OUT --estimate", 2, "--estimate needs a value");
        row("two files", "FILE FILE --estimate 64 --pdf OUT", 2, "only one estimate file");
        row("unwritable pdf", "FILE --estimate 64 --pdf NOWHERE", 5, "書き込めませんでした");
    }
    void runs()
    {
        QFETCH(QString, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        QFETCH(QString, printed);
        const int pages = exit == 0 ? message.section(u' ', 0, 0).toInt() : 0;
        PrintFixture f;
        // 64: 20 rows (two pages), the first with a list below (a third page);
        // 192: an index record only; 256: no rows; 320: a quantity that is text.
        f.addDetails({}, 20);
        f.add({1024, 1024}, rztest::detail(QStringLiteral("下位"), QStringLiteral("5")));
        sb_MkUTbl(itemTableName(256), *f.db);
        sb_MkUTbl(itemTableName(320), *f.db);
        for (const char *sql : {"UPDATE TBL00064 SET flg = '+' WHERE key1 = 1024 AND key2 = 0",
                                "UPDATE RZTBLIDX SET bk2 = '記録社名', kn1 = 123456780000 WHERE key1 = 64",
                                "INSERT INTO RZTBLIDX (key1, knm) VALUES (192, '表なし'), (256, '空'), (320, '型違い')",
                                "INSERT INTO TBL00320 SELECT * FROM TBL00064 WHERE key1 = 2048",
                                "UPDATE TBL00320 SET su1 = '十'"})
            f.db->execute(QString::fromUtf8(sql));
        const bool interrupted = args.startsWith(QLatin1String("HOT")), readOnly = args.startsWith(QLatin1String("HOTRO"));
        const QString out = f.dir.filePath("見積.pdf"), copy = f.dir.filePath(readOnly ? "ro/見積.mdb" : "hot/見積.mdb");
        if (interrupted)
            QVERIFY(copyInterruptedSave(*f.db, f.path(), copy));
        const QByteArray before = readAll(copy);
        if (readOnly)
            QVERIFY(QFile::setPermissions(QFileInfo(copy).path(), QFile::ReadOwner | QFile::ExeOwner));
        auto restore = qScopeGuard([&] { QFile::setPermissions(QFileInfo(copy).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        // The words of the call that stand for files; the files not made by the program.
        const QMap<QString, QString> word{{"FILE", f.path()}, {"OUT", out}, {"MISSING", f.dir.filePath("none.mdb")},
                                          {"TEXT", f.dir.filePath("memo.mdb")}, {"SHORT", f.dir.filePath("short.mdb")},
                                          {"DAMAGED", f.dir.filePath("bad.mdb")}, {"HOT", copy}, {"HOTRO", copy},
                                          {"NOWHERE", f.dir.filePath("no/such/x.pdf")}};
        const QByteArray whole = readAll(f.path());
        const std::pair<QString, QByteArray> made[] = {
            {"TEXT", "not a database"}, {"SHORT", whole.left(whole.size() - 100)},
            {"DAMAGED", whole.left(4096) + QByteArray(whole.size() - 4096, '\xA5')}};
        for (const auto &[key, bytes] : made) {
            QFile t(word[key]);
            QVERIFY(t.open(QIODevice::WriteOnly) && t.write(bytes) == bytes.size());
        }
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
            QCOMPARE(readAll(copy) == before && QFileInfo::exists(copy + "-journal"), readOnly);
        QCOMPARE(QFileInfo::exists(out), pages > 0);
        if (pages == 0)
            return;
        // The pages, landscape A4 or B5 (JIS).
        const QString info = poppler(QStringLiteral("pdfinfo"), {out});
        const QString size = args.contains(QLatin1String("a4")) ? "842 x 595 pts" : "729 x 516 pts";
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +%1\\n").arg(pages))) && info.contains(size),
                 qPrintable(info));
        const QString text = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), out, QStringLiteral("-")});
        QVERIFY2(text.contains(printed) && !text.contains(QStringLiteral("未確定")), qPrintable(text));
        if (args.contains(QLatin1String("company")))
            QVERIFY(!text.contains(QStringLiteral("記録社名")) && text.contains(QRegularExpression("Page +9"))
                    && !text.contains(QRegularExpression("Page +10")));
    }

    // Page 1 looks exactly like a page 2 with the same rows: the first rule (X+44 of the budget
    // layout) came out as a faint hairline while the PDF engine kept a pen of its own.
    void pagesLookAlike()
    {
        PrintFixture f;
        f.setBudget(true);
        f.options.startPageText.clear();
        for (int i = 1; i <= 40; ++i)
            f.add({i * 1024}, rztest::detail(QStringLiteral("土工"), QStringLiteral("100")));
        const QString pdf = f.dir.filePath(QStringLiteral("p.pdf")), image = f.dir.filePath(QStringLiteral("p"));
        {
            PainterPrintDevice device(pdf);
            printEstimateList(device, f.options, f.shared, *f.db, f.table);
            // The face measures two cells for a full-width character, as the layouts need.
            QCOMPARE(device.textWidth(QStringLiteral("漢字")), 4 * device.textWidth(QStringLiteral("A")));
        }
        QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"), {"-r", "150", "-gray", "-f", "1", "-l", "2", pdf, image}), 0);
        const QImage one(image + "-1.pgm");
        QVERIFY(!one.isNull() && one == QImage(image + "-2.pgm"));
    }

    // The blanks that pad a field are not drawn, but what follows them stands where the whole text puts it, whether it
    // is shaped anew (page 1) or drawn from the glyphs kept from then (page 2).
    void paddedTextStandsInPlace()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("b.pdf")), image = dir.filePath(QStringLiteral("b"));
        {
            PainterPrintDevice device(pdf);
            for (const QString &text : {QStringLiteral("   1,234 m  "), QStringLiteral("1,234 m")}) {
                const double x = text.startsWith(u' ') ? 100 : 100 + device.textWidth(QStringLiteral("   "));
                device.setCurrentX(x), device.setCurrentY(100), device.print(text);
                QCOMPARE(device.currentX(), x + device.textWidth(text));
                device.newPage();
            }
            device.endDoc();
        }
        QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"), {"-r", "150", "-gray", pdf, image}), 0);
        QVERIFY(!QImage(image + "-1.pgm").isNull() && QImage(image + "-1.pgm") == QImage(image + "-2.pgm"));
    }

    // A PDF named after the estimate never overwrites a file already there.
    void freePdfPathNeverOverwrites()
    {
        const QString first = PainterPrintDevice::freePdfPath(QStringLiteral("本社/改修:工事"));
        QFile f(first);
        QVERIFY(first.endsWith(QStringLiteral("本社_改修_工事.pdf")) && f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(PainterPrintDevice::freePdfPath(QStringLiteral("本社/改修:工事")), first.chopped(4) + " (2).pdf");
        f.remove();
    }
};

RZ_REGISTER_TEST(TestPrintCommands)
#include "tst_printcommands.moc"
