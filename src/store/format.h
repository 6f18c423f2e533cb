// Numbers written through digit masks for the grids, boxes and printouts:
// "##,###,###,###", "#,###,##0.000", "###,###    " and the like.
#pragma once
#include "currency.h"

#include <QString>
#include <QtGlobal>

namespace rz {

// Mask characters: "#" a digit shown only when significant, "0" a digit always
// shown, "," thousands grouping of the whole integer part, "." the decimal
// point; every other character is kept where it stands (trailing blanks line
// up columns). Integer digits beyond the mask are all shown. The value is
// rounded half away from zero to the mask's decimals, on its decimal digits.
// "#" decimals drop trailing zeros but the point stays ("###.###" of 12 is
// "12."); "0" decimals are always shown. A negative value gets a leading "-"
// unless it rounds to 0. With a mask without "0", a value that rounds to 0
// gives only the literal characters ("" for "##,###", four blanks for
// "#,###    "). An empty mask gives the plain number.
QString Format(Currency v, const QString &mask);
QString Format(qint64 v, const QString &mask);
QString Format(int v, const QString &mask);
// Doubles are taken at 15 significant digits, as they have always been shown.
QString Format(double v, const QString &mask);
// A text that is a number (IsNumeric) is formatted as that exact number;
// any other text is returned unchanged.
QString Format(const QString &v, const QString &mask);

}  // namespace rz
