// Printing an estimate to PDF from the command line, with the routines the
// windows print with:
//   rz90 print FILE.mdb --estimate KEY --pdf OUT.pdf [--kind estimate|budget|cover|cover-detail]
//        [--paper a4|b5] [--range full|top] [--start-page N|none] [--company NAME]
//        [--no-quantities] [--no-prices] [--no-remarks]
#pragma once
#include <QStringList>
#include <QTextStream>

namespace rz {

// Exit codes of runBatchPrint.
enum BatchPrintExit {
    BatchOk = 0,
    BatchUsage = 2,        // a missing, unknown or bad option
    BatchNoFile = 3,       // the file is missing or not an estimate file
    BatchNoEstimate = 4,   // no estimate with that key, or its item table is missing
    BatchWriteFailed = 5,  // the PDF could not be written
    BatchNothing = 6,      // the estimate has no rows to print; no PDF is written
    BatchDamaged = 7,      // the file is damaged or holds a value its column cannot hold; no PDF is written
    BatchJetFile = 8,      // the file is in the old Jet format: `rz90 import` converts it first
};

// Whether the program was started as `rz90 print ...`.
bool isBatchPrintCommand(int argc, char **argv);
// A batch run needs no screen: without a display the offscreen platform is
// chosen. Call before the application object is created.
void prepareBatchPrintPlatform();

// args are the words after "print". Messages go to err; returns an exit code.
int runBatchPrint(const QStringList &args, QTextStream &err);

QString batchPrintUsage();

}  // namespace rz
