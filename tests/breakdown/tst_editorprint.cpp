// 印刷 (F8) of the breakdown editor driven through the window: the dialog as the current row allows, the page shown or the
// lists below the current row, typed text reaching the printout, and failures and PDF files told to the user. How the lists are
// laid out is the print module's own test.
#include "breakdownfixture.h"
#include "print/recordingdevice.h"

#include <QRadioButton>

namespace {
enum class Device { Recording, Pdf, FailsToOpen, FailsAtEnd };
// The cursor row; what the dialog offers (表紙 shown; 内訳＋明細, 内訳, 表示画面 enabled; none: a beep); pages printed, label.
struct Offer { int row; QList<bool> offered; int pages; QString label; };
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

// The editor with its dialog scripted (OK, or the choice of 表示画面 first) and its printer recorded.
struct PrintRun {
    BreakdownFixture f;
    bool screen = false;
    Device kind = Device::Recording;
    QList<bool> offered;
    std::shared_ptr<TestDevice> device;
    QString docName, msgWhilePrinting;

    bool open(const std::vector<Item> &items)
    {
        if (!f.open(items))
            return false;
        f.s().printing().showPrintOptions = [this](FrmLstOpt &d) {
            offered = {d.OptLst1[2]->isVisibleTo(&d), d.OptLst2[0]->isEnabled(), d.OptLst2[1]->isEnabled(), d.OptLst2[2]->isEnabled()};
            if (screen)
                d.OptLst2[2]->click();
            d.cmdOK->click();
        };
        f.s().printing().openPrintDevice = [this](const PrintOptions &, const QString &name) {
            docName = name, msgWhilePrinting = f.s().view().LblMsg;
            if (kind == Device::FailsToOpen)
                throw std::runtime_error("PDFファイルを書き込めませんでした: /ro/x.pdf");
            device = std::make_shared<TestDevice>(kind);
            return std::static_pointer_cast<PrintDevice>(device);
        };
        return true;
    }
    // The text printed last at a cell of page 1, trimmed, with "*" before it when bold.
    QString at(int col, int row) const
    {
        const auto t = device ? device->textsAt(1, col, row) : std::vector<PrintedText>{};
        return t.empty() ? QString() : (t.back().bold ? "*" : "") + t.back().text.trimmed();
    }
};
}  // namespace
Q_DECLARE_METATYPE(Device)
Q_DECLARE_METATYPE(Offer)
Q_DECLARE_METATYPE(Typed)

class TestEditorPrint : public QObject {
    Q_OBJECT
private slots:
    // The dialog offers the lists below a row only on a group row; on another row the first list stays chosen and prints
    // nothing, and the label says so.
    void dialogFollowsTheRow_data() { cases<Offer>({{"group row", {1, {false, true, true, true}, 1, ""}}, {"item row", {2, {false, false, false, true}, 0, "印刷する行がありません"}},
                                                    {"input row", {4, {}, -1, ""}}}); }
    void dialogFollowsTheRow()
    {
        QFETCH(Offer, c);
        PrintRun r;
        QVERIFY(r.open({group({1024}, "基礎工事"), leaf({1024, 1024}, "掘削", "1", "100"), leaf({2048}, "型枠", "1", "100"), leaf({3072}, "撤去", "1", "100")}));
        r.f.toRow(c.row);
        r.f.key(Qt::Key_F8);
        QCOMPARE(r.offered, c.offered);
        QCOMPARE(QPoint(r.f.prompts.beeps, r.device ? r.device->pageCount() : -1), QPoint(c.offered.isEmpty() ? 1 : 0, c.pages));
        QCOMPARE(r.f.editor->LblMsg->text() + r.f.prompts.messages().join(""), c.label);
        QVERIFY(r.f.grid().row() == c.row && r.f.box()->isVisible());  // the overlay is back on the cell the command was given from
    }

    // 表示画面 prints the page shown of the level shown, each grid row in its band with the amount the grid shows. Level 0 or
    // the sub-level of 基礎工事 with 25 rows each, and the pages turned.
    void screenPage_data() { cases<QPoint>({{"level 0, page 2", {0, 1}}, {"sub-level, page 1 under its title", {1, 0}}, {"sub-level, page 2", {1, 1}}}); }
    void screenPage()
    {
        QFETCH(QPoint, c);
        PrintRun r;
        std::vector<Item> items = rowsUnder(c.x() == 0 ? std::vector<int>{} : std::vector<int>{1024}, 25);
        items[9].flg = items[22].flg = kDeletedFlg;
        items.push_back(group({c.x() == 0 ? 40960 : 1024}, "基礎工事"));
        QVERIFY(r.open(items));
        if (c.x() == 1)
            r.f.key(Qt::Key_F1);
        if (c.y() == 1)
            r.f.key(Qt::Key_PageUp);
        r.screen = true;
        r.f.key(Qt::Key_F8);
        QCOMPARE(r.device ? r.device->pageCount() : 0, 1);
        const bool title = c.x() == 1 && c.y() == 0, total = c.y() == 1;  // the last page ends the level with its 計 line
        QCOMPARE(r.at(7, 7), title ? QString("基礎工事") : "行" + QString::number(c.y() ? 21 - c.x() : 1));
        for (int g = 1; g < r.f.grid().rows() && !r.f.s().isInputRow(g); ++g) {
            const int row = 7 + 2 * (g - 1 + (title ? 1 : 0));
            const bool deleted = r.f.grid().text(g, 0) == QStringLiteral("×");
            QCOMPARE(r.at(7, row) + '|' + r.at(93, row), deleted ? QString("|") : r.f.name(g) + '|' + r.f.grid().text(g, 8).trimmed());
        }
        QCOMPARE(r.device ? r.device->rowImage(1, 45).contains(QStringLiteral("計")) : !total, total);
        QCOMPARE(total ? r.at(93, 45) : QString(), total ? r.f.total() : QString());
        QCOMPARE(r.f.s().level().LvlPage[size_t(c.x())], c.y() + 1);  // the editor shows the page it showed before
        QCOMPARE(r.docName + ' ' + r.msgWhilePrinting + r.f.s().view().LblMsg + r.f.prompts.messages().join(""), QString("工事六十四 表示画面 印刷中！！"));
    }

    // What is typed and not yet committed reaches the file before the printout reads it, and so the paper.
    void typedTextIsPrinted_data() { cases<Typed>({{"name on the page shown", {2, 1, "型枠改", true, 7, 9, "型枠改", "knm", "型枠改"}},
                                                   {"quantity on the page shown", {2, 3, "4", true, 93, 9, "1,000", "kn1", "1000"}},
                                                   {"total follows the quantity", {2, 3, "4", true, 93, 45, "1,900", "su1", "4"}},
                                                   {"name of the row printed from", {1, 1, "基礎", false, 7, 7, "*基礎", "knm", "基礎"}}}); }
    void typedTextIsPrinted()
    {
        QFETCH(Typed, c);
        PrintRun r;
        QVERIFY(r.open({group({1024}, "基礎工事", "900"), leaf({1024, 1024}, "掘削", "1", "0", "900"), leaf({2048}, "型枠", "3", "250", "750")}));
        r.f.toRow(c.row, c.col);
        r.f.type("^" + c.typed);
        r.screen = c.screen;
        r.f.key(Qt::Key_F8);
        QCOMPARE(r.at(c.printCol, c.printRow), c.printed);
        QCOMPARE(r.f.value({c.row == 1 ? 1024 : 2048}, c.field.toLatin1().constData()).toString().trimmed(), c.stored);
    }

    // A printer or file that fails is told with a message, the label and the pointer are put back, and the editor prints again
    // afterwards; a PDF written instead of printing is announced.
    void failureIsReported_data() { cases<Device>({{"device cannot be opened", Device::FailsToOpen}, {"document cannot be ended", Device::FailsAtEnd}}); }
    void failureIsReported()
    {
        QFETCH(Device, c);
        PrintRun r;
        QVERIFY(r.open({group({1024}, "基礎工事", "100"), leaf({1024, 1024}, "掘削", "1", "0", "100")}));
        r.kind = c;
        r.screen = true;
        r.f.key(Qt::Key_F8);
        const PromptRecord m = r.f.last(PromptRecord::Message);
        QCOMPARE(m.text + ' ' + QString::number(m.style), QString("印刷できませんでした。\nPDFファイルを書き込めませんでした: /ro/x.pdf %1").arg(MsgExclamation));
        QCOMPARE(r.f.editor->LblMsg->text() + (r.f.prompts.busy ? "busy" : ""), QString());
        r.kind = Device::Pdf;
        r.f.key(Qt::Key_F8);
        QCOMPARE(r.at(7, 7), QString("基礎工事"));
        QVERIFY(r.f.editor->LblMsg->text().contains(QStringLiteral("工事六十四.pdf")));
        QVERIFY(r.f.last(PromptRecord::Message).text.contains(QStringLiteral("/tmp/見積/工事六十四.pdf")));
        QCOMPARE(r.f.last(PromptRecord::Message).style, int(MsgInformation));
    }
};

RZ_REGISTER_TEST(TestEditorPrint)
#include "tst_editorprint.moc"
