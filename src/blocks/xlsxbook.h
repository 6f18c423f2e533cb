// Workbooks in the Office Open XML format (.xlsx) as the editor exchanges rows
// with a spreadsheet: the active sheet and its cursor cell as the spreadsheet
// saved them, cell values as the spreadsheet shows them, and rows written into
// the active sheet with everything else of the workbook kept. No window code:
// the editor, the tests and the fuzz target share it.
#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <stdexcept>
#include <vector>

namespace rz {

class XlsxError : public std::runtime_error {
public:
    enum Kind {
        CannotOpen,     // missing, unreadable, not a workbook, damaged or too large
        NoActiveSheet,  // no usable active sheet, or a cell reference out of range
        Locked,         // a spreadsheet program has the workbook open
        NoRoom,         // the rows would run past the last row or column of a sheet
        WriteFailed,    // the new workbook could not be stored; the old one is as it was
    };
    XlsxError(Kind kind, const QString &reason) : std::runtime_error(reason.toStdString()), kind_(kind), reason_(reason) {}
    Kind kind() const { return kind_; }
    const QString &reason() const { return reason_; }

private:
    Kind kind_;
    QString reason_;
};

// A cell position, both counted from 1 (A1 is row 1, column 1).
struct XlsxPos {
    int row = 1, col = 1;
    friend bool operator==(XlsxPos a, XlsxPos b) { return a.row == b.row && a.col == b.col; }
};
constexpr int kXlsxMaxRow = 1048576, kXlsxMaxCol = 16384;

// "B5" for row 5, column 2; parsing gives false for anything outside a sheet.
QString xlsxCellName(XlsxPos pos);
bool parseXlsxCellName(const QString &name, XlsxPos &pos);

// A cell as a spreadsheet shows it. A number keeps the decimal text the file
// holds, so it converts to money without passing through a binary fraction.
struct XlsxCell {
    enum Type { Empty, Number, Text, Boolean, Error };
    Type type = Empty;
    QString text;  // Number: "12.5", "1E-3"; Text: the string; Boolean: "TRUE"/"FALSE"; Error: "#DIV/0!"
    // The text a text column takes: a number in its shortest general form.
    QString shown() const;
};

// The active sheet of a workbook (or its first sheet), read whole. Throws XlsxError.
class XlsxBook {
public:
    enum Sheet { ActiveSheet, FirstSheet };
    static XlsxBook open(const QString &path, Sheet sheet = ActiveSheet);
    static XlsxBook fromBytes(const QByteArray &bytes);

    const QString &sheetName() const { return sheetName_; }
    XlsxPos activeCell() const { return active_; }
    XlsxCell cell(int row, int col) const;
    int cellCount() const { return int(cells_.size()); }
    // The last row with a value in columns first..last; 0 when there is none.
    int lastRow(int first, int last) const;

private:
    friend struct XlsxPackage;
    QString sheetName_;
    XlsxPos active_;
    QHash<quint64, XlsxCell> cells_;
};

// One value to write: an empty cell, a number given as exact decimal text, or a text.
struct XlsxValue {
    enum Type { Empty, Number, Text };
    Type type = Empty;
    QString text;
};

// The lock file a spreadsheet program keeps next to a workbook it has open,
// or an empty string.
QString xlsxLockFile(const QString &path);

// Writes rows into the active sheet of the workbook at path, from its active
// cell on, one row of values per sheet row. A workbook that does not exist is
// created with one sheet and the active cell A1. Everything else of the
// workbook stays as it was. The file is replaced whole or not at all. Returns
// the first cell written. Throws XlsxError.
XlsxPos writeXlsxRows(const QString &path, const std::vector<std::vector<XlsxValue>> &rows);

// A new workbook of one sheet with the rows from A1, put in the place of
// whatever file was at path only once it was written whole. Throws XlsxError.
void writeNewXlsxBook(const QString &path, const std::vector<std::vector<XlsxValue>> &rows);

}  // namespace rz
