#include "indexprint.h"

#include "store/dberror.h"

#include "coverdetail.h"
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
    const PrinterList &printers = options.printers;
    if (!printers.hasPrinters())
        return std::make_shared<PainterPrintDevice>(QString(), docName);
    // Pages meant for one printer never go to another without a word.
    const QString printer = options.printerName.isEmpty() ? printers.names.first() : options.printerName;
    if (!printers.names.contains(printer))
        throw std::runtime_error(QStringLiteral("プリンタ「%1」が見つかりません。取り外されたか、名前が変わったようです。"
                                                "何も印刷していません。")
                                     .arg(printer)
                                     .toStdString());
    if (printers.refusing.contains(printer))
        throw std::runtime_error(QStringLiteral("プリンタ「%1」は印刷を受け付けていません。何も印刷していません。")
                                     .arg(printer)
                                     .toStdString());
    return std::make_shared<PainterPrintDevice>(QString(), docName, printer);
}

void printEstimateList(PrintDevice &device, const PrintOptions &options, const QString &companyName, Database &db,
                       const EstimateRef &estimate)
{
    ListPrinter printer(device, options, companyName, db, estimate);
    if (const auto terms = readTerms(db, estimate.key))
        printer.setClosingLines(closingLines(*terms, figuresOf(db, estimate.key, *terms)));
    printer.startRun();
    printer.sb_PrtInit();
    printer.sb_ListLevel(0, LevelKeys{});
    device.endDoc();
}

void announcePdf(const PrintDevice &device, const PrinterList &printers, Prompts &prompts,
                 const std::function<void(const QString &)> &setLblMsg)
{
    const QString path = device.outputFile();
    if (path.isEmpty() || device.pageCount() == 0)
        return;
    setLblMsg(QStringLiteral("PDFに出力しました！！ ") + QFileInfo(path).fileName());
    // Why there was no printer: none installed, or a service that could not tell.
    QString why = QStringLiteral("プリンタがないため");
    if (printers.answer == PrinterList::Answer::Unreachable)
        why = QStringLiteral("印刷サービスに接続できないため");
    else if (printers.answer != PrinterList::Answer::Printers)
        why = QStringLiteral("印刷サービスが応答しないため");
    const QString text = why + QStringLiteral("、PDFファイルに出力しました。\n") + QFileInfo(path).absoluteFilePath();
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
    return options.cover() ? name + QStringLiteral(" 表紙") : name;
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
            PagePrinter printer(device, options, job.shared.Co_Name);
            sb_Hyousi(printer, CoverData::fromRecord(job.index));
        } else if (options.kind == PrintKind::CoverDetail) {
            PagePrinter printer(device, options, job.shared.Co_Name);
            printCoverDetail(printer, CoverDetailData::fromFile(job.db, job.index));
        } else {
            printEstimateList(device, options, job.shared.Co_Name, job.db, job.estimate);
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
            announcePdf(*device, options.printers, job.prompts, job.setLblMsg);
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
