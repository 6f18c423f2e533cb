// The worksheet exchanges of the edit menu through an .xlsx workbook: every
// row of the level written from the sheet's active cell on; sheet rows read
// into the empty rows of the level from the cursor row on.
#pragma once
#include "u1parts.h"

#include "blocks/xlsxlaunch.h"

#include <functional>

namespace rz {

class XlsxError;

class U1Workbook : public U1Part {
public:
    using U1Part::U1Part;

    static const QString kXlsNotOpened;  // the workbook cannot be found or opened
    static const QString kXlsNoSheet;    // the workbook has no usable active sheet

    void sb_WriteXls();
    void sb_ReadXls();
    // Shows a written workbook in the desktop's spreadsheet program.
    std::function<bool(const QString &path)> showWorkbook = openInSpreadsheet;

private:
    QString chooseWorkbook(bool save);
    void xlsxMessage(const XlsxError &e, const QString &path);
    bool takesSheetRow();
};

}  // namespace rz
