// Operations on whole rows of the level shown: creating a row, copying a row
// with everything below it and pasting it, deleting it with its sub-levels,
// and the provisional deletion and its release.
#pragma once
#include "u1parts.h"

#include "store/currency.h"

#include <vector>

namespace rz {

class U1RowOps : public U1Part {
public:
    using U1Part::U1Part;

    // 作成 (F2): a row in front of the cursor row with what the cursor row
    // shows; made on the input row, the cursor follows the input row down
    // unless `followInputRow` is false (it then stays on the new row).
    // Whether the row was made.
    bool createRow(bool followInputRow = true);
    // 複写 (F3) and 削除 (F4): their menus and entries.
    void sb_CopyMenu();
    void sb_Copy();
    void sb_Paste();
    void sb_DelMenu();
    void sb_Delete();
    void PU4_KDel_Click();
    void PU4_Kaijyo_Click();

    int copyFlg() const { return CopyFlg; }  // 1 while a copied row waits for its paste
    void clearCopy();
    // The level was renumbered: the copy follows its row to its new key.
    void followRowSpacing();

private:
    QString subtreeWhere(int row);
    bool copiedRows(std::vector<std::vector<Value>> &rows, std::vector<QString> &names);

    int CopyFlg = 0;
    // The copied row with everything below it (rows kept by identity), the
    // copied row's keys, its depth and amounts.
    std::unique_ptr<Recordset> RsCopy;
    LevelKeys CopyKeys{};
    int CopyDepth = 0;
    Currency CopyKn1, CopyKn2;
};

}  // namespace rz
