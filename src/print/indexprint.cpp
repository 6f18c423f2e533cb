#include "indexprint.h"

#include "store/dberror.h"

#include "coverprint.h"
#include "listprinter.h"
#include "painterdevice.h"
#include "store/recordset.h"
#include "store/vbconv.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace rz {

void execOptionsDialog(FrmLstOpt &dialog)
{
    dialog.exec();
}

std::shared_ptr<PrintDevice> openDefaultPrintDevice(const PrintOptions &options, const QString &docName)
{
    return std::make_shared<PainterPrintDevice>(QString(), docName, options.printerName);
}

void printEstimateList(PrintDevice &device, const PrintOptions &options, Shared &shared, Database &db,
                       const QString &itemTable)
{
    shared.Prt_Tbl = itemTable;
    ListPrinter printer(device, options, shared, db);
    printer.startRun();
    printer.sb_PrtInit();
    printer.sb_ListLevel(0, LevelKeys{});
    device.endDoc();
}

void announcePdf(const PrintDevice &device, Prompts &prompts, const std::function<void(const QString &)> &setLblMsg)
{
    const QString path = device.outputFile();
    if (path.isEmpty() || device.pageCount() == 0)
        return;
    setLblMsg(QStringLiteral("PDFに出力しました！！ ") + QFileInfo(path).fileName());
    const QString text = QStringLiteral("プリンタがないため、PDFファイルに出力しました。\n") + QFileInfo(path).absoluteFilePath();
    if (prompts.messageOffering(text, MsgInformation, QStringLiteral("PDFを開く")) == AnswerAction)
        prompts.openFile(path);
}

QString failureOf(const std::function<void()> &step)
{
    try {
        step();
    } catch (const DbError &e) {
        return e.description();
    } catch (const std::exception &e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

void reportingFailure(Prompts &prompts, const std::function<void()> &step)
{
    const QString failure = failureOf(step);
    if (!failure.isEmpty())
        prompts.message(QStringLiteral("印刷できませんでした。\n") + failure, MsgExclamation);
}

namespace {
template <typename F>
void ignoringErrors(F &&step)
{
    try {
        step();
    } catch (const std::exception &) {
        // The print command goes on past any failure, as it always has.
    }
}

QString documentName(const Recordset &index, const PrintOptions &options)
{
    QString name = Trim(index.field(QStringLiteral("knm")).toString());
    if (name.isEmpty())
        name = QStringLiteral("見積書");
    return options.kind == PrintKind::Cover ? name + QStringLiteral(" 表紙") : name;
}
}  // namespace

void printFromIndex(IndexPrintJob &job)
{
    ignoringErrors([&] {
        const QString bk2 = job.index.field(QStringLiteral("bk2")).toString();
        if (!Trim(bk2).isEmpty())
            job.shared.Co_Name = bk2;
    });

    // The cover page or the estimate list, on paper or in the preview alike.
    const RenderPages render = [&job](PrintDevice &device, const PrintOptions &options) {
        if (options.kind == PrintKind::Cover) {
            PagePrinter printer(device, options, job.shared);
            sb_Hyousi(printer, CoverData::fromRecord(job.index));
        } else {
            printEstimateList(device, options, job.shared, job.db, job.itemTable);
        }
    };
    FrmLstOpt dialog(job.shared, job.parent);
    dialog.cmdOKTag = QStringLiteral("False");
    dialog.prepareForIndex();
    dialog.setPreview([&job, &render](PrintDevice &device, const PrintOptions &options) {
        reportingFailure(job.prompts, [&] { render(device, options); });
    });
    job.markRow(true);
    job.showDialog(dialog);

    if (dialog.confirmed()) {
        std::shared_ptr<PrintDevice> device;
        job.prompts.setBusy(true);
        dialog.hide();
        job.setLblMsg(QStringLiteral("印刷中！！"));
        QCoreApplication::processEvents();
        const PrintOptions options = dialog.options();
        bool printed = false;
        // A printer or file that fails must not pass for a printed estimate:
        // the user is told, and the window goes on as before.
        const QString failure = failureOf([&] {
            device = job.openDevice(options, documentName(job.index, options));
            render(*device, options);
            printed = true;
        });
        job.prompts.setBusy(false);
        job.setLblMsg(QString());
        if (printed && device)
            announcePdf(*device, job.prompts, job.setLblMsg);
        else if (!failure.isEmpty())
            job.prompts.message(QStringLiteral("印刷できませんでした。\n") + failure, MsgExclamation);
    }

    // The company name typed in the dialog stays with the estimate.
    ignoringErrors([&] {
        if (job.index.field(QStringLiteral("bk2")).toString() == job.shared.Co_Name)
            return;
        job.index.edit();
        try {
            job.index.setField(QStringLiteral("bk2"), job.shared.Co_Name);
            job.index.update();
        } catch (...) {
            job.index.cancelUpdate();
            throw;
        }
    });
    job.markRow(false);
}

}  // namespace rz
