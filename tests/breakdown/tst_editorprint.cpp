// 印刷 (F8) of the breakdown editor driven through the window: the dialog as
// the current row allows, the page shown with the amounts carried from the
// earlier pages, the lists below a row, typed text reaching the printout,
// the PDF note and failures told to the user.
#include "breakdownfixture.h"
#include "print/recordingdevice.h"
#include "support/testmain.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace rz;
using rztest::BreakdownFixture;
using rztest::Item;
using rztest::group;
using rztest::leaf;

namespace {
const QString kDeletedFlg = QStringLiteral("-x        ");
const QString kDeletedGroupFlg = QStringLiteral("+x        ");

// A recording device that says it wrote a PDF file.
class PdfRecording : public RecordingPrintDevice {
public:
    QString outputFile() const override { return QStringLiteral("/tmp/見積/工事六十四 表示画面.pdf"); }
};

// A printer that takes the pages but fails when the document is ended.
class FailingAtEnd : public RecordingPrintDevice {
public:
    void endDoc() override { throw std::runtime_error("PDFファイルを書き込めませんでした: /ro/x.pdf"); }
};

enum class Device { Recording, Pdf, FailsToOpen, FailsAtEnd };

// The editor with its dialog scripted and its printer recorded.
struct PrintRun {
    BreakdownFixture f;
    std::function<void(FrmLstOpt &)> script = [](FrmLstOpt &d) { d.cmdOK->click(); };
    Device kind = Device::Recording;

    int dialogs = 0;
    QString tagWhenShown;
    bool coverVisible = true, screenVisible = false, screenEnabled = false;
    bool fullEnabled = false, topEnabled = false;
    std::shared_ptr<RecordingPrintDevice> device;
    int devicesOpened = 0;
    QString docName, msgWhilePrinting;
    bool busyWhilePrinting = false;

    bool open(const std::vector<Item> &items)
    {
        f.add(items);
        if (!f.openEditor())
            return false;
        U1Session &s = f.s();
        s.showPrintOptions = [this](FrmLstOpt &d) {
            ++dialogs;
            tagWhenShown = d.cmdOKTag;
            coverVisible = d.OptLst1[2]->isVisibleTo(&d);
            screenVisible = d.OptLst2[2]->isVisibleTo(&d);
            screenEnabled = d.OptLst2[2]->isEnabled();
            fullEnabled = d.OptLst2[0]->isEnabled();
            topEnabled = d.OptLst2[1]->isEnabled();
            script(d);
        };
        s.openPrintDevice = [this](const PrintOptions &, const QString &name) {
            ++devicesOpened;
            docName = name;
            msgWhilePrinting = f.s().LblMsg;
            busyWhilePrinting = f.prompts.busy;
            if (kind == Device::FailsToOpen)
                throw std::runtime_error("PDFファイルを書き込めませんでした: /ro/x.pdf");
            if (kind == Device::Pdf)
                device = std::make_shared<PdfRecording>();
            else if (kind == Device::FailsAtEnd)
                device = std::make_shared<FailingAtEnd>();
            else
                device = std::make_shared<RecordingPrintDevice>();
            return std::static_pointer_cast<PrintDevice>(device);
        };
        return true;
    }
    void f8() { f.key(Qt::Key_F8); }

    // The text printed at a cell of page 1 (the last one there), trimmed.
    QString at(int col, int row, int page = 1) const
    {
        const auto t = device->textsAt(page, col, row);
        return t.empty() ? QString() : t.back().text.trimmed();
    }
    static int bandRow(int band) { return 7 + 2 * band; }
};

void chooseScreen(FrmLstOpt &d)
{
    d.OptLst2[2]->click();
    d.cmdOK->click();
}

// Level 0 of 25 rows for the page-2 printout: subtotal rows on both pages,
// provisionally deleted rows on both pages, a running total on page 2.
std::vector<Item> twoPagesOfRows()
{
    std::vector<Item> items;
    for (int i = 1; i <= 25; ++i) {
        Item it = leaf({i * 1024}, QStringLiteral("行%1").arg(i), "1", "0", QString::number(i * 10));
        if (i == 5 || i == 22) {
            it = leaf({i * 1024}, i == 5 ? QStringLiteral("＠小計Ａ") : QStringLiteral("＠小計Ｂ"), "0", "0");
        } else if (i == 24) {
            it = leaf({i * 1024}, QStringLiteral("＠＠累計"), "0", "0");
        } else if (i == 10 || i == 23) {
            it.flg = kDeletedFlg;
        }
        items.push_back(it);
    }
    return items;
}

// A group on level 0 whose sub-level has n rows, a subtotal as row 21.
std::vector<Item> groupOf(int n)
{
    std::vector<Item> items{group({1024}, QStringLiteral("基礎工事"))};
    for (int i = 1; i <= n; ++i) {
        const QString name = i == 21 ? QStringLiteral("＠小計") : QStringLiteral("子%1").arg(i);
        items.push_back(leaf({1024, i * 1024}, name, "1", "0", i == 21 ? "0" : QString::number(i * 100)));
    }
    return items;
}

// Two levels below 基礎工事, beside rows that must not be printed from it.
std::vector<Item> estimateTree()
{
    return {group({1024}, QStringLiteral("基礎工事"), "9000"),
            leaf({1024, 1024}, QStringLiteral("掘削"), "2", "1500", "3000"),
            group({1024, 2048}, QStringLiteral("型枠工"), "1000"),
            leaf({1024, 2048, 1024}, QStringLiteral("合板型枠"), "1", "0", "800"),
            leaf({1024, 2048, 2048}, QStringLiteral("支保工"), "1", "0", "200"),
            leaf({1024, 3072}, QStringLiteral("鉄筋"), "1", "0", "5000"),
            leaf({2048}, QStringLiteral("諸経費"), "1", "0", "999"),
            group({3072}, QStringLiteral("外構工事"), "700"),
            leaf({3072, 1024}, QStringLiteral("植栽"), "1", "0", "700")};
}
}  // namespace

class TestEditorPrint : public QObject {
    Q_OBJECT
private slots:
    // Which printouts the dialog offers depends on the row the cursor is on.
    void dialogFollowsTheRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<bool>("subLevels");
        QTest::newRow("group row") << 1 << true << true;
        QTest::newRow("item row") << 2 << true << false;
        QTest::newRow("provisionally deleted group row") << 3 << true << false;
        QTest::newRow("input row") << 4 << false << false;
    }
    void dialogFollowsTheRow()
    {
        QFETCH(int, row);
        QFETCH(bool, dialog);
        QFETCH(bool, subLevels);
        PrintRun r;
        Item deleted = group({3072}, QStringLiteral("旧工事"));
        deleted.flg = kDeletedGroupFlg;
        QVERIFY(r.open({group({1024}, QStringLiteral("基礎工事")), leaf({1024, 1024}, QStringLiteral("掘削"), "1", "100"),
                        leaf({2048}, QStringLiteral("型枠"), "1", "100"), deleted,
                        leaf({3072, 1024}, QStringLiteral("撤去"), "1", "100")}));
        r.script = [](FrmLstOpt &d) { d.cmdCancel->click(); };
        r.f.toRow(row);
        r.f8();
        QCOMPARE(r.dialogs, dialog ? 1 : 0);
        QCOMPARE(r.f.prompts.beeps, dialog ? 0 : 1);
        QCOMPARE(r.devicesOpened, 0);  // cancelled: nothing printed
        if (!dialog)
            return;
        QCOMPARE(r.tagWhenShown, QStringLiteral("False"));
        QVERIFY(!r.coverVisible);
        QVERIFY(r.screenVisible);
        QVERIFY(r.screenEnabled);
        QCOMPARE(r.fullEnabled, subLevels);
        QCOMPARE(r.topEnabled, subLevels);
        // The overlay is back on the cell the command was given from.
        QCOMPARE(r.f.grid().row(), row);
        QVERIFY(r.f.box()->isVisible());
    }

    // 表示画面 prints the rows of the page shown, each in its band, with the
    // amounts the grid shows; subtotals and running totals count the rows of
    // the earlier pages; the 計 line only where the level ends.
    void screenPage_data()
    {
        QTest::addColumn<int>("level");  // 0, or 1 below 基礎工事
        QTest::addColumn<int>("rows");   // rows of that level
        QTest::addColumn<int>("pageUps");
        QTest::addColumn<bool>("title");
        QTest::addColumn<int>("carriedBand");  // the subtotal band that includes earlier pages, or -1
        QTest::addColumn<QString>("carried");
        QTest::addColumn<QString>("total");  // the 計 amount, "" when no 計 line
        QTest::newRow("level 0, page 2") << 0 << 25 << 1 << false << 1 << "2,060" << "2,410";
        QTest::newRow("sub-level, page 1") << 1 << 5 << 0 << true << -1 << "" << "1,500";
        QTest::newRow("sub-level, page 2") << 1 << 22 << 1 << false << 1 << "21,000" << "23,200";
        QTest::newRow("full sub-level page, no total") << 1 << 22 << 0 << true << -1 << "" << "";
    }
    void screenPage()
    {
        QFETCH(int, level);
        QFETCH(int, rows);
        QFETCH(int, pageUps);
        QFETCH(bool, title);
        QFETCH(int, carriedBand);
        QFETCH(QString, carried);
        QFETCH(QString, total);
        PrintRun r;
        QVERIFY(r.open(level == 0 ? twoPagesOfRows() : groupOf(rows)));
        if (level == 1)
            r.f.press(Qt::Key_F1);
        QCOMPARE(r.f.s().CurLvl, level);
        for (int i = 0; i < pageUps; ++i)
            r.f.press(Qt::Key_PageUp);
        QCOMPARE(r.f.s().LvlPage[size_t(level)], pageUps + 1);
        r.script = chooseScreen;
        r.f8();
        QVERIFY(r.device);
        QCOMPARE(r.device->pageCount(), 1);
        QCOMPARE(r.device->endDocs(), 1);
        QCOMPARE(r.f.prompts.countOf(rztest::PromptRecord::Message), 0);

        // The level's title heads page 1 of a sub-level, in regular weight.
        const auto head = r.device->textsAt(1, 7, 7);
        if (title) {
            QVERIFY(!head.empty());
            QCOMPARE(head.back().text.trimmed(), QStringLiteral("基礎工事"));
            QVERIFY(!head.back().bold);
        }
        // Every grid row of the page in its band, with the grid's amount.
        const int first = title ? 1 : 0;
        int printedRows = 0;
        for (int g = 1; g < r.f.grid().rows(); ++g) {
            if (r.f.s().isInputRow(g))
                break;
            const int row = PrintRun::bandRow(first + g - 1);
            const QString name = r.f.grid().text(g, 1).trimmed();
            if (r.f.grid().text(g, 0) == QStringLiteral("×")) {
                QVERIFY2(r.device->textsOnRow(1, row).empty(), qPrintable(name));
                continue;
            }
            ++printedRows;
            QString printed = r.at(7, row);
            QVERIFY2(name.endsWith(printed) && !printed.isEmpty(), qPrintable(name + " / " + printed));
            QCOMPARE(r.at(93, row), r.f.grid().text(g, 8).trimmed());
        }
        QVERIFY(printedRows > 0);
        if (carriedBand >= 0)
            QCOMPARE(r.at(93, PrintRun::bandRow(carriedBand)), carried);
        // The last band shares its row with the 計 line.
        QCOMPARE(r.device->rowImage(1, 45).contains(QStringLiteral("計")), !total.isEmpty());
        if (!total.isEmpty()) {
            QCOMPARE(r.at(93, 45), total);
            QCOMPARE(r.f.editor->LblTotal->text(), total);  // the editor's own total
        }
        // The editor shows the page it showed before.
        QCOMPARE(r.f.s().LvlPage[size_t(level)], pageUps + 1);
        QCOMPARE(r.f.s().LblMsg, QString());
    }

    // 内訳＋明細 from a group row prints the list below it headed by its name
    // in bold, then depth first the lists below its group rows; 内訳 only the
    // first list. Rows beside the group are not printed.
    void listsBelowTheRow_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("pages");
        QTest::newRow("内訳＋明細") << 0 << 2;
        QTest::newRow("内訳") << 1 << 1;
    }
    void listsBelowTheRow()
    {
        QFETCH(int, range);
        QFETCH(int, pages);
        PrintRun r;
        QVERIFY(r.open(estimateTree()));
        r.f.toRow(1);
        r.script = [range](FrmLstOpt &d) {
            d.OptLst2[range]->click();
            d.TxtPno->setText(QStringLiteral("3"));
            d.Text1->setText(QStringLiteral("東和建設"));
            d.cmdOK->click();
        };
        r.f8();
        QVERIFY(r.device);
        QCOMPARE(r.device->pageCount(), pages);
        QCOMPARE(r.f.shared.Prt_Tbl, r.f.table());
        const auto head = r.device->textsAt(1, 7, 7);
        QVERIFY(!head.empty());
        QCOMPARE(head.back().text.trimmed(), QStringLiteral("基礎工事"));
        QVERIFY(head.back().bold);
        const QStringList names{"掘削", "型枠工", "鉄筋"}, amounts{"3,000", "1,000", "5,000"};
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(r.at(7, PrintRun::bandRow(i + 1)), names[i]);
            QCOMPARE(r.at(93, PrintRun::bandRow(i + 1)), amounts[i]);
        }
        QCOMPARE(r.at(93, 45), QStringLiteral("9,000"));
        QCOMPARE(r.at(120, 46), QStringLiteral("Page   3"));
        QCOMPARE(r.at(57, 46), QStringLiteral("東和建設"));
        if (pages == 2) {
            const auto sub = r.device->textsAt(2, 7, 7);
            QVERIFY(!sub.empty());
            QCOMPARE(sub.back().text.trimmed(), QStringLiteral("型枠工"));
            QVERIFY(sub.back().bold);
            QCOMPARE(r.at(7, 9, 2), QStringLiteral("合板型枠"));
            QCOMPARE(r.at(7, 11, 2), QStringLiteral("支保工"));
            QCOMPARE(r.at(93, 45, 2), QStringLiteral("1,000"));
            QCOMPARE(r.at(120, 46, 2), QStringLiteral("Page   4"));
        }
        for (const char *other : {"諸経費", "外構工事", "植栽"})
            QVERIFY2(!r.device->find(QString::fromUtf8(other)), other);
        QCOMPARE(r.docName, QStringLiteral("工事六十四 基礎工事"));
    }

    // What is typed and not yet committed reaches the file before the
    // printout reads it, and so the paper.
    void typedTextIsPrinted_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("screen");
        QTest::addColumn<int>("printCol");
        QTest::addColumn<int>("printRow");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("stored");
        QTest::newRow("name on the page shown") << 2 << 1 << "型枠改" << true << 7 << 9 << "型枠改" << "knm" << "型枠改";
        QTest::newRow("quantity on the page shown") << 2 << 3 << "4" << true << 93 << 9 << "1,000" << "kn1" << "1000";
        QTest::newRow("total follows the quantity") << 2 << 3 << "4" << true << 93 << 45 << "1,900" << "su1" << "4";
        QTest::newRow("name of the row printed from") << 1 << 1 << "基礎" << false << 7 << 7 << "基礎" << "knm" << "基礎";
    }
    void typedTextIsPrinted()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, typed);
        QFETCH(bool, screen);
        QFETCH(int, printCol);
        QFETCH(int, printRow);
        QFETCH(QString, printed);
        QFETCH(QString, field);
        QFETCH(QString, stored);
        PrintRun r;
        QVERIFY(r.open({group({1024}, QStringLiteral("基礎工事"), "900"),
                        leaf({1024, 1024}, QStringLiteral("掘削"), "1", "0", "900"),
                        leaf({2048}, QStringLiteral("型枠"), "3", "250", "750")}));
        r.f.toRow(row, col);
        r.f.key(Qt::Key_A, Qt::ControlModifier);
        r.f.type(typed);
        QCOMPARE(r.f.boxText(), typed);
        if (screen)
            r.script = chooseScreen;
        r.f8();
        QVERIFY(r.device);
        QCOMPARE(r.at(printCol, printRow), printed);
        const Value v = r.f.value({row == 1 ? 1024 : 2048}, field.toLatin1().constData());
        if (v.isText())
            QCOMPARE(v.toString().trimmed(), stored);
        else
            QCOMPARE(v.toCurrency(), *Currency::parse(stored));
    }

    // A printer or file that fails is told with a message, the label and
    // the pointer are put back, and the editor prints again afterwards.
    void failureIsReported_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("device cannot be opened") << int(Device::FailsToOpen);
        QTest::newRow("document cannot be ended") << int(Device::FailsAtEnd);
    }
    void failureIsReported()
    {
        QFETCH(int, kind);
        PrintRun r;
        QVERIFY(r.open(estimateTree()));
        r.kind = Device(kind);
        r.script = chooseScreen;
        r.f8();
        QCOMPARE(r.f.prompts.countOf(rztest::PromptRecord::Message), 1);
        const auto *m = r.f.prompts.lastMessage();
        QVERIFY(m->text.startsWith(QStringLiteral("印刷できませんでした。")));
        QVERIFY(m->text.contains(QStringLiteral("/ro/x.pdf")));
        QCOMPARE(m->style, int(MsgExclamation));
        QVERIFY(!r.f.prompts.busy);
        QCOMPARE(r.f.editor->LblMsg->text(), QString());
        QVERIFY(r.f.s().isLoaded());

        r.kind = Device::Recording;
        r.f8();
        QCOMPARE(r.dialogs, 2);
        QCOMPARE(r.device->pageCount(), 1);
        QCOMPARE(r.at(7, 7), QStringLiteral("基礎工事"));
        QCOMPARE(r.f.prompts.countOf(rztest::PromptRecord::Message), 1);
    }

    // While printing the label says so and the pointer is busy; a PDF
    // written instead of printing is announced in the label and a message.
    void pdfIsAnnounced()
    {
        PrintRun r;
        QVERIFY(r.open(estimateTree()));
        r.kind = Device::Pdf;
        r.script = chooseScreen;
        r.f8();
        QCOMPARE(r.msgWhilePrinting, QStringLiteral("印刷中！！"));
        QVERIFY(r.busyWhilePrinting);
        QVERIFY(!r.f.prompts.busy);
        QCOMPARE(r.docName, QStringLiteral("工事六十四 表示画面"));
        QVERIFY(r.f.editor->LblMsg->text().contains(QStringLiteral("工事六十四 表示画面.pdf")));
        const auto *m = r.f.prompts.lastMessage();
        QVERIFY(m);
        QVERIFY(m->text.contains(QStringLiteral("/tmp/見積/工事六十四 表示画面.pdf")));
        QCOMPARE(m->style, int(MsgInformation));
    }

    // On an item row the list choices are disabled but the first stays
    // chosen: confirming it prints no page, and the label says why.
    void nothingBelowAnItemRow()
    {
        PrintRun r;
        QVERIFY(r.open(estimateTree()));
        r.f.toRow(2);  // 諸経費
        r.f8();
        QVERIFY(r.device);
        QCOMPARE(r.device->pageCount(), 0);
        QCOMPARE(r.f.prompts.countOf(rztest::PromptRecord::Message), 0);
        QCOMPARE(r.f.editor->LblMsg->text(), QStringLiteral("印刷する行がありません"));
    }
};

RZ_REGISTER_TEST(TestEditorPrint)
#include "tst_editorprint.moc"
