// What really is program-wide: the estimate files the main window hands on,
// the windows open, the company name and the workbook folder remembered for
// the whole run. One instance is owned by the application and passed to
// every window; what one window hands another goes as a typed value instead.
#pragma once
#include "database.h"

#include <QString>
#include <memory>

namespace rz {

struct Shared {
    // Estimate files.
    QString DB_Path;   // the file chosen last; empty when the dialog was cancelled
    QString DB_Path1;  // transfer window, file (1)
    QString DB_Path2;  // transfer window, file (2)
    std::unique_ptr<Database> DB_Main;  // the file the index window has open

    // Windows open now (main window, index window, editor, dialogs): the
    // index window opens one editor only while exactly two are loaded.
    int formsLoaded = 0;

    // The workbook the editor exchanged rows with last.
    QString Xls_Path;

    // Company name printed on estimates: the program's at start-up, then the
    // one kept with the estimate last opened or printed.
    QString Co_Name;
};

}  // namespace rz
