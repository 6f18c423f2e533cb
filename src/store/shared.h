// The state the windows hand to each other: the current estimate file, the
// values the breakdown editor returns to the index window, and the print
// inputs. One instance is owned by the application and passed to every window.
#pragma once
#include "currency.h"
#include "database.h"

#include <QString>
#include <array>
#include <memory>

namespace rz {

struct Shared {
    // Estimate files.
    QString DB_Path;   // the file chosen last; empty when the dialog was cancelled
    QString DB_Path1;  // transfer window, file (1)
    QString DB_Path2;  // transfer window, file (2)
    std::unique_ptr<Database> DB_Main;  // the file the index window has open
    QString DB_TblName;                 // item table of the current estimate

    // Windows open now (main window, index window, editor, dialogs): the
    // index window opens one editor only while exactly two are loaded.
    int formsLoaded = 0;

    // The workbook the editor exchanged rows with last.
    QString Xls_Path;

    // Company name printed on estimates.
    QString Co_Name;

    // Breakdown editor hand-over.
    Currency U1_Kn1;  // estimate total of the first level
    Currency U1_Kn2;  // budget total of the first level
    int U1_Rt1 = 0;   // top-level rates in percent
    int U1_Rt2 = 0;
    int U1_RowCnt = 0;
    bool U1_Upd = false;  // the editor closed and its totals await the index record
    bool U1_Gone = false;  // the editor's estimate was deleted by another program: the list is filled anew
    int Idx_Page = 0;
    int Idx_Row = 0;

    // Printing.
    QString Prt_Tbl;
    int Prt_Pno = 0;  // next page number; 0 = pages are not numbered
    std::array<Currency, 8> Prt_Tot{};
    std::array<QString, 9> Prt_Name{};  // heading of each level
    int Prt_OffX = 0;
    int Prt_OffY = 0;
};

}  // namespace rz
