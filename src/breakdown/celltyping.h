// What typing does in the breakdown editor's cells, without any widget: the
// kind of each grid column, the key filter of the number overlay, the rules
// that commit an overlay text into its cell, the unit shortcuts and the
// cursor moves of the arrow and Enter keys. The window feeds keys in and
// applies the results, so every rule can be tried without a screen.
#pragma once
#include "store/currency.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <Qt>
#include <vector>

namespace rz {

// Grid columns of the editor (column 0 is the fixed flag marker).
enum class CellKind {
    Marker,     // 0: "＋", "－", "×", "＊"; never edited
    Text,       // 1 name, 2 specification, 10 remark
    Unit,       // 5: the unit combo box
    Quantity,   // 3 estimate, 4 budget
    UnitPrice,  // 6 estimate, 7 budget
    Amount,     // 8 estimate, 9 budget
    None,       // outside the grid
};

CellKind cellKind(int col);
bool isNumberColumn(int col);
// Bytes a text or unit cell keeps: 40, 20, 20 and 4; 0 for the other columns.
int cellByteLimit(int col);
// The mask the number overlay formats its whole part with while typing.
QString typingMask(int col);
// The most characters the typed text (sign and separators included) may have
// before the decimal point: 13 and 9 for quantities, 10 for unit prices, 13
// for amounts; 0 for the other columns.
int maxIntegerChars(int col);
// The input method is on for the name and the specification only.
bool inputMethodOn(int col);

// The text the overlay starts with on a cell: without trailing blanks in the
// text columns, trimmed in the number columns (and then all selected). It is
// also the tag a commit compares with.
QString overlayText(int col, const QString &cellText);

// Characters the filter sees besides printable ones.
inline constexpr char16_t kBackspaceKey = u'\b';
inline constexpr char16_t kEnterKey = u'\r';

struct NumberKeyResult {
    QString text;          // the overlay text afterwards (caret at its end, nothing selected)
    bool decimal = false;  // the decimal-point flag afterwards
    bool beep = false;     // the key was refused
};

// TxtEdit_KeyPress in a number column. The key is always consumed; the
// filter builds the text itself.
//
// Besides the column rules, every result is a number the store reads as it
// is shown, or a text that commits as empty:
// - "-" is taken only as the first character (on an empty or selected text),
//   anywhere else it beeps; so no "1-2" and no second sign.
// - "." on an empty text gives "0.", on a lone "-" gives "-0." (never "." or
//   "-.").
// - The sign survives reformatting ("-", "0" gives "-0", then "5" gives "-5").
// - A key whose result would have more characters before the point than the
//   column allows beeps, so a negative number holds one digit less.
// - At most three decimals: the cell is shown with three after commit, and a
//   fourth would be silently rounded away.
// - The decimal-point flag is read from the text itself (decimalFlag is only
//   passed back through): a flag left from another cell could otherwise
//   refuse the point or format digits into the decimals. Backspace empties
//   the text and so clears the flag.
// - Backspace is never refused by the length limits (only on the input row):
//   a full unit price can be emptied without first leaving the cell.
// - Enter is swallowed silently (it moves the cursor through the key
//   handler); on the input row it beeps like every other key.
NumberKeyResult TxtEdit_KeyPress(int col, const QString &text, bool allSelected, bool decimalFlag,
                                 bool inputRow, QChar key);

// What a number cell holds after commit: the trimmed text when it is a
// number other than 0, else empty (a lone "-", "0", "0." and "-0." all
// commit as empty). Never a text the store cannot read.
QString committedNumberText(const QString &text);

// Whether an overlay text is one the number filter can build for the column:
// an optional leading "-", digits grouped by "," as the mask groups them,
// for quantities a point with at most three decimals, and no more characters
// before the point than the column allows. A commit takes nothing else, so a
// text that reached the overlay some other way (pasted, dropped, put in by an
// input method) can never become a cell the file reads differently.
bool isTypedNumber(int col, const QString &text);

// sb_DispSu1: a quantity is shown with "#,###,##0.000" when it has a
// fraction, else with "#,###,###    " (four blanks for 0), so whole and
// fractional quantities line up. The text form reads a cell (empty is 0).
QString quantityDisplay(Currency value);
QString quantityDisplay(const QString &cellText);

struct CellCommit {
    enum class Outcome {
        Written,     // the cell takes text
        Refused,     // beep; the cell keeps its text (text = the old one)
        NotWritten,  // nothing happens to the cell
    };
    Outcome outcome = Outcome::NotWritten;
    QString text;
};

// The grid-free part of sb_TextToGrid: the new text of the cell at col of a
// row with the flag rowFlg (RowFlg, "* " on the input row) and the name
// rowName (column 1 text). Nothing is written on the input row, in columns
// that are not committed from the overlay, or when newText equals the
// overlay's starting text of oldCellText. Quantity cells come back already
// shown through sb_DispSu1.
CellCommit commitCellText(int col, const QString &newText, const QString &oldCellText,
                          const QString &rowFlg, const QString &rowName);

// The 22 units of the combo box, in order (" 組 " twice).
const QStringList &unitList();
// The digit shortcut of the unit cell: a text beginning with an ASCII digit
// becomes the digit's unit ("3" gives "ｍ3 "). The rest of the text is
// dropped: every unit fills the cell's 4 bytes, so putting the unit in place
// of the digit and cutting to the cell leaves just the unit ("3x" gives
// "ｍ3 "). Any other text is returned as typed.
QString unitShortcut(const QString &text);
// Combo1_KeyPress: every key is refused on the input row and on a row whose
// name is empty.
bool unitKeyRefused(const QString &rowName, bool inputRow);
// Combo1_LostFocus: what the unit cell becomes, or NotWritten when the text
// equals the tag: 4 blanks on a subtotal row; otherwise the shortcut applied
// and cut to 4 bytes.
CellCommit commitUnitText(const QString &text, const QString &tag, const QString &rowName);

// The next column from 1 on, at or after start (direction > 0) or at or
// before it (direction < 0), whose width is not 0; -1 when there is none.
int NextVisCol(const std::vector<int> &widths, int start, int direction);

struct GridPos {
    int row = 1;
    int col = 1;
    friend bool operator==(GridPos a, GridPos b) { return a.row == b.row && a.col == b.col; }
};

// The cursor moves of sb_GridKeyDown for Enter, Right, Left, Up and Down.
// rowsInUse is the last grid row in use (PageRows), inputRow the input row's
// grid row (0 when the page has none), widths the column widths. Any other
// key leaves the cursor where it is.
GridPos gridKeyMove(Qt::Key key, GridPos at, int rowsInUse, int inputRow, const std::vector<int> &widths);

// TxtEdit_KeyDown: whether Left or Right goes to the key handler rather than
// moving the caret. Number columns always; text columns Left only at caret 0
// and Right only from the end of the text without its trailing blanks on.
bool overlayForwardsArrow(Qt::Key key, int col, const QString &text, int caret);
// Combo1_KeyDown: Left only at caret 0, Right only at the end of the text.
bool comboForwardsArrow(Qt::Key key, const QString &text, int caret);

}  // namespace rz
