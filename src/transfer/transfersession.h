// The procedures of the transfer window "複写" without any widget: the
// estimates of two files side by side, copying a whole estimate from one file
// into the other before a chosen row, and deleting one. The window frmCpy
// draws this state and forwards focus changes, clicks and keys.
#pragma once
#include "store/database.h"
#include "store/shared.h"
#include "ui/grid.h"
#include "ui/prompts.h"

#include <QColor>
#include <array>
#include <memory>
#include <vector>

namespace rz {

// What the procedures need from the window around them.
class TransferHost {
public:
    virtual ~TransferHost() = default;
    virtual void focusList(int list) = 0;  // 0 = Lst1, 1 = Lst2
    virtual void closeWindow() = 0;
    // Global screen points for the popup menu: under cmdMenu(index) at the
    // bottom edge of PicMenu, and beside the given row of a list.
    virtual QPoint menuPointBelowButton(int index) const = 0;
    virtual QPoint menuPointAtRow(int list, int row) const = 0;
    virtual void refresh() = 0;  // labels and colours changed
};

class TransferSession {
public:
    enum Command { CmdCopy = 0, CmdDelete = 1, CmdClose = 2 };
    enum MenuEntry { MenuCopy = 0, MenuPaste = 1 };
    static const quint32 kActiveColour = 12648384;  // &HC0FFC0, light green
    // The key the first estimate of a file without estimates receives, as in
    // the estimate index window.
    static constexpr qint64 kFirstKey = 64;

    TransferSession(Shared &shared, Prompts &prompts, TransferHost &host);
    ~TransferSession();

    // Form_Load: opens DB_Path1 and DB_Path2; false (after the message) when
    // either cannot be opened.
    bool load();
    void unload();

    // Why the two files cannot go to the transfer window, or "" when they can:
    // the same file twice, however named, or a file the index window holds.
    static QString refusal(const QString &path1, const QString &path2, const Shared &shared);

    // Window events; `list` is 0 for Lst1 and 1 for Lst2, rows count from 0.
    void listGotFocus(int list);
    void listLostFocus(int list);
    void listClick(int list, int row);
    void listRightClick(int list, const QPoint &globalPos);
    void cmdMenu_Click(int index);
    bool keyDown(int qtKey);  // true when the key was taken
    void mnuPop_RTB_Copy_Click();
    void mnuPop_RTB_Paste_Click();

    // The lists: one name per row (grid row i + 1 shows list row i).
    Grid &list(int list) { return lists_[static_cast<size_t>(list)]; }
    int listCount(int list) const;
    int listIndex(int list) const;  // selected row, -1 when the list is empty
    qint64 key(int list, int row) const { return keys_[static_cast<size_t>(list)].at(static_cast<size_t>(row)); }
    QColor listBackColor(int list) const { return back_[static_cast<size_t>(list)]; }
    int activeList() const;  // -1 when neither list is the active one
    const QString &lblDB(int list) const { return lblDB_[static_cast<size_t>(list)]; }
    const QString &lblGuide() const { return lblGuide_; }
    const QString &CpyDir() const { return CpyDir_; }
    const QString &CpyMode() const { return CpyMode_; }
    const QString &CpySrcKey() const { return CpySrcKey_; }
    bool CpyIdle() const { return CpyIdle_; }
    int CpyFocus() const { return CpyFocus_; }

private:
    void fillList(int list);
    void reset();
    void refillAndReset();  // after every command; the busy pointer ends
    void showMenu(const QPoint &globalPos);
    // The list a copy comes from: by the direction, or with none set, the
    // active list (Lst1 when neither is).
    int sourceList() const;
    // The key halfway between the destination row and the one above it;
    // 0 when they leave no room.
    qint64 newDestinationKey() const;
    void copyEstimate(qint64 sourceKey, qint64 newKey);
    void deleteEstimate(int list, qint64 key);
    Database &db(int list) { return list == 0 ? *db1_ : *db2_; }
    const QString &path(int list) const { return list == 0 ? shared_.DB_Path1 : shared_.DB_Path2; }

    Shared &shared_;
    Prompts &prompts_;
    TransferHost &host_;
    std::unique_ptr<Database> db1_, db2_;
    std::array<Grid, 2> lists_;
    std::array<std::vector<qint64>, 2> keys_;  // Keys1, Keys2
    std::array<QString, 2> lblDB_;
    std::array<QColor, 2> back_;
    QColor normalBack_;
    QString lblGuide_;
    QString CpyDir_, CpyMode_, CpySrcKey_, CpySrcName_;
    bool CpyIdle_ = true;
    int CpyFocus_ = 0;
};

}  // namespace rz
