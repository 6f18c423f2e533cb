// Reading and writing the unit-price master as a workbook or a CSV file.
#include "masterfile.h"

#include "blocks/blockfile.h"
#include "blocks/xlsxbook.h"
#include "store/savefile.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <array>

namespace rz {

namespace {

bool isWorkbook(const QString &path) { return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive); }

bool emptyRow(const QStringList &row)
{
    for (const QString &cell : row)
        if (!cell.trimmed().isEmpty())
            return false;
    return true;
}

QString lockedText()
{
    return QStringLiteral("ファイルが表計算ソフトで開かれています。閉じてからやり直してください。");
}

// The first sheet's rows as texts, the header's width; a cell with an error
// value makes its row a problem instead.
std::vector<QStringList> workbookRows(const QString &path, std::vector<int> &lines,
                                      std::vector<MasterRowProblem> &problems)
{
    XlsxBook book;
    try {
        book = XlsxBook::open(path, XlsxBook::FirstSheet);
    } catch (const XlsxError &e) {
        throw MasterFileError(e.kind() == XlsxError::Locked ? lockedText() : e.reason());
    }
    const int last = book.lastRow(1, kXlsxMaxCol);
    std::vector<QStringList> rows;
    int width = 0, dateCol = -1;
    for (int r = 1; r <= last; ++r) {
        if (width == 0) {
            // The header: the first row with anything in it, as wide as its last caption.
            for (int c = 1; c <= 256; ++c)
                if (book.cell(r, c).type != XlsxCell::Empty)
                    width = c;
            if (width == 0)
                continue;
        }
        QStringList row;
        QString error;
        for (int c = 1; c <= width; ++c) {
            const XlsxCell cell = book.cell(r, c);
            if (cell.type == XlsxCell::Error && error.isEmpty())
                error = QStringLiteral("%1 の値がエラー（%2）です").arg(xlsxCellName({r, c}), cell.text);
            // A date the spreadsheet keeps as its day number.
            if (c - 1 == dateCol && cell.type == XlsxCell::Number) {
                bool ok = false;
                const double day = cell.text.toDouble(&ok);
                if (ok && day >= 1 && day < 2958466) {
                    row << QDate(1899, 12, 30).addDays(qint64(day)).toString(QStringLiteral("yyyy-MM-dd"));
                    continue;
                }
            }
            row << cell.shown();
        }
        if (rows.empty())
            dateCol = int(row.indexOf(masterCaption(MasterField::Upd)));
        if (!error.isEmpty()) {
            problems.push_back({r, error});
            continue;
        }
        rows.push_back(row);
        lines.push_back(r);
    }
    return rows;
}

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r') &&
        text.trimmed() == text)
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

}  // namespace

std::vector<QStringList> readCsvRows(const QByteArray &bytes, std::vector<int> *lines)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.mid(3));
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8(bytes);
        if (utf8.hasError()) {
            try {
                Cp932 cp932;
                int failedAt = 0;
                if (!cp932.decodeFile(bytes, &text, &failedAt))
                    throw MasterFileError(
                        QStringLiteral("文字コードが UTF-8 でも Shift-JIS でもありません（%1 バイト目）")
                            .arg(failedAt < 0 ? bytes.size() : failedAt + 1));
            } catch (const BlockFileError &e) {
                throw MasterFileError(e.reason());
            }
        }
    }
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, inQuotes = false, any = false;
    int line = 1, rowLine = 1;
    auto endField = [&] {
        row << field;
        field.clear();
        quoted = false;
    };
    auto endRow = [&] {
        endField();
        rows.push_back(row);
        if (lines)
            lines->push_back(rowLine);
        row.clear();
        any = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                if (c == u'\n' || (c == u'\r' && !(i + 1 < text.size() && text[i + 1] == u'\n')))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty() && !quoted) {
            inQuotes = quoted = any = true;
        } else if (c == u',') {
            endField();
            any = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            endRow();
            rowLine = ++line;
        } else {
            field += c;
            any = true;
        }
    }
    if (inQuotes)
        throw MasterFileError(QStringLiteral("%1行目で始まる引用符（\"）が閉じられていません").arg(rowLine));
    if (any || !field.isEmpty())
        endRow();
    return rows;
}

MasterFileRows masterItemsOfRows(const std::vector<QStringList> &rows, const QDate &today, const std::vector<int> &lines)
{
    MasterFileRows out;
    auto lineOf = [&](size_t i) { return i < lines.size() ? lines[i] : int(i) + 1; };
    size_t header = 0;
    while (header < rows.size() && emptyRow(rows[header]))
        ++header;
    if (header == rows.size())
        throw MasterFileError(QStringLiteral("ファイルに見出しの行がありません"));
    // Which column holds which field, by the header's captions.
    std::array<int, kMasterFields> column;
    column.fill(-1);
    for (int c = 0; c < rows[header].size(); ++c) {
        const QString caption = rows[header][c].trimmed();
        for (int f = 0; f < kMasterFields; ++f) {
            if (caption != masterCaption(MasterField(f)))
                continue;
            if (column[size_t(f)] >= 0)
                throw MasterFileError(QStringLiteral("%1行目の見出しに「%2」が二つあります").arg(lineOf(header)).arg(caption));
            column[size_t(f)] = c;
        }
    }
    if (column[size_t(MasterField::Knm)] < 0) {
        QStringList captions;
        for (int f = 0; f < kMasterFields; ++f)
            captions << masterCaption(MasterField(f));
        throw MasterFileError(QStringLiteral("%1行目の見出しに「名称」の列がありません（見出しに使える名前: %2）")
                                  .arg(lineOf(header))
                                  .arg(captions.join(QStringLiteral("、"))));
    }
    QHash<QString, int> seen;  // name and specification -> line
    for (size_t r = header + 1; r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        if (emptyRow(row))
            continue;
        const int line = lineOf(r);
        MasterItem item;
        QString problem;
        for (int f = 0; f < kMasterFields && problem.isEmpty(); ++f) {
            const int c = column[size_t(f)];
            if (c >= 0 && c < row.size())
                problem = setMasterField(item, MasterField(f), row[c]);
        }
        if (problem.isEmpty())
            problem = masterItemProblem(item);
        const QString key = item.knm + QChar(0x1F) + item.mei;
        if (problem.isEmpty() && seen.contains(key))
            problem = QStringLiteral("名称と規格が %1 行目と同じです").arg(seen.value(key));
        if (!problem.isEmpty()) {
            out.problems.push_back({line, problem});
            continue;
        }
        seen.insert(key, line);
        if (!item.upd.isValid())
            item.upd = today;
        out.items.push_back(std::move(item));
    }
    return out;
}

MasterFileRows readMasterFile(const QString &path, const QDate &today)
{
    std::vector<int> lines;
    std::vector<MasterRowProblem> cellErrors;
    std::vector<QStringList> rows;
    if (isWorkbook(path)) {
        rows = workbookRows(path, lines, cellErrors);
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw MasterFileError(QStringLiteral("ファイルを開けません（%1）").arg(file.errorString()));
        rows = readCsvRows(file.readAll(), &lines);
    }
    MasterFileRows out = masterItemsOfRows(rows, today, lines);
    if (!cellErrors.empty()) {
        out.problems.insert(out.problems.end(), cellErrors.begin(), cellErrors.end());
        std::sort(out.problems.begin(), out.problems.end(),
                  [](const MasterRowProblem &a, const MasterRowProblem &b) { return a.line < b.line; });
    }
    return out;
}

void writeMasterFile(const QString &path, const std::vector<MasterItem> &items)
{
    // Prices go as plain numbers, so that a spreadsheet reads them as numbers.
    auto cellText = [](const MasterItem &item, MasterField f) {
        if (f == MasterField::Tk1)
            return item.tk1.toString();
        if (f == MasterField::Tk2)
            return item.tk2.toString();
        return masterFieldText(item, f);
    };
    if (isWorkbook(path)) {
        std::vector<std::vector<XlsxValue>> rows;
        rows.reserve(items.size() + 1);
        rows.emplace_back();
        for (int f = 0; f < kMasterFields; ++f)
            rows.back().push_back({XlsxValue::Text, masterCaption(MasterField(f))});
        for (const MasterItem &item : items) {
            rows.emplace_back();
            for (int f = 0; f < kMasterFields; ++f) {
                const auto field = MasterField(f);
                const QString text = cellText(item, field);
                const bool price = field == MasterField::Tk1 || field == MasterField::Tk2;
                rows.back().push_back({price ? XlsxValue::Number : text.isEmpty() ? XlsxValue::Empty : XlsxValue::Text, text});
            }
        }
        try {
            writeNewXlsxBook(path, rows);
        } catch (const XlsxError &e) {
            throw MasterFileError(e.kind() == XlsxError::Locked ? lockedText() : e.reason());
        }
        return;
    }
    if (!xlsxLockFile(path).isEmpty())
        throw MasterFileError(lockedText());
    QString text;
    QStringList cells;
    for (int f = 0; f < kMasterFields; ++f)
        cells << masterCaption(MasterField(f));
    text += cells.join(u',') + QStringLiteral("\r\n");
    for (const MasterItem &item : items) {
        cells.clear();
        for (int f = 0; f < kMasterFields; ++f)
            cells << csvField(cellText(item, MasterField(f)));
        text += cells.join(u',') + QStringLiteral("\r\n");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("\xEF\xBB\xBF") != 3 || file.write(text.toUtf8()) < 0 ||
        !commitWhole(file))
        throw MasterFileError(writeFailure(errno, file.errorString()));
}

}  // namespace rz
