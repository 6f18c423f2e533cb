// 印刷 (F8) of the breakdown editor driven through the window: the dialog as
// the current row allows, the page shown or the lists below the current row,
// typed text reaching the printout, and failures and PDF files told to the
// user. How the lists are laid out is the print module's own test.
#include "breakdownfixture.h"
#include "print/recordingdevice.h"

#include <QRadioButton>

namespace {
enum class Device { Recording, Pdf, FailsToOpen, FailsAtEnd };
// Level 0 or the sub-level of 基礎工事 with 25 rows, the pages turned, whether the page ends the level.
struct Screen { int level, pageUps; bool total; };
// The cell typed into, the text typed, the printout (screen or from the row), where to look, what is there and in the file.
struct Typed { int row, col; QString typed; bool screen; int printCol, printRow; QString printed, field, stored; };

// A recording device that says it wrote a PDF file, or fails when the document is ended.
class TestDevice : public RecordingPrintDevice {
public:
    explicit TestDevice(Device kind) : kind_(kind) {}
    QString outputFile() const override { return kind_ == Device::Pdf ? QStringLiteral("/tmp/見積/工事六十四.pdf") : QString(); }
    void endDoc() override
    {
        if (kind_ == Device::FailsAtEnd)
            throw std::runtime_error("PDFファイルを書き込めませんでした: /ro/x.pdf");
        RecordingPrintDevice::endDoc();
    }
    Device kind_;
};

// The editor with its dialog scripted and its printer recorded.
struct PrintRun {
    BreakdownFixture f;
    std::function<void(FrmLstOpt &)> script = [](FrmLstOpt &d) { d.cmdOK->click(); };
    Device kind = Device::Recording;
    int dialogs = 0;
    QList<bool> offered;  // 表紙 visible; 内訳＋明細, 内訳, 表示画面 enabled
    std::shared_ptr<TestDevice> device;
    QString docName, msgWhilePrinting;

    bool open(const std::vector<Item> &items)
    {
        if (!f.open(items))
            return false;
        f.s().showPrintOptions = [this](FrmLstOpt &d) {
            ++dialogs;
            offered = {d.OptLst1[2]->isVisibleTo(&d), d.OptLst2[0]->isEnabled(), d.OptLst2[1]->isEnabled(), d.OptLst2[2]->isEnabled()};
            script(d);
        };
        f.s().openPrintDevice = [this](const PrintOptions &, const QString &name) {
            docName = name;
            msgWhilePrinting = f.s().LblMsg;
            if (kind == Device::FailsToOpen)
                throw std::runtime_error("PDFファイルを書き込めませんでした: /ro/x.pdf");
            device = std::make_shared<TestDevice>(kind);
            return std::static_pointer_cast<PrintDevice>(device);
        };
        return true;
    }
    // The text printed last at a cell of a page, trimmed, with "*" before it when bold.
    QString at(int col, int row, int page = 1) const
    {
        const auto t = device ? device->textsAt(page, col, row) : std::vector<PrintedText>{};
        return t.empty() ? QString() : (t.back().bold ? "*" : "") + t.back().text.trimmed();
    }
};

void chooseScreen(FrmLstOpt &d)
{
    d.OptLst2[2]->click();
    d.cmdOK->click();
}
}  // namespace
Q_DECLARE_METATYPE(Screen)
Q_DECLARE_METATYPE(Typed)

class TestEditorPrint : public QObject {
    Q_OBJECT
private slots:
    // Which printouts the dialog offers depends on the row the cursor is on.
    void dialogFollowsTheRow_data()
    {
        // The cursor row, and what the dialog offers there (none: no dialog, a beep).
        cases<QPair<int, QList<bool>>>({{"group row", {1, {false, true, true, true}}}, {"item row", {2, {false, false, false, true}}},
                                        {"provisionally deleted group row", {3, {false, false, false, true}}}, {"input row", {4, {}}}});
    }
    void dialogFollowsTheRow()
    {
        using Offer = QPair<int, QList<bool>>;
        QFETCH(Offer, c);
        const int row = c.first;
        const QList<bool> offered = c.second;
        PrintRun r;
        Item deleted = group({3072}, "旧工事");
        deleted.flg = "+x        ";
        QVERIFY(r.open({group({1024}, "基礎工事"), leaf({1024, 1024}, "掘削", "1", "100"), leaf({2048}, "型枠", "1", "100"), deleted,
                        leaf({3072, 1024}, "撤去", "1", "100")}));
        r.script = [](FrmLstOpt &d) { d.cmdCancel->click(); };
        r.f.toRow(row);
        r.f.key(Qt::Key_F8);
        QCOMPARE(r.dialogs, offered.isEmpty() ? 0 : 1);
        QCOMPARE(r.offered, offered);
        QCOMPARE(r.f.prompts.beeps, offered.isEmpty() ? 1 : 0);
        QVERIFY(!r.device);  // cancelled: nothing printed
        QCOMPARE(r.f.grid().row(), row);  // the overlay is back on the cell the command was given from
        QVERIFY(r.f.box()->isVisible());
    }

    // 表示画面 prints the page shown of the level shown, each grid row in its
    // band with the amount the grid shows, and the 計 line where the level ends.
    void screenPage_data()
    {
        cases<Screen>({{"level 0, page 2", {0, 1, true}}, {"sub-level, page 1 under its title", {1, 0, false}},
                       {"sub-level, page 2", {1, 1, true}}});
    }
    void screenPage()
    {
        QFETCH(Screen, c);
        PrintRun r;
        std::vector<Item> items = rowsUnder(c.level == 0 ? std::vector<int>{} : std::vector<int>{1024}, 25);
        items[9].flg = items[22].flg = kDeletedFlg;
        if (c.level == 1)
            items.push_back(group({1024}, "基礎工事"));
        QVERIFY(r.open(items));
        if (c.level == 1)
            r.f.press(Qt::Key_F1);
        for (int i = 0; i < c.pageUps; ++i)
            r.f.key(Qt::Key_PageUp);
        r.script = chooseScreen;
        r.f.key(Qt::Key_F8);
        QVERIFY(r.device);
        QCOMPARE(r.device->pageCount(), 1);
        QCOMPARE(r.f.prompts.countOf(PromptRecord::Message), 0);
        const bool title = c.level == 1 && c.pageUps == 0;
        QCOMPARE(r.at(7, 7), title ? QString("基礎工事") : "行" + QString::number(c.pageUps ? 21 - c.level : 1));
        for (int g = 1; g < r.f.grid().rows() && !r.f.s().isInputRow(g); ++g) {
            const int row = 7 + 2 * (g - 1 + (title ? 1 : 0));
            const bool deleted = r.f.grid().text(g, 0) == QStringLiteral("×");
            QCOMPARE(r.at(7, row) + '|' + r.at(93, row), deleted ? QString("|") : r.f.name(g) + '|' + r.f.grid().text(g, 8).trimmed());
        }
        QCOMPARE(r.device->rowImage(1, 45).contains(QStringLiteral("計")), c.total);
        if (c.total)
            QCOMPARE(r.at(93, 45), r.f.total());
        QCOMPARE(r.f.s().LvlPage[size_t(c.level)], c.pageUps + 1);  // the editor shows the page it showed before
        QCOMPARE(r.docName + ' ' + r.msgWhilePrinting + r.f.s().LblMsg, QString("工事六十四 表示画面 印刷中！！"));
    }

    // What is typed and not yet committed reaches the file before the
    // printout reads it, and so the paper.
    void typedTextIsPrinted_data()
    {
        cases<Typed>({{"name on the page shown", {2, 1, "型枠改", true, 7, 9, "型枠改", "knm", "型枠改"}},
                      {"quantity on the page shown", {2, 3, "4", true, 93, 9, "1,000", "kn1", "1000"}},
                      {"total follows the quantity", {2, 3, "4", true, 93, 45, "1,900", "su1", "4"}},
                      {"name of the row printed from", {1, 1, "基礎", false, 7, 7, "*基礎", "knm", "基礎"}}});
    }
    void typedTextIsPrinted()
    {
        QFETCH(Typed, c);
        PrintRun r;
        QVERIFY(r.open({group({1024}, "基礎工事", "900"), leaf({1024, 1024}, "掘削", "1", "0", "900"), leaf({2048}, "型枠", "3", "250", "750")}));
        r.f.toRow(c.row, c.col);
        r.f.type("^" + c.typed);
        if (c.screen)
            r.script = chooseScreen;
        r.f.key(Qt::Key_F8);
        QCOMPARE(r.at(c.printCol, c.printRow), c.printed);
        QCOMPARE(r.f.value({c.row == 1 ? 1024 : 2048}, c.field.toLatin1().constData()).toString().trimmed(), c.stored);
    }

    // A printer or file that fails is told with a message, the label and
    // the pointer are put back, and the editor prints again afterwards; a
    // PDF written instead of printing is announced.
    void failureIsReported_data() { cases<int>({{"device cannot be opened", int(Device::FailsToOpen)}, {"document cannot be ended", int(Device::FailsAtEnd)}}); }
    void failureIsReported()
    {
        QFETCH(int, c);
        PrintRun r;
        QVERIFY(r.open({group({1024}, "基礎工事", "100"), leaf({1024, 1024}, "掘削", "1", "0", "100")}));
        r.kind = Device(c);
        r.script = chooseScreen;
        r.f.key(Qt::Key_F8);
        const PromptRecord m = r.f.last(PromptRecord::Message);
        QCOMPARE(m.text + ' ' + QString::number(m.style), QString("印刷できませんでした。\nPDFファイルを書き込めませんでした: /ro/x.pdf %1").arg(MsgExclamation));
        QVERIFY(!r.f.prompts.busy);
        QCOMPARE(r.f.editor->LblMsg->text(), QString());
        r.kind = Device::Pdf;
        r.f.key(Qt::Key_F8);
        QCOMPARE(r.dialogs, 2);
        QCOMPARE(r.at(7, 7), QString("基礎工事"));
        QVERIFY(r.f.editor->LblMsg->text().contains(QStringLiteral("工事六十四.pdf")));
        QVERIFY(r.f.last(PromptRecord::Message).text.contains(QStringLiteral("/tmp/見積/工事六十四.pdf")));
        QCOMPARE(r.f.last(PromptRecord::Message).style, int(MsgInformation));
    }

    // On an item row the list choices are disabled but the first stays
    // chosen: confirming it prints no page, and the label says why.
    void nothingBelowAnItemRow()
    {
        PrintRun r;
        QVERIFY(r.open({leaf({1024}, "諸経費", "1", "0", "999")}));
        r.f.key(Qt::Key_F8);
        QVERIFY(r.device);
        QCOMPARE(r.device->pageCount(), 0);
        QCOMPARE(r.f.prompts.countOf(PromptRecord::Message), 0);
        QCOMPARE(r.f.editor->LblMsg->text(), QStringLiteral("印刷する行がありません"));
    }
};

RZ_REGISTER_TEST(TestEditorPrint)
#include "tst_editorprint.moc"
