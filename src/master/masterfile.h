// The unit-price master exchanged with files: a workbook (.xlsx, its first
// sheet) or a CSV file (UTF-8 or Shift-JIS, told apart by their bytes), one
// header row naming the columns by the master's captions (名称 at least, in
// any order; other columns are passed over), then one item per row. A
// reading checks every row and names each one that cannot become an item
// with its line and the reason, so that an import can take all or nothing.
#pragma once
#include "masteritem.h"

#include <QDate>
#include <stdexcept>
#include <vector>

namespace rz {

// The file itself cannot be read or written; the reason in words.
class MasterFileError : public std::runtime_error {
public:
    explicit MasterFileError(const QString &reason) : std::runtime_error(reason.toStdString()), reason_(reason) {}
    const QString &reason() const { return reason_; }

private:
    QString reason_;
};

struct MasterRowProblem {
    int line = 0;  // the row of the sheet or the line of the file, from 1
    QString reason;
};

struct MasterFileRows {
    std::vector<MasterItem> items;  // the rows that make items, in file order
    std::vector<MasterRowProblem> problems;
};

// The items of a workbook or CSV file by its ending (.xlsx, else CSV). A row
// without a date gets `today`. Two rows of one name and specification are a
// problem of the second. Empty rows are passed over. Throws MasterFileError.
MasterFileRows readMasterFile(const QString &path, const QDate &today);
// The same for rows already split into cells, the header first; `lines`
// gives each row's line (the line of its index + 1 when empty).
MasterFileRows masterItemsOfRows(const std::vector<QStringList> &rows, const QDate &today,
                                 const std::vector<int> &lines = {});
// A CSV file's text, in UTF-8 (with or without its mark) or Shift-JIS,
// split into rows of cells with the line each row starts on.
std::vector<QStringList> readCsvRows(const QByteArray &bytes, std::vector<int> *lines);

// Writes the items with the header row: a workbook for ".xlsx", else CSV in
// UTF-8 with its mark (which spreadsheet programs recognise). The file is
// replaced only once it was written whole. Throws MasterFileError.
void writeMasterFile(const QString &path, const std::vector<MasterItem> &items);

}  // namespace rz
