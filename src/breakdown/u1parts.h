// What the parts of the breakdown editor share: the window around them, the
// positions of the item-table columns, the level shown with the path of keys
// to it, and the base through which each part reaches the file, the prompts,
// the window and the core. The core (U1Session) changes the level as the
// user moves; the parts read it and ask the core for every change.
#pragma once
#include "store/estimateref.h"
#include "store/levelkeys.h"
#include "store/recordset.h"
#include "store/shared.h"

#include <QPoint>
#include <array>
#include <memory>

class QWidget;

namespace rz {

class Grid;
class Prompts;
class U1Session;

// What the procedures need from the window around them.
class U1Host {
public:
    virtual ~U1Host() = default;
    virtual void refresh() = 0;      // labels, widths or the cursor changed
    virtual void closeWindow() = 0;  // unload the window (Form_Unload follows)
    // The same once the event being handled is done with.
    virtual void closeSoon() { closeWindow(); }
    // Window coordinates in twips to global screen pixels, for popup menus.
    virtual QPoint globalPointFromTwips(int x, int y) const = 0;
    virtual void setWindowWidth(int twips) = 0;
    // The editing overlay over the current cell; focus back to the window.
    virtual void placeOverlay() = 0;
    // Lets pending window events run after a long write-back.
    virtual void processEvents() {}
    // The window the editor's own dialogs belong to.
    virtual QWidget *dialogParent() { return nullptr; }
    // The master's search panel opened, closed, or its results or cursor moved.
    virtual void pickChanged() {}
    // The find window (検索, F9) over the editor until the user leaves it.
    virtual void showFind() {}
};

// The positions of the item-table columns in the level recordset.
struct U1Fields {
    explicit U1Fields(const Recordset &rs);
    static int require(const Recordset &rs, const char *name);
    std::array<int, 8> key{};
    int knm, mei, tn1, su1, tk1, kn1, rt1, su2, tk2, kn2, rt2, lvl, bk1, flg, int0;
    int bk4;  // -1 in tables made by the transfer window's SQL
};

// The level shown and the path of keys to it, by the names every part of
// the editor uses.
struct U1Level {
    static constexpr int kPageRows = 20;
    static constexpr int kLevels = 8;

    EstimateRef estimate;
    QString TblName;  // the estimate's item table
    int CurLvl = 0;
    LevelKeys LvlKey{};
    std::array<QString, 9> LvlSQL;
    std::array<QString, 9> LvlTitle;
    std::array<int, 9> LvlRow{}, LvlCol{}, LvlPage{};
    int DispMode = 0;  // 0: the estimate set shown, 1: the budget set
    std::unique_ptr<Recordset> RsLvl;
    std::unique_ptr<const U1Fields> fields;  // known once the first level was opened

    // The level's statement, its keys bound when it is opened.
    void sb_MkRSSQL(int level);
    int page() const { return LvlPage[static_cast<size_t>(CurLvl)]; }
    // Rows of the current page, and the pages of the level.
    int pageSize() const;
    int pageCount() const;
    // The page and grid row of the row at `index` (from 0) of a level.
    static std::pair<int, int> pageAndRow(int level, int index);
};

// The base of every part: the same few references, and the level read
// through the core.
class U1Part {
public:
    U1Part(U1Session &u1, Shared &shared, Prompts &prompts, U1Host &host)
        : u1_(u1), shared_(shared), prompts_(prompts), host_(host)
    {
    }

protected:
    ~U1Part() = default;
    U1Part(const U1Part &) = delete;
    U1Part &operator=(const U1Part &) = delete;

    Database &db() { return *shared_.DB_Main; }
    const U1Level &lvl() const;
    Recordset &rsLvl() const { return *lvl().RsLvl; }
    const U1Fields &fields() const { return *lvl().fields; }
    size_t curLvl() const { return static_cast<size_t>(lvl().CurLvl); }
    Grid &grid() const;

    U1Session &u1_;
    Shared &shared_;
    Prompts &prompts_;
    U1Host &host_;
};

}  // namespace rz
