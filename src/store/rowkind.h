// What an item row is for the calculation: its flag field is read byte by
// byte (sub-level marker, provisional deletion) and its name tells subtotal
// and running-total rows apart. Every routine that sums or recalculates rows
// asks here, so they all agree on the kinds.
#pragma once
#include <QString>

namespace rz {

enum class RowKind {
    ProvisionallyDeleted,  // byte 2 of flg is "x": neither recalculated nor summed
    RunningTotal,          // name begins with two of "@"/"＠": gets the level total so far
    Subtotal,              // name begins with one "@"/"＠": gets the rows since the last subtotal
    Group,                 // byte 1 of flg is "+": amounts come from the sub-level
    Item,                  // byte 1 of flg is "-": amounts from quantity x unit price
    Unmarked,              // any other flag (blank or Null): no sub-level marker at all
};

bool isProvisionallyDeleted(const QString &flg);
bool isGroupRow(const QString &flg);
bool isItemRow(const QString &flg);

// "@" or the full-width "＠".
bool isTotalMark(QChar c);
// The name begins with a total mark: subtotal and running-total rows alike
// (shown in blue, their number cells kept empty while editing).
bool beginsWithTotalMark(const QString &knm);
// Exactly one leading mark: a subtotal row.
bool isSubtotalName(const QString &knm);
// Two leading marks: a running-total row.
bool isRunningTotalName(const QString &knm);

// The kind that decides a row's part in a calculation pass. Deletion comes
// first, then the name (a total row keeps its role whatever its flag), then
// the sub-level marker.
RowKind classifyRow(const QString &flg, const QString &knm);

}  // namespace rz
