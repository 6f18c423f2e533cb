// The worksheet exchanges of the edit menu, through a workbook file: every
// row of the level written to the active sheet from its active cell on, and
// sheet rows read into the empty rows of the level from the cursor row on.
// Seven columns from the active cell: name, specification, quantity, unit,
// unit price, amount, remark.
#include "u1fields.h"

#include "amount.h"
#include "blocks/xlsxbook.h"
#include "store/sjis.h"
#include "store/vbconv.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace rz {

const QString U1Session::kXlsNotOpened = QStringLiteral("エクセルが起動されていません");
const QString U1Session::kXlsNoSheet = QStringLiteral("アクティブなワークシートが見つかりません");

namespace {
// Sheet column (from the active cell) of each exchanged item column.
enum XlsCol { XName, XSpec, XQty, XUnit, XPrice, XAmount, XRemark };

class BusyPointer {
public:
    explicit BusyPointer(Prompts &p) : p_(p) { p_.setBusy(true); }
    ~BusyPointer() { p_.setBusy(false); }

private:
    Prompts &p_;
};

// A number in a number column that its item column cannot keep as it is.
struct Refused {
    int sheetRow;
    QString cell, text, column;
};
}  // namespace

QString U1Session::chooseWorkbook(bool save)
{
    QString last = shared_.Xls_Path;
    if (last.isEmpty())
        last = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                   .filePath(QStringLiteral("内訳.xlsx"));
    FileDialogRequest request;
    request.save = save;
    request.title = pu10Captions()[save ? PU10_WriteXls : PU10_ReadXls];
    request.filter = QStringLiteral("Excelﾌﾞｯｸ(*.xlsx)|*.xlsx");
    request.initialDir = QFileInfo(last).absolutePath();
    request.proposedName = QFileInfo(last).fileName();
    request.mustExist = !save;
    const QString path = prompts_.chooseFile(request);
    if (!path.isEmpty())
        shared_.Xls_Path = path;
    return path;
}

void U1Session::xlsxMessage(const XlsxError &e, const QString &path)
{
    const QString nl = QStringLiteral("\r\n");
    switch (e.kind()) {
    case XlsxError::CannotOpen:
        prompts_.message(kXlsNotOpened + nl + e.reason() + nl + path, MsgInformation);
        break;
    case XlsxError::NoActiveSheet:
        prompts_.message(kXlsNoSheet + nl + e.reason() + nl + path, MsgInformation);
        break;
    case XlsxError::Locked:
        prompts_.message(QStringLiteral("ワークブックが表計算ソフトで開かれています。表計算ソフトで閉じてから、"
                                        "もう一度保存してください。") +
                             nl + QStringLiteral("ロックファイル: ") + e.reason() + nl + path,
                         MsgExclamation);
        break;
    case XlsxError::NoRoom:
    case XlsxError::WriteFailed:
        prompts_.message(QStringLiteral("ワークブックに保存できませんでした。") + nl + e.reason() + nl + path,
                         MsgExclamation);
        break;
    }
}

void U1Session::sb_WriteXls()
{
    if (!RsLvl || RsLvl->recordCount() == 0)
        return;  // nothing to write: no file is asked for, none is touched
    const QString path = chooseWorkbook(true);
    if (path.isEmpty())
        return;
    BusyPointer busy(prompts_);
    std::vector<std::vector<XlsxValue>> rows;
    try {
        const Fields &f = fields();
        Recordset &rs = *RsLvl;
        // Texts without the blanks that pad them to their column width;
        // numbers as their exact decimal text.
        auto text = [&](int field) {
            const QString t = RTrim(rs.field(field).toString());
            return t.isEmpty() ? XlsxValue{} : XlsxValue{XlsxValue::Text, t};
        };
        auto number = [&](int field) {
            const Value v = rs.field(field);
            if (v.isNull())
                return XlsxValue{};
            return XlsxValue{XlsxValue::Number, (field == f.su1 ? quantityOf(v) : v.toCurrency()).toString()};
        };
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            rows.push_back({text(f.knm), text(f.mei), number(f.su1), text(f.tn1), number(f.tk1), number(f.kn1),
                            text(f.bk1)});
    } catch (const std::exception &e) {
        showError(e);
        return;
    }
    try {
        writeXlsxRows(path, rows);
    } catch (const XlsxError &e) {
        xlsxMessage(e, path);
        return;
    }
    LblMsg = QStringLiteral("%1 行を %2 に保存しました").arg(rows.size()).arg(QFileInfo(path).fileName());
    host_.refresh();
    showWorkbook(path);
}

bool U1Session::takesSheetRow()
{
    // Reading fills empty rows only: it stops at a row with a name, a row
    // with a sub-level and the end of the level.
    const Fields &f = fields();
    return !RsLvl->eof() && Trim(RsLvl->field(f.knm).toString()).isEmpty() &&
           !RsLvl->field(f.flg).toString().startsWith(u'+');
}

void U1Session::sb_ReadXls()
{
    if (!RsLvl)
        return;
    const int row = grid_.row();
    try {
        sb_GetCurRec(row);
        if (isInputRow(row) || !takesSheetRow()) {
            prompts_.beep();  // no empty row at the cursor: nothing could be read
            return;
        }
    } catch (const std::exception &e) {
        showError(e);
        return;
    }
    const QString path = chooseWorkbook(false);
    if (path.isEmpty())
        return;
    BusyPointer busy(prompts_);
    std::optional<XlsxBook> book;
    try {
        book = XlsxBook::open(path);
    } catch (const XlsxError &e) {
        xlsxMessage(e, path);
        return;
    }
    const Fields &f = fields();
    struct TextCol {
        int sheetCol, field, bytes;
    };
    struct NumberCol {
        int sheetCol, field;
        const char *label;
    };
    const TextCol texts[] = {{XName, f.knm, 40}, {XSpec, f.mei, 20}, {XUnit, f.tn1, 4}, {XRemark, f.bk1, 20}};
    const NumberCol numbers[] = {{XQty, f.su1, "数量"}, {XPrice, f.tk1, "単価"}, {XAmount, f.kn1, "金額"}};
    const XlsxPos at = book->activeCell();
    // The sheet's rows end with the last one that holds a value in the seven
    // columns: the empty rows below it, and rows past the end of the sheet,
    // have nothing to read.
    const int lastRow = book->lastRow(at.col, at.col + XRemark);
    if (lastRow < at.row) {
        LblMsg = QStringLiteral("ワークシート「%1」のセル %2 から下に読み込む値がありません")
                     .arg(book->sheetName(), xlsxCellName(at));
        host_.refresh();
        return;
    }
    int count = 0, rounded = 0;
    bool committed = false;
    try {
        // The rows and the level's totals, or nothing.
        Transaction tx(db());
        sb_GetCurRec(row);
        for (int r = at.row; r <= lastRow && takesSheetRow(); RsLvl->moveNext(), ++r) {
            RsLvl->edit();
            for (const TextCol &t : texts)
                RsLvl->setField(t.field, Value(padBytes(book->cell(r, at.col + t.sheetCol).shown(), t.bytes)));
            for (const NumberCol &n : numbers) {
                // A cell that is no number leaves the column as it was; a
                // number is taken from its decimal text, exactly.
                const XlsxCell cell = book->cell(r, at.col + n.sheetCol);
                if ((cell.type != XlsxCell::Number && cell.type != XlsxCell::Text) || !IsNumeric(cell.text))
                    continue;
                std::optional<Currency> v = CCur(cell.text);
                bool fits = v.has_value();
                if (fits && RsLvl->fieldType(n.field) == ColType::Long) {
                    // Amounts of whole yen (the transfer window's tables): the
                    // column takes a value as a conversion to a 32-bit integer
                    // does, rounding half to even.
                    const Currency whole = Currency::fromWhole(CLng32(*v, &fits));
                    rounded += fits && whole != *v;
                    v = whole;
                }
                if (!fits || !fitsColumn(RsLvl->fieldType(n.field), n.field == f.su1, *v))
                    throw Refused{r, xlsxCellName({r, at.col + n.sheetCol}), cell.text.trimmed(),
                                  QString::fromUtf8(n.label)};
                RsLvl->setField(n.field, Value(*v));
            }
            RsLvl->update();
            ++count;
        }
        if (sb_CalcTotal(0)) {
            tx.commit();
            committed = true;
        }
    } catch (const Refused &e) {
        RsLvl->cancelUpdate();
        prompts_.message(QStringLiteral("ワークシートの %1 行目: セル %2 の %3 は%4の列に入りません。"
                                        "何も読み込みませんでした。")
                                 .arg(e.sheetRow)
                                 .arg(e.cell, e.text, e.column) +
                             QStringLiteral("\r\n") + path,
                         MsgExclamation);
    } catch (const std::exception &e) {
        RsLvl->cancelUpdate();
        showError(e);
    }
    try {
        RsLvl->requery();
        // Rolled back: the totals go back to the rows as they are stored.
        if (!committed)
            sb_CalcTotal(0);
    } catch (const std::exception &e) {
        showError(e);
    }
    sb_DispPage(1);
    LblMsg = committed && count > 0 ? QStringLiteral("%1 行を読み込みました").arg(count) : QString();
    if (committed && rounded > 0)
        LblMsg += QStringLiteral("。金額 %1 件の円未満を丸めました（0.5 は偶数の側へ）").arg(rounded);
    sb_Editx();
    host_.refresh();
}

bool U1Session::fitsColumn(ColType type, bool quantity, Currency value)
{
    try {
        // Amounts are LONG and quantities SINGLE in the tables the transfer
        // window makes: a value must come back from its column as it was.
        const Value stored = Value(value).convertedFor(type);
        return (quantity ? quantityOf(stored) : stored.toCurrency()) == value;
    } catch (const std::exception &) {
        return false;
    }
}

}  // namespace rz
