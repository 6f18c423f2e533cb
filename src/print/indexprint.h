// 印刷 (F8) of the estimate index window: the options dialog, then the cover
// page or the estimate list of the chosen estimate, on the printer or into a
// PDF when there is none, and the company name kept with the estimate.
#pragma once
#include "frmlstopt.h"
#include "printdevice.h"
#include "store/estimateref.h"
#include "store/shared.h"
#include "ui/prompts.h"

#include <functional>
#include <memory>

namespace rz {

class Database;
class Recordset;

using ShowOptionsDialog = std::function<void(FrmLstOpt &dialog)>;
// Opens the device for one run; docName names the PDF file when one is written.
using OpenPrintDevice = std::function<std::shared_ptr<PrintDevice>(const PrintOptions &options, const QString &docName)>;

// The modal dialog as users meet it.
void execOptionsDialog(FrmLstOpt &dialog);
// The printer chosen (the default when none was), or a new PDF file in the
// documents folder when the print service named no printer. A chosen
// printer that has gone or takes no jobs prints nothing: that is the failure.
std::shared_ptr<PrintDevice> openDefaultPrintDevice(const PrintOptions &options, const QString &docName);

struct IndexPrintJob {
    Shared &shared;  // the company name it prints and keeps with the estimate
    Prompts &prompts;
    Database &db;
    // The index recordset, standing on the estimate's record; bk2 is written back through it.
    Recordset &index;
    EstimateRef estimate;
    QWidget *parent = nullptr;
    std::function<void(const QString &)> setLblMsg = [](const QString &) {};
    std::function<void(bool)> markRow = [](bool) {};  // the row being printed is marked meanwhile
    ShowOptionsDialog showDialog = execOptionsDialog;
    OpenPrintDevice openDevice = openDefaultPrintDevice;
};

// The print command on an estimate row (the caller has written the changed
// rows back and positioned the index recordset). Errors are ignored
// throughout, so a failing printer never stops the window.
void printFromIndex(IndexPrintJob &job);

// sb_List10: the whole estimate (or its first list) in the chosen layout.
void printEstimateList(PrintDevice &device, const PrintOptions &options, const QString &companyName, Database &db,
                       const EstimateRef &estimate);

// The engine's or the printer's description of what failed in a step, or ""
// when it ran; and the step run with its failure told to the user.
QString failureOf(const std::function<void()> &step);
void reportingFailure(Prompts &prompts, const std::function<void()> &step);

// After a run that went into a PDF file: why (no printer, or a print service
// that could not be reached or did not answer) and where it is (the whole
// path), in the message label and in a message box that offers to open it.
void announcePdf(const PrintDevice &device, const PrinterList &printers, Prompts &prompts,
                 const std::function<void(const QString &)> &setLblMsg);

}  // namespace rz
