// The cover page (表紙) of one estimate: title, customer with 御中, the
// standard sentence, the amount as 一金…円也, project name and site, inside a
// heavy border, from the estimate's index record.
#pragma once
#include "pageprinter.h"

namespace rz {

class Recordset;

struct CoverData {
    QString hat;   // customer
    Currency kn1;  // estimate amount
    QString knm;   // project name
    QString ad1;   // project site
    // The columns of the index record the recordset stands on.
    static CoverData fromRecord(const Recordset &rs);
};

// Sets the printer up, prints the page and ends the document.
void sb_Hyousi(PagePrinter &printer, const CoverData &data);
void sb_HyousiFrame(PagePrinter &printer);

// One line of a cover at a cell of the base size, in its own size: the
// position is taken before the size changes, so a larger text starts where
// a base-size one would.
void coverLine(PagePrinter &printer, int col, int row, double size, bool underline, const QString &text);
// A text cut or padded to 60 bytes, so that its underline always runs the full width.
QString sixtyBytes(const QString &s);

}  // namespace rz
