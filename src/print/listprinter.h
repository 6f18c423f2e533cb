// The itemised estimate printout: printer set-up, the list of one level with
// its twenty bands, detail/subtotal/total lines in the estimate layout and the
// estimate-and-budget layout, page end with company name and page number, and
// the ruled frames. The breakdown editor's printouts call into it too.
#pragma once
#include "pageprinter.h"
#include "store/estimateref.h"
#include "store/levelkeys.h"
#include "terms/termsmath.h"

namespace rz {

class Database;
class Recordset;

class ListPrinter : public PagePrinter {
public:
    static constexpr int kBands = 20;

    // Prints the item table of the estimate in db on device, as options say.
    ListPrinter(PrintDevice &device, const PrintOptions &options, const QString &companyName, Database &db,
                const EstimateRef &estimate);

    Database &database() { return db_; }

    // The closing lines (工事価格 … 合計) to print on a page of their own
    // right after the top list, before the lists below it. Without them
    // (an estimate without conditions) the printout is the list alone.
    void setClosingLines(std::vector<FigureLine> lines) { closing_ = std::move(lines); }

    // The list of the rows below the key path and, unless only the first
    // list is wanted, depth first the lists below its group rows.
    void sb_ListLevel(int level, LevelKeys keys);
    // The record's line on the current print row (the band chosen by the caller).
    void sb_ListRow(const Recordset &rs);
    void sb_ListSubTotal(const Recordset &rs);
    void sb_ListTotal();
    // Company name, page number, frame and page break.
    void sb_PageEnd();
    void sb_FrameEst();
    void sb_FrameEstBud();

    // The breakdown editor's two printouts (editorprint.cpp). The lists below
    // the current row: currentRow is the editor's level recordset standing on
    // that row, curLvl its level, lvlKey the keys of the levels above it.
    void sb_PrtFromRow(int curLvl, LevelKeys lvlKey, const Recordset &currentRow);
    // The page the editor shows, with subtotals that include the rows of the
    // earlier pages: rsLvl holds the rows of level curLvl, page is the page
    // shown (from 1), title the level's title and levelTotal its estimate
    // total. The driver has cleared the accumulators and set the printer up.
    void sb_PrtScreen(Recordset &rsLvl, int curLvl, int page, const QString &title, Currency levelTotal);

    // Print row of band k (0..19), and of the 計 line in the last band.
    int bandRow(int band) const { return Prt_OffY + 7 + 2 * band; }
    int totalRow() const { return Prt_OffY + 45; }

    // The header texts of the estimate layout's frame (40, 20 and 59 cells).
    static const QString kEstHeader[3];

private:
    void printAt(int col, const QString &text);
    void printMoney(int col, Currency value, const QString &mask, int width);
    // A number right-aligned in the field of width cells from col.
    void printField(int col, int width, const QString &number);
    void rowEstimate(const Recordset &rs);
    void rowBudget(const Recordset &rs);
    void sb_ListClosing();

    Database &db_;
    const QString Prt_Tbl;
    std::array<QString, 9> Prt_Name{};  // heading of each level
    std::vector<FigureLine> closing_;
};

// A number right-aligned in a field of n cells: blanks in front up to n
// cells. A longer number is returned whole, never cut.
QString fieldRight(const QString &text, int n);
// A quantity as printed in the estimate layout (its field is 11 cells, the
// point or its place in the eighth) and in the budget layout (digits only,
// in a field of budgetQuantityWidth cells, 6 to 9, the units digit always in
// the sixth).
QString estimateQuantityText(const Value &quantity);
QString budgetQuantityText(const Value &quantity);
int budgetQuantityWidth(const Value &quantity);

}  // namespace rz
