// One item of the unit-price master (単価マスタ) and the rules its values
// keep: texts no wider than the editor's cells they fill, prices in whole
// yen as a user can type them into a unit-price cell, so that a pick writes
// exactly what the master holds.
#pragma once
#include "store/currency.h"

#include <QDate>
#include <QString>
#include <optional>

namespace rz {

struct MasterItem {
    qint64 id = 0;   // the row's identity in the store; 0 until it is stored
    qint32 rev = 0;  // its change count as read: a write over another's change is refused
    QString dai, chu;       // 大分類, 中分類
    QString knm, mei, tn1;  // 名称, 規格, 単位
    Currency tk1, tk2;      // 見積単価, 予算単価
    QString bk1;            // 備考
    QDate upd;              // 更新日
};

// The columns of the master in the order the window, the workbooks and the
// CSV files show them.
enum class MasterField { Dai, Chu, Knm, Mei, Tn1, Tk1, Tk2, Bk1, Upd, Count };
constexpr int kMasterFields = int(MasterField::Count);
QString masterCaption(MasterField field);  // "大分類", "中分類", "名称", ...
// Bytes a text field keeps (the cell it fills, or 40); 0 for the others.
int masterFieldBytes(MasterField field);

// A field's text as the window and the exported files show it: prices
// "1,234" ("" for 0), the date "2025-04-01".
QString masterFieldText(const MasterItem &item, MasterField field);
// Sets a field from a text as a user or a file gives it; the reason in
// words when the text does not fit the field (the item is then unchanged).
// Texts lose their trailing blanks; an empty date is no date.
QString setMasterField(MasterItem &item, MasterField field, const QString &text);

// What is wrong with an item as a whole (a missing name, a text too wide, a
// price out of range...), in words for the user; empty when it can be kept.
QString masterItemProblem(const MasterItem &item);

// A price as a unit-price cell is typed: "1,234" ("0" for 0).
QString typedPriceText(Currency price);

}  // namespace rz
