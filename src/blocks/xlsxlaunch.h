// Showing a written workbook in the desktop's spreadsheet program.
#pragma once
#include <QString>

namespace rz {

// Opens the workbook in the program the desktop associates with .xlsx files
// and returns true; false (nothing started) when no such program is
// installed, and always under tests.
bool openInSpreadsheet(const QString &path);

}  // namespace rz
