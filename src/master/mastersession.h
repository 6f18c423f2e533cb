// The procedures of the master window (単価マスタ) without any widget: the
// items listed and searched as the user types, adding, changing and
// deleting them, importing and exporting a workbook or CSV file, and
// choosing where the master is kept. Every message goes through Prompts.
#pragma once
#include "mastercatalog.h"

#include <array>
#include <functional>

namespace rz {

class Prompts;

// The texts of an item's form, by field (the date is left empty).
using MasterTexts = std::array<QString, kMasterFields>;

class MasterSession {
public:
    static const QString kFileFilter;      // workbooks and CSV files
    static const QString kLocationFilter;  // master stores
    static const QString kDuplicate;       // the name and specification are taken
    static const QString kChangedMeanwhile;
    static const QString kNothingImported;

    MasterSession(MasterCatalog &catalog, Prompts &prompts);

    // The date new and changed items get.
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    // Keeps a master location the user chose (the settings).
    std::function<void(const QString &)> locationChosen;
    // Lets the window show the list again.
    std::function<void()> changed;

    // Reads the master; false after the message when it cannot be read.
    bool load();
    void setQuery(const QString &query);
    const QString &query() const { return query_; }
    // The items listed, as positions of the index, in list order.
    const std::vector<int> &rows() const { return rows_; }
    const std::shared_ptr<const MasterIndex> &index() const { return search_.shared(); }
    const MasterItem &itemAt(int row) const { return search_.index().item(rows_[size_t(row)]); }
    // "12 件 / 全 3,456 件"
    QString countText() const;

    // 追加 (row -1) and 修正 of a listed row: the form's texts made an item
    // and kept. False after the message when they cannot be (the form stays
    // open with them).
    bool keepForm(int row, const MasterTexts &texts);
    // 削除: the listed rows, after asking.
    void deleteRows(std::vector<int> rows);
    void importFile();
    void exportFile();
    void chooseLocation();

private:
    // The master read again (when it changed) and the query run on it.
    void refresh();
    bool addItem(MasterItem item);
    bool editItem(int row, MasterItem item);
    bool checked(const MasterItem &item, qint64 self);
    void failed(const std::exception &e);

    MasterCatalog &catalog_;
    Prompts &prompts_;
    MasterSearch search_;
    QString query_;
    std::vector<int> rows_;
};

}  // namespace rz
