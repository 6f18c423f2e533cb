// The print options dialog and 印刷 of the estimate index window: what the
// choices mean to the printout, how the dialog is left, the chosen estimate
// in the chosen kind, the message label, the PDF note, failures and the
// company name kept with the estimate.
#include "printfixture.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace rz;

class TestIndexPrint : public QObject {
    Q_OBJECT
private slots:
    // The remarks and the paper share one array of buttons but are two choices.
    void choices_data()
    {
        QTest::addColumn<QString>("click");  // object names of the options clicked, in order
        QTest::addColumn<QString>("page");   // typed as the start page
        QTest::addColumn<QString>("expected");  // kind, range, quantities, prices, remarks, paper, first page
        QTest::newRow("as opened") << "" << "1" << "0 0 1 1 1 B5 1";
        QTest::newRow("budget layout") << "OptLst1_1" << "1" << "1 0 1 1 1 B5 1";
        QTest::newRow("cover") << "OptLst1_2" << "1" << "2 0 1 1 1 B5 1";
        QTest::newRow("back from budget") << "OptLst1_1 OptLst1_0" << "1" << "0 0 1 1 1 B5 1";
        QTest::newRow("first list only, no quantities") << "OptLst2_1 OptLst3_1" << "1" << "0 1 0 1 1 B5 1";
        QTest::newRow("no prices") << "OptLst4_1" << "1" << "0 0 1 0 1 B5 1";
        QTest::newRow("A4, then no remarks") << "OptLst5_2 OptLst5_1" << "1" << "0 0 1 1 0 A4 1";
        QTest::newRow("no remarks, then A4") << "OptLst5_1 OptLst5_2" << "1" << "0 0 1 1 0 A4 1";
        QTest::newRow("start page half to even down") << "" << "2.5" << "0 0 1 1 1 B5 2";
        QTest::newRow("start page half to even up") << "" << "3.5" << "0 0 1 1 1 B5 4";
        QTest::newRow("negative start page") << "" << "-2" << "0 0 1 1 1 B5 -2";
        QTest::newRow("no start page: no numbers") << "" << "" << "0 0 1 1 1 B5 0";
        QTest::newRow("letters: no numbers") << "" << "abc" << "0 0 1 1 1 B5 0";
        QTest::newRow("beyond an integer: no numbers") << "" << "40000" << "0 0 1 1 1 B5 0";
    }
    void choices()
    {
        QFETCH(QString, click);
        QFETCH(QString, page);
        QFETCH(QString, expected);
        Shared shared;
        shared.Co_Name = QStringLiteral("東和建設");
        FrmLstOpt dlg(shared, nullptr, QDate(2000, 9, 4));
        QCOMPARE(dlg.TxtPno->text(), QStringLiteral("1"));
        QCOMPARE(dlg.TxtDate->text(), QStringLiteral("平成12年 9月 4日"));
        for (const QString &name : click.split(u' ', Qt::SkipEmptyParts)) {
            auto *b = dlg.findChild<QRadioButton *>(name);
            QVERIFY2(b, qPrintable(name));
            b->click();
        }
        dlg.TxtPno->setText(page);
        const PrintOptions o = dlg.options();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(int(o.kind)).arg(int(o.range)).arg(o.quantities).arg(o.prices)
                     .arg(o.remarks).arg(o.paper == PaperSize::A4 ? "A4" : "B5").arg(o.startPage()),
                 expected);
        QCOMPARE(o.companyName, QStringLiteral("東和建設"));
    }

    // 印刷 on an estimate row of the index window: how the dialog is left,
    // what is printed, and what the user is told.
    void indexCommand_data()
    {
        QTest::addColumn<QString>("how");      // an option clicked before 印刷開始, or how the dialog is left
        QTest::addColumn<QString>("company");  // typed into the dialog, "" to keep the estimate's
        QTest::addColumn<int>("device");       // 0: a printer, 1: a PDF file, 2: cannot be opened
        QTest::addColumn<QString>("text");     // printed at the cell, "" when nothing is printed
        QTest::addColumn<QPoint>("cell");
        QTest::newRow("estimate list") << "OptLst1_0" << "" << 0 << "土工" << QPoint(7, 7);
        QTest::newRow("estimate and budget list") << "OptLst1_1" << "" << 0 << "土工" << QPoint(6, 13);
        QTest::newRow("cover page") << "OptLst1_2" << "" << 0 << "一金12,345,678円也" << QPoint(24, 25);
        QTest::newRow("Enter in the start page box") << "enter" << "" << 0 << "記録社名" << QPoint(57, 46);
        QTest::newRow("a typed company name, stored") << "" << "東和建設" << 0 << "東和建設" << QPoint(57, 46);
        QTest::newRow("キャンセル keeps the typed name") << "cancel" << "新しい社名" << 0 << "" << QPoint();
        QTest::newRow("close box cancels") << "close" << "" << 0 << "" << QPoint();
        QTest::newRow("Esc does nothing") << "esc" << "" << 0 << "" << QPoint();
        QTest::newRow("into a PDF, said so") << "" << "" << 1 << "土工" << QPoint(7, 7);
        QTest::newRow("failure is reported") << "" << "" << 2 << "" << QPoint();
    }
    void indexCommand()
    {
        QFETCH(QString, how);
        QFETCH(QString, company);
        QFETCH(int, device);
        QFETCH(QString, text);
        QFETCH(QPoint, cell);
        rztest::PrintFixture f;
        f.db->execute(QStringLiteral("UPDATE RZTBLIDX SET kn1 = 123456780000, bk2 = '記録社名' WHERE key1 = 64"));
        f.add({1024}, rztest::detail(QStringLiteral("土工"), QStringLiteral("300")));
        auto index = f.db->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX ORDER BY [key1]"));
        rztest::ScriptedPrompts prompts;
        QStringList labels;
        QList<bool> marks;
        bool screenOffered = true, shownAfter = false;
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
            if (how.startsWith(QLatin1String("OptLst")))
                d.findChild<QRadioButton *>(how)->click();
            if (how == QLatin1String("enter"))
                QTest::keyClick(d.TxtPno, Qt::Key_Return);
            else if (how == QLatin1String("esc"))
                QTest::keyClick(&d, Qt::Key_Escape);
            else if (how == QLatin1String("close"))
                d.close();
            else
                (how == QLatin1String("cancel") ? d.cmdCancel : d.cmdOK)->click();
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

        QVERIFY(!screenOffered);
        QCOMPARE(shownAfter, how == QLatin1String("esc"));
        QCOMPARE(marks, (QList<bool>{true, false}));  // the row is marked while it prints
        QVERIFY(!prompts.busy);
        auto stored = f.db->openRecordset(QStringLiteral("SELECT bk2 FROM RZTBLIDX WHERE key1 = 64"));
        QCOMPARE(stored->field(0).toString(), company.isEmpty() ? QStringLiteral("記録社名") : company);
        const auto *message = prompts.lastMessage();
        const bool started = !QStringList{"cancel", "close", "esc"}.contains(how);
        QCOMPARE(labels.mid(0, 2), started ? QStringList({"印刷中！！", ""}) : QStringList());
        QCOMPARE(bool(printed), started && device != 2);
        QCOMPARE(bool(message), started && device != 0);
        if (device == 2)
            QVERIFY(message->style == int(MsgExclamation) && message->text.contains(QStringLiteral("/ro/x.pdf")));
        if (!printed)
            return;
        QVERIFY(printed->endDocs() == 1 && printed->pageCount() == 1);
        const auto at = printed->textsAt(1, cell.x(), cell.y());
        QVERIFY2(!at.empty(), qPrintable(text));
        QCOMPARE(at.back().text, text);
        QCOMPARE(labels.size(), device == 1 ? 3 : 2);
        if (device == 1)
            QVERIFY(labels.last().contains("本社改修工事.pdf") && message->style == int(MsgInformation)
                    && message->text.contains(QStringLiteral("/tmp/見積/本社改修工事.pdf")));
    }
};

RZ_REGISTER_TEST(TestIndexPrint)
#include "tst_indexprint.moc"
