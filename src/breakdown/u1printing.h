// 印刷 (F8) of the breakdown editor: the print options dialog for the
// current row and, when it is confirmed, the changed rows written and the
// lists below that row or the page shown printed, on the printer or into a
// PDF file, with any failure told to the user.
#pragma once
#include "u1parts.h"

#include "print/indexprint.h"

namespace rz {

class U1Printing : public U1Part {
public:
    using U1Part::U1Part;

    void printCommand();
    // The printout the dialog chose, from the current row or of the page shown.
    void sb_Print(const PrintOptions &options);
    // Its pages on a device (the printer, a PDF file or the preview).
    void renderPrintout(PrintDevice &device, const PrintOptions &options);
    // How 印刷 shows its dialog and opens its printer (or PDF file).
    ShowOptionsDialog showPrintOptions = execOptionsDialog;
    OpenPrintDevice openPrintDevice = openDefaultPrintDevice;

private:
    QString printDocumentName(const PrintOptions &options);
};

}  // namespace rz
