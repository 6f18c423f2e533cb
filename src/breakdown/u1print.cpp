// 印刷 (F8) of the breakdown editor: the print options dialog as the current
// row allows, then the lists below that row or the page shown, on the
// printer or into a PDF file, with any failure told to the user.
#include "u1fields.h"

#include "print/listprinter.h"
#include "store/schema.h"
#include "store/vbconv.h"

namespace rz {

void U1Printing::printCommand()
{
    const int row = grid().row();
    if (u1_.isInputRow(row) || row < 1 || row >= grid().rows()) {
        prompts_.beep();
        return;
    }
    // The dialog lives until the printout has ended: the print reads its choices.
    FrmLstOpt dialog(shared_, host_.dialogParent());
    dialog.cmdOKTag = QStringLiteral("False");
    dialog.prepareForEditor(FrmLstOpt::canStartSubLevels(u1_.page().flag(row), false));
    // The preview reads the file as the printout does: the grid's rows first,
    // once, since the preview runs the printout again for the pages turned to.
    bool written = false;
    dialog.setPreview([this, &written](PrintDevice &device, const PrintOptions &options) {
        if (written || (written = u1_.page().sb_WriteUTbl()))
            reportingFailure(prompts_, [&] { renderPrintout(device, options); });
    });
    showPrintOptions(dialog);
    if (!dialog.confirmed())
        return;
    dialog.hide();
    // The printout reads the file, so what the grid holds goes there first;
    // when the file refuses it (the message has been shown) nothing is printed.
    if (!u1_.page().sb_WriteUTbl())
        return;
    sb_Print(dialog.options());
}

QString U1Printing::printDocumentName(const PrintOptions &options)
{
    QString estimate;
    try {
        auto rs = db().openRecordset(QStringLiteral("SELECT knm FROM ") + QString::fromLatin1(kIndexTable) +
                                         QStringLiteral(" WHERE key1 = ?"),
                                     RecordsetType::Snapshot, {Value(qint64(lvl().estimate.key))});
        if (!rs->eof())
            estimate = Trim(rs->field(0).toString());
    } catch (const std::exception &) {
        // Only the file name suffers: the printout goes on under a plain name.
    }
    if (estimate.isEmpty())
        estimate = QStringLiteral("見積書");
    if (options.range == PrintRange::Screen)
        return estimate + QStringLiteral(" 表示画面");
    const QString rowName = Trim(grid().text(grid().row(), U1Session::ColKnm));
    return rowName.isEmpty() ? estimate : estimate + u' ' + rowName;
}

void U1Printing::renderPrintout(PrintDevice &device, const PrintOptions &options)
{
    const U1Level &level = lvl();
    if (!level.RsLvl)
        throw DbError(QStringLiteral("オブジェクトが閉じています。"));
    ListPrinter printer(device, options, shared_.Co_Name, db(), level.estimate);
    printer.startRun();
    printer.sb_PrtInit();
    if (options.range == PrintRange::Screen) {
        printer.sb_PrtScreen(*level.RsLvl, level.CurLvl, level.page(), level.LvlTitle[curLvl()],
                             u1_.calc().at(level.CurLvl).LvlKn1);
    } else {
        u1_.page().sb_GetCurRec(grid().row());
        printer.sb_PrtFromRow(level.CurLvl, level.LvlKey, *level.RsLvl);
    }
    device.endDoc();
}

void U1Printing::sb_Print(const PrintOptions &options)
{
    auto setMsg = [this](const QString &text) {
        u1_.setMessage(text);
        host_.refresh();
    };
    setMsg(QStringLiteral("印刷中！！"));
    prompts_.setBusy(true);
    host_.processEvents();

    std::shared_ptr<PrintDevice> device;
    bool printed = false;
    // A printer or file that fails must not pass for a printout: the user is
    // told and the editor goes on as before.
    const QString failure = failureOf([&] {
        device = openPrintDevice(options, printDocumentName(options));
        renderPrintout(*device, options);
        printed = true;
    });
    prompts_.setBusy(false);
    setMsg(QString());
    if (!printed) {
        prompts_.message(QStringLiteral("印刷できませんでした。\n") + failure, MsgExclamation);
    } else if (device->pageCount() == 0) {
        // A row whose sub-level holds nothing to print leaves no page; say so
        // rather than seem to have done nothing.
        setMsg(QStringLiteral("印刷する行がありません"));
    } else {
        announcePdf(*device, options.printers, prompts_, setMsg);
    }
}

}  // namespace rz
