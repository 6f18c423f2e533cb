// The unit-price master in the breakdown editor: F7 (単価) opens a search
// panel over the grid whose results narrow as the user types; the item
// chosen is written into the cursor row through the cells as typing writes
// them (name, specification, unit and both unit prices; a "+" row takes the
// name and specification only; the input row first gets a new row as F2
// makes one), and the cursor goes on to the quantity. 単価マスタに登録 of
// the edit menu adds the cursor row's item, or the item rows of the marked
// block, to the master.
#pragma once
#include "u1parts.h"

#include "master/mastercatalog.h"

namespace rz {

class U1Master : public U1Part {
public:
    using U1Part::U1Part;

    static const QString kNoMaster;     // the editor was given no master
    static const QString kEmptyMaster;  // the master has no items yet
    static const QString kNotAnItem;    // 登録 on a row that is no item row
    static const QString kChangedMeanwhile;

    // The master the program works with (the application's, shared by its windows).
    void setCatalog(std::shared_ptr<MasterCatalog> catalog) { catalog_ = std::move(catalog); }

    // F7: the panel with every item listed; a message instead when the
    // master cannot be read or is empty.
    void open();
    bool isOpen() const { return open_; }
    // What the panel's box holds: the results follow at once.
    void setQuery(const QString &query);
    const QString &query() const { return query_; }
    const std::vector<int> &results() const { return results_; }
    int searches() const { return searches_; }  // moves with every new result
    const std::shared_ptr<const MasterIndex> &index() const { return search_.shared(); }
    int current() const { return current_; }  // the result the cursor of the list is on
    void setCurrent(int result);
    void moveCurrent(int by);
    // Enter or a double click: the current result into the cursor row.
    void accept();
    // Esc: closed, nothing changed.
    void cancel();

    // 単価マスタに登録.
    void registerRows();

private:
    void close();
    // The items the rows hold that can go into the master; a row that is no
    // item is passed over, one whose values the master cannot keep is
    // counted with its reason.
    struct Candidates {
        std::vector<MasterItem> items;
        int refused = 0;
        QString reason;  // the first refusal's
    };
    bool cursorRowItem(Candidates &out);
    bool blockItems(Recordset &block, Candidates &out);

    std::shared_ptr<MasterCatalog> catalog_;
    MasterSearch search_;
    bool open_ = false;
    QString query_;
    std::vector<int> results_;
    int current_ = 0;
    int searches_ = 0;
};

}  // namespace rz
