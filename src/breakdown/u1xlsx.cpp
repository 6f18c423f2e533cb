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

const QString U1Workbook::kXlsNotOpened = QStringLiteral("エクセルが起動されていません");
const QString U1Workbook::kXlsNoSheet = QStringLiteral("アクティブなワークシートが見つかりません");

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

QString U1Workbook::chooseWorkbook(bool save)
{
    QString last = shared_.Xls_Path;
    if (last.isEmpty())
        last = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                   .filePath(QStringLiteral("内訳.xlsx"));
    FileDialogRequest request;
    request.save = save;
    request.title = U1Blocks::pu10Captions()[save ? U1Blocks::PU10_WriteXls : U1Blocks::PU10_ReadXls];
    request.filter = QStringLiteral("Excelﾌﾞｯｸ(*.xlsx)|*.xlsx");
    request.initialDir = QFileInfo(last).absolutePath();
    request.proposedName = QFileInfo(last).fileName();
    request.mustExist = !save;
    const QString path = prompts_.chooseFile(request);
    if (!path.isEmpty())
        shared_.Xls_Path = path;
    return path;
}

void U1Workbook::xlsxMessage(const XlsxError &e, const QString &path)
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

void U1Workbook::sb_WriteXls()
{
    if (!lvl().RsLvl || rsLvl().recordCount() == 0)
        return;  // nothing to write: no file is asked for, none is touched
    const QString path = chooseWorkbook(true);
    if (path.isEmpty())
        return;
    BusyPointer busy(prompts_);
    std::vector<std::vector<XlsxValue>> rows;
    try {
        const U1Fields &f = fields();
        Recordset &rs = rsLvl();
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
        u1_.showError(e);
        return;
    }
    try {
        writeXlsxRows(path, rows);
    } catch (const XlsxError &e) {
        xlsxMessage(e, path);
        return;
    }
    u1_.setMessage(QStringLiteral("%1 行を %2 に保存しました").arg(rows.size()).arg(QFileInfo(path).fileName()));
    host_.refresh();
    showWorkbook(path);
}

bool U1Workbook::takesSheetRow()
{
    // Reading fills empty rows only: it stops at a row with a name, a row
    // with a sub-level and the end of the level.
    const U1Fields &f = fields();
    Recordset &rs = rsLvl();
    return !rs.eof() && Trim(rs.field(f.knm).toString()).isEmpty() && !rs.field(f.flg).toString().startsWith(u'+');
}

void U1Workbook::sb_ReadXls()
{
    if (!lvl().RsLvl)
        return;
    Recordset &rs = rsLvl();
    const int row = grid().row();
    try {
        u1_.page().sb_GetCurRec(row);
        if (u1_.isInputRow(row) || !takesSheetRow()) {
            prompts_.beep();  // no empty row at the cursor: nothing could be read
            return;
        }
    } catch (const std::exception &e) {
        u1_.showError(e);
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
    const U1Fields &f = fields();
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
        u1_.setMessage(QStringLiteral("ワークシート「%1」のセル %2 から下に読み込む値がありません")
                           .arg(book->sheetName(), xlsxCellName(at)));
        host_.refresh();
        return;
    }
    int count = 0, rounded = 0;
    bool committed = false;
    try {
        // The rows and the level's totals, or nothing.
        Transaction tx(db());
        u1_.page().sb_GetCurRec(row);
        for (int r = at.row; r <= lastRow && takesSheetRow(); rs.moveNext(), ++r) {
            rs.edit();
            for (const TextCol &t : texts)
                rs.setField(t.field, Value(padBytes(book->cell(r, at.col + t.sheetCol).shown(), t.bytes)));
            for (const NumberCol &n : numbers) {
                // A cell that is no number leaves the column as it was; a
                // number is taken from its decimal text, exactly.
                const XlsxCell cell = book->cell(r, at.col + n.sheetCol);
                if ((cell.type != XlsxCell::Number && cell.type != XlsxCell::Text) || !IsNumeric(cell.text))
                    continue;
                std::optional<Currency> v = CCur(cell.text);
                bool fits = v.has_value();
                if (fits && rs.fieldType(n.field) == ColType::Long) {
                    // Amounts of whole yen (the transfer window's tables): the
                    // column takes a value as a conversion to a 32-bit integer
                    // does, rounding half to even.
                    const Currency whole = Currency::fromWhole(CLng32(*v, &fits));
                    rounded += fits && whole != *v;
                    v = whole;
                }
                if (!fits || !fitsColumn(rs.fieldType(n.field), n.field == f.su1, *v))
                    throw Refused{r, xlsxCellName({r, at.col + n.sheetCol}), cell.text.trimmed(),
                                  QString::fromUtf8(n.label)};
                rs.setField(n.field, Value(*v));
            }
            rs.update();
            ++count;
        }
        if (u1_.calc().sb_CalcTotal(0)) {
            tx.commit();
            committed = true;
        }
    } catch (const Refused &e) {
        rs.cancelUpdate();
        prompts_.message(QStringLiteral("ワークシートの %1 行目: セル %2 の %3 は%4の列に入りません。"
                                        "何も読み込みませんでした。")
                                 .arg(e.sheetRow)
                                 .arg(e.cell, e.text, e.column) +
                             QStringLiteral("\r\n") + path,
                         MsgExclamation);
    } catch (const std::exception &e) {
        rs.cancelUpdate();
        u1_.showError(e);
    }
    try {
        rs.requery();
        // Rolled back: the totals go back to the rows as they are stored.
        if (!committed)
            u1_.calc().sb_CalcTotal(0);
    } catch (const std::exception &e) {
        u1_.showError(e);
    }
    u1_.sb_DispPage(1);
    QString said = committed && count > 0 ? QStringLiteral("%1 行を読み込みました").arg(count) : QString();
    if (committed && rounded > 0)
        said += QStringLiteral("。金額 %1 件の円未満を丸めました（0.5 は偶数の側へ）").arg(rounded);
    u1_.setMessage(said);
    u1_.sb_Editx();
    host_.refresh();
}

}  // namespace rz
