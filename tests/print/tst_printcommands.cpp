// The print commands: 印刷 of the estimate index window with its options
// dialog, and `rz90 print` with its exit codes; real PDF pages.
#include "print/batchprint.h"
#include "print/painterdevice.h"
#include "print/printservice.h"
#include "printfixture.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <atomic>
#include <mutex>

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
        QTest::newRow("detailed cover, its tax on the top level") << "OptLst1_3" << "" << 0 << "3 0 1 1 1 B5 1"
                                                                  << "一金330円也（消費税込）" << QPoint(8, 20);
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
        f.db->execute(QStringLiteral("UPDATE RZTBLIDX SET kn1 = ?, bk2 = '記録社名' WHERE key1 = 64"),
                      {rz::Value(rz::Currency::fromWhole(12345678))});
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
        IndexPrintJob job{f.shared, prompts, *f.db, *index, EstimateRef{64}};
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

    // The dialog opens before the print service answers and shows its printers, or why there are none, when the answer
    // comes; 印刷開始 asks again and prints on the printer chosen, or into a PDF file and says why, or tells what went
    // wrong and prints nothing. answers: "NAMES[@ms];..." for each question in turn ("B!" takes no jobs, "down": not
    // running), each after ms (the dialog waits 1.5 s for an answer: long enough on a loaded machine).
    void printerService_data()
    {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("choose");    // the printer picked in the dialog
        QTest::addColumn<QString>("reply");     // the printer's answer to the job: "" takes it
        QTest::addColumn<QString>("shown");     // the printer row: "A|B" when there is a choice
        QTest::addColumn<QString>("outcome");   // "job A", or part of the message shown
        auto row = [](const char *name, const char *a, const char *c, const char *r, const char *s, const char *o) {
            QTest::newRow(name) << QString(a) << QString(c) << QString(r) << QString::fromUtf8(s) << QString::fromUtf8(o);
        };
        row("several, the default", "A B@100", "", "", "A|B", "job A");
        row("several, another chosen", "A B", "B", "", "A|B", "job B");
        row("one", "A", "", "", "A", "job A");
        row("none installed", "@100", "", "", "ありません", "プリンタがないため、PDFファイルに出力しました。\n/tmp/");
        row("service not running", "down", "", "", "印刷サービスに接続できません", "印刷サービスに接続できないため、PDFファイルに");
        row("service hangs", "A B@5000", "", "", "印刷サービスが応答しません", "印刷サービスが応答しないため、PDFファイルに");
        row("late answer, then a quick one", "A B@3000;A B", "B", "", "A|B", "job B");
        row("chosen printer removed before 印刷開始", "A B;A", "B", "", "A|B", "印刷できませんでした。\nプリンタ「B」が見つかりません。");
        row("chosen printer takes no jobs", "A B!", "B", "", "A|B", "プリンタ「B」は印刷を受け付けていません");
        row("job refused", "A B", "B", "Destination \"B\" is not accepting jobs.",
            "A|B", "プリンタ「B」が印刷を受け付けませんでした。何も印刷されていません。\nDestination \"B\" is not accepting jobs.");
    }
    void printerService()
    {
        QFETCH(QString, answers);
        QFETCH(QString, choose);
        QFETCH(QString, reply);
        QFETCH(QString, shown);
        QFETCH(QString, outcome);
        struct Script {
            std::mutex m;
            QStringList answers;
            std::atomic<int> answered{0};
            std::atomic<bool> over{false};
            QStringList jobs, files;
        };
        auto script = std::make_shared<Script>();
        script->answers = answers.split(u';');
        const auto ask = [script] {
            QString a;
            {
                std::lock_guard<std::mutex> lock(script->m);
                a = script->answers.size() > 1 ? script->answers.takeFirst() : script->answers.first();
            }
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < a.section(u'@', 1).toInt() && !script->over)
                QThread::msleep(10);
            ++script->answered;
            PrinterList list;
            list.answer = a == QLatin1String("down") ? PrinterList::Answer::Unreachable : PrinterList::Answer::Printers;
            for (QString n : a.section(u'@', 0, 0).split(u' ', Qt::SkipEmptyParts)) {
                if (n.endsWith(u'!'))
                    list.refusing << n.chopped(1);
                if (n != QLatin1String("down"))
                    list.names << n.remove(u'!');
            }
            return list;
        };
        const auto submit = [script, reply](const PrintJobFile &job) {
            QFile f(job.path);
            script->files << job.path;
            if (f.open(QIODevice::ReadOnly) && f.read(4) == "%PDF" && reply.isEmpty())
                script->jobs << job.printer;  // a printout the printer took
            return reply;
        };
        PrintService service({ask, submit}, 1500);
        PrintService::setProgram(&service);
        auto restore = qScopeGuard([&] { PrintService::setProgram(nullptr), script->over = true; });
        PrintFixture f;
        f.add({1024}, rztest::detail(QStringLiteral("土工"), QStringLiteral("300")));
        auto index = f.db->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX"));
        rztest::ScriptedPrompts prompts;
        prompts.messageAnswers = {AnswerAction};
        IndexPrintJob job{f.shared, prompts, *f.db, *index, EstimateRef{64}};
        bool openedFirst = false;
        job.showDialog = [&](FrmLstOpt &d) {
            openedFirst = script->answered == 0;
            auto printerRow = [&d] {
                QStringList items;
                for (int i = 0; i < d.CboPrinter->count(); ++i)
                    items << d.CboPrinter->itemText(i);
                return d.CboPrinter->isVisibleTo(&d) ? items.join(u'|') : d.LblPrinterState->text();
            };
            QTRY_COMPARE_WITH_TIMEOUT(printerRow(), shown, 5000);
            if (!choose.isEmpty())
                d.CboPrinter->setCurrentText(choose);
            d.cmdOK->click();
        };
        class PdfRecording : public RecordingPrintDevice {
            QString outputFile() const override { return QStringLiteral("/tmp/見積/本社改修工事.pdf"); }
        };
        job.openDevice = [](const PrintOptions &o, const QString &name) -> std::shared_ptr<PrintDevice> {
            return o.printers.hasPrinters() ? openDefaultPrintDevice(o, name) : std::make_shared<PdfRecording>();
        };
        printFromIndex(job);
        QVERIFY(openedFirst || !answers.contains(u'@'));  // the window never waited for the service
        const QString told = prompts.messages().join(u'\n');
        QCOMPARE(script->jobs, outcome.startsWith(QLatin1String("job ")) ? QStringList{outcome.mid(4)} : QStringList{});
        if (outcome.startsWith(QLatin1String("job ")))
            QVERIFY2(told.isEmpty(), qPrintable(told));
        else
            QVERIFY2(told.startsWith(outcome) || told.contains(u'\n' + outcome), qPrintable(told));
        QCOMPARE(prompts.openedFiles.size(), int(outcome.contains(QLatin1String("PDF"))));  // PDFを開く opens it
        for (const QString &file : script->files)  // a job's file does not outlive it
            QVERIFY(!QFileInfo::exists(file));
    }

    // The preview opens on page 1 after drawing it alone, whatever the number of pages, and counts the pages afterwards;
    // a page turned to, after pages laid out but not drawn, looks as it does when none is passed over; only a few drawn
    // pages are kept however many are viewed. pages < 0: an estimate of -pages item rows printed by the list routines.
    void previewPages_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("look");  // the page compared
        QTest::newRow("619 pages") << 619 << 400;
        QTest::newRow("3 pages") << 3 << 3;
        QTest::newRow("nothing to print") << 0 << 0;
        QTest::newRow("estimate of 45 rows: the sum carried over pages passed over") << -45 << 3;
    }
    void previewPages()
    {
        QFETCH(int, pages);
        QFETCH(int, look);
        // Pages from.. of a printout whose type size changes on every third page, so that a page depends on the ones
        // before it; two texts one after the other, a rule under them.
        auto printout = [pages](int from) -> RenderPages {
            return [from, pages](PrintDevice &d, const PrintOptions &) {
                d.setLandscape(true), d.setPaper(PaperSize::B5);
                for (int i = 1; i <= pages; ++i) {
                    if (i % 3 == 0)
                        d.setFontSize(8 + i / 3 % 5);
                    if (i < from)
                        continue;
                    d.setCurrentX(100 * (i % 40)), d.setCurrentY(100 * (i % 30));
                    d.print(QStringLiteral("頁")), d.print(QString::number(i));
                    d.line(0, d.currentY() + 200, d.currentX(), d.currentY() + 200);
                    d.newPage();
                }
                d.endDoc();
            };
        };
        PrintFixture f;
        f.options.startPageText.clear();
        const bool estimate = pages < 0;
        for (int i = 1; i <= -pages; ++i)
            f.add({i * 1024}, rztest::detail(QStringLiteral("明細%1").arg(i), QString::number(i * 100)));
        if (estimate)
            f.printAll(), pages = f.device.pageCount();
        rztest::ScriptedPrompts prompts;  // told of failures, as the print commands' previews are
        const RenderPages render = !estimate ? printout(1) : [&](PrintDevice &d, const PrintOptions &o) {
            reportingFailure(prompts, [&] { printEstimateList(d, o, f.shared.Co_Name, *f.db, EstimateRef{64}); });
        };
        PrintPreview preview(render, f.options);
        preview.show();
        QCOMPARE(QPoint(preview.pages().runs(), preview.pages().drawn()), QPoint(1, pages ? 1 : 0));
        QCOMPARE(preview.shownPage().isNull(), pages == 0);
        QTRY_VERIFY(preview.pages().knownCount().has_value());
        QCOMPARE(preview.pageCount(), pages);
        QCOMPARE(preview.findChild<QLabel *>("PageNumber")->text().trimmed(),
                 pages ? QStringLiteral("1 / %1 ページ").arg(pages) : QStringLiteral("印刷するページがありません"));

        PreviewPages viewed(render, f.options, 100, 4 << 20);
        for (int i = 1; i <= pages; ++i)
            QVERIFY(!viewed.page(i, 50).isNull());
        QVERIFY(viewed.page(pages + 1, 50).isNull());
        QVERIFY2(viewed.keptPages() <= 6 && viewed.runs() <= pages / 3 + 2, qPrintable(QString::number(viewed.runs())));
        if (look == 0)
            return;
        // The page drawn after the pages before it were passed over, beside the same page drawn in a run that passes
        // over none: the estimate's pages all in one run, the other printout's page from a printout that starts there.
        PreviewPages skipping(render, f.options), straight(estimate ? render : printout(look), f.options, 100, 1 << 30);
        const QImage first = straight.page(1, 50);
        QCOMPARE(skipping.page(look, 50), estimate ? straight.page(look, 50) : first);
        QCOMPARE(prompts.messages(), QStringList());  // stopping after the pages wanted is no failure
        QVERIFY(!estimate || first != straight.page(2, 50));  // the rows are drawn
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
        row("detailed cover", "FILE --estimate 64 --kind cover-detail --pdf OUT", 0, "1 page", "一金2,200円也（消費税込）");
        row("detailed cover without item table", "FILE --estimate 192 --kind cover-detail --pdf OUT", 0, "1 page", "合計");
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
        row("bad kind", "FILE --estimate 64 --kind invoice --pdf OUT", 2, "--kind must be estimate, budget, cover or cover-detail");
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
        RZ_FILE_ONLY("the command line on damaged, cut short and half-saved files, and folder rights");
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
            printEstimateList(device, f.options, f.shared.Co_Name, *f.db, EstimateRef{64});
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
