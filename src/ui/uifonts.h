// Fonts of the windows and the printout: the Japanese fixed-pitch faces where
// installed, otherwise the IPA faces, in which a full-width character is
// exactly two half-width cells as the layouts assume.
#pragma once
#include <QFont>

namespace rz {

QFont gridFont();     // "ＭＳ ゴシック" or IPAGothic, for the grids and overlays
QFont buttonFont();   // "ＭＳ Ｐゴシック" or IPAPGothic, for the command buttons

}  // namespace rz
