// 印刷 of the index window: the dialog as the index window prepares it, the
// cover or the list of the chosen estimate, the message label, the PDF note
// and the company name kept with the estimate.
#include "printfixture.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace rz;
using rztest::PrintFixture;

namespace {
// A recording device that says it wrote a PDF file.
class PdfRecording : public RecordingPrintDevice {
public:
    QString outputFile() const override { return QStringLiteral("/tmp/見積/本社改修工事.pdf"); }
};

struct IndexRun {
    PrintFixture f;
    rztest::ScriptedPrompts prompts;
    std::unique_ptr<Recordset> index;
    QStringList labels;
    QList<bool> marks;
    bool dialogShown = false;
    bool screenOptionVisible = true;
    std::shared_ptr<RecordingPrintDevice> device;  // set when the command opens one

    IndexRun()
    {
        f.db->execute(QStringLiteral("UPDATE RZTBLIDX SET kn1 = ?, bk2 = ? WHERE key1 = 64"),
                      {Value(*Currency::parse(QStringLiteral("12345678"))), Value(QStringLiteral("記録社名"))});
        f.add({1024}, rztest::detail(QStringLiteral("土工"), QStringLiteral("300")));
        index = f.db->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX ORDER BY [key1]"));
        index->moveFirst();
    }

    // Runs the command; script gets the dialog while it is "shown".
    bool failingDevice = false;  // the printer or file cannot be opened

    void run(const std::function<void(FrmLstOpt &)> &script, bool pdf = false)
    {
        IndexPrintJob job{f.shared, prompts, *f.db, *index, f.table};
        job.setLblMsg = [this](const QString &t) { labels << t; };
        job.markRow = [this](bool on) { marks << on; };
        job.showDialog = [&](FrmLstOpt &d) {
            dialogShown = true;
            screenOptionVisible = d.OptLst2[2]->isVisibleTo(&d);
            script(d);
        };
        job.openDevice = [this, pdf](const PrintOptions &, const QString &) {
            if (failingDevice)
                throw std::runtime_error(QStringLiteral("PDFファイルを書き込めませんでした: /ro/x.pdf").toStdString());
            device = pdf ? std::make_shared<PdfRecording>() : std::make_shared<RecordingPrintDevice>();
            return std::static_pointer_cast<PrintDevice>(device);
        };
        printFromIndex(job);
    }
    QString storedCompany() const
    {
        auto rs = f.db->openRecordset(QStringLiteral("SELECT bk2 FROM RZTBLIDX WHERE key1 = 64"), RecordsetType::Snapshot);
        return rs->field(0).toString();
    }
};
}  // namespace

class TestIndexPrint : public QObject {
    Q_OBJECT
private slots:
    void kinds_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("estimate list") << "OptLst1_0" << "土工" << 7 << 7;
        QTest::newRow("estimate and budget list") << "OptLst1_1" << "土工" << 6 << 13;
        QTest::newRow("cover page") << "OptLst1_2" << "一金12,345,678円也" << 24 << 25;
    }
    void kinds()
    {
        QFETCH(QString, option);
        QFETCH(QString, expectedText);
        QFETCH(int, col);
        QFETCH(int, row);
        IndexRun r;
        r.run([&](FrmLstOpt &d) {
            d.findChild<QRadioButton *>(option)->click();
            d.cmdOK->click();
        });
        QVERIFY(r.dialogShown);
        QVERIFY(!r.screenOptionVisible);
        QVERIFY(r.device);
        QCOMPARE(r.device->endDocs(), 1);
        QCOMPARE(r.device->pageCount(), 1);
        const auto at = r.device->textsAt(1, col, row);
        QVERIFY(!at.empty());
        QCOMPARE(at.back().text, expectedText);
        QCOMPARE(r.labels, (QStringList{QStringLiteral("印刷中！！"), QString()}));
        QCOMPARE(r.marks, (QList<bool>{true, false}));
        QVERIFY(!r.prompts.busy);
        QCOMPARE(r.prompts.countOf(rztest::PromptRecord::Message), 0);
        if (option != QLatin1String("OptLst1_2")) {
            // The estimate's own company name is printed at the foot.
            QVERIFY(r.device->find(QStringLiteral("記録社名")));
            QCOMPARE(r.f.shared.Prt_Tbl, r.f.table);
        }
    }

    void cancelPrintsNothingButKeepsTheName()
    {
        IndexRun r;
        r.run([](FrmLstOpt &d) {
            d.Text1->setText(QStringLiteral("新しい社名"));
            d.Text1->setFocus();
            QFocusEvent leave(QEvent::FocusOut);
            QCoreApplication::sendEvent(d.Text1, &leave);
            d.cmdCancel->click();
        });
        QVERIFY(!r.device);
        QVERIFY(r.labels.isEmpty());
        QCOMPARE(r.f.shared.Co_Name, QStringLiteral("新しい社名"));
        QCOMPARE(r.storedCompany(), QStringLiteral("新しい社名"));
        QCOMPARE(r.marks, (QList<bool>{true, false}));
    }

    void typedNameIsPrintedAndStored()
    {
        IndexRun r;
        r.run([](FrmLstOpt &d) {
            QCOMPARE(d.Text1->text(), QStringLiteral("記録社名"));
            d.Text1->setText(QStringLiteral("東和建設"));
            d.cmdOK->click();
        });
        QVERIFY(r.device->find(QStringLiteral("東和建設")));
        QCOMPARE(r.storedCompany(), QStringLiteral("東和建設"));
    }

    void pdfIsAnnounced()
    {
        IndexRun r;
        r.run([](FrmLstOpt &d) { d.cmdOK->click(); }, true);
        QCOMPARE(r.labels.size(), 3);
        QVERIFY(r.labels.last().contains(QStringLiteral("本社改修工事.pdf")));
        const auto *m = r.prompts.lastMessage();
        QVERIFY(m);
        QVERIFY(m->text.contains(QStringLiteral("/tmp/見積/本社改修工事.pdf")));
        QCOMPARE(m->style, int(MsgInformation));
    }

    // A printout that could not be made is said so, never passed over.
    void failureIsReported()
    {
        IndexRun r;
        r.failingDevice = true;
        r.run([](FrmLstOpt &d) { d.cmdOK->click(); });
        const auto *m = r.prompts.lastMessage();
        QVERIFY(m);
        QVERIFY(m->text.contains(QStringLiteral("/ro/x.pdf")));
        QCOMPARE(m->style, int(MsgExclamation));
        QVERIFY(!r.prompts.busy);
        QCOMPARE(r.labels.last(), QString());
        QCOMPARE(r.marks, (QList<bool>{true, false}));
    }
};

RZ_REGISTER_TEST(TestIndexPrint)
#include "tst_indexprint.moc"
