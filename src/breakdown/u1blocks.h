// The edit menu (編集, F10) of the breakdown editor and its block commands:
// marking the start and the end of a block on the level shown, copying it
// in front of the cursor row, deleting it, saving it to a block file and
// reading one, row spacing and the amount copies between the two sets. The
// rules of placing and renumbering rows live in blocks/.
#pragma once
#include "u1parts.h"

#include "blocks/blockcopy.h"

#include <QList>
#include <QStringList>

namespace rz {

class U1Blocks : public U1Part {
public:
    using U1Part::U1Part;

    enum Pu10Entry { PU10_Top, PU10_End, PU10_BCopy, PU10_BDel, PU10_BFile, PU10_BRead, PU10_MkRowSpc,
                     PU10_Copy1, PU10_Copy2, PU10_WriteXls, PU10_ReadXls, PU10_Master, PU10_Undo, PU10_Redo,
                     PU10_Count };
    static const QStringList &pu10Captions();
    static const QString kBlockRangeWrong;  // end before start
    static const QString kBlockNoRoom;      // a copy stopped for lack of keys
    static const QString kSpacingTooWide;   // row spacing would pass the largest key

    // Form_Load: no block marked, the whole item table opened; throws.
    void open();
    void close() { RS_UTbl.reset(); }

    QList<bool> pu10Enabled() const;
    void sb_EditMenu(int x, int y);  // (x, y): window twips
    // The entry chosen in the edit menu.
    void PU10_Click(int entry);
    int markedRows() const;  // rows of the marked block as last read
    // The rows of the marked block (the end marked), or none.
    Recordset *markedBlock() { return BlkFlg ? RS_UTbl.get() : nullptr; }

private:
    void PU10_Top_Click();
    void PU10_End_Click();
    void sb_SetBlkRs();
    void PU10_BCopy_Click();
    void PU10_BDel_Click();
    void PU10_MkRowSpc_Click();
    void sb_AmtCopy(int mode);  // 0: estimate to budget, 1: budget to estimate
    // The marked block saved to a block file; a block file read in front of the cursor row.
    void PU10_BFile_Click();
    void PU10_BRead_Click();
    // The keys of a grid row's record; false once a failure was shown.
    bool readRowKeys(int row, std::array<qint32, 9> &keys);
    // Where a block goes in front of a row, a dot on the message line with
    // the window repainted, and the level shown again after the command
    // (requeried, summed, page from row 1, overlay placed).
    BlockPlace blockPlace(int row) const;
    void progressDot();
    void afterBlockCommand(bool clearMessage = true);
    bool blockOnLevelShown() const;
    void forgetBlock();  // after a block delete or a row spacing

    std::unique_ptr<Recordset> RS_UTbl;  // the rows of the marked block
    // The block range: start and end keys, whether the end is marked, where
    // the start was marked and the depth of the block's top rows.
    std::array<qint32, 9> BlkTop{}, BlkEnd{};
    bool BlkFlg = false;
    int BlkPage = 0, BlkRow = 0, BlkLvl = 0;
    QString BlkTopName;  // the start row's name, for the message line
};

}  // namespace rz
