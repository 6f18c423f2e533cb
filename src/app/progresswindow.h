// The progress window of a long conversion: a bar and a Cancel button.
#pragma once
#include "legacy/jetimport.h"

class QWidget;

namespace rz {

// Shows the window (after a short delay, so quick work never flashes it) for
// as long as the returned callback lives; the callback answers false once the
// user pressed Cancel.
ConversionProgress conversionProgressWindow(QWidget *parent);

}  // namespace rz
