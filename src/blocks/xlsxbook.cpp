// Reading the active sheet of an .xlsx workbook: cell values as a
// spreadsheet shows them, the cursor cell as the spreadsheet saved it.
#include "xlsxpackage.h"

#include <QFileInfo>

#include <algorithm>

namespace rz {

namespace {

QString unescapeText(const QString &s)
{
    if (!s.contains(QStringLiteral("_x")))
        return s;
    QString out;
    for (qsizetype i = 0; i < s.size();) {
        if (isEscape(s, i)) {
            out += QChar(char16_t(s.mid(i + 2, 4).toUShort(nullptr, 16)));
            i += 7;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// The text of an element: its character data, CDATA included.
QString nodeText(pugi::xml_node n)
{
    QString s;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            s += str(c.value());
    return s;
}
// A string item (<si>, <is>) as shown: its text, or its rich text runs joined.
// Phonetic guides (<rPh>) are not part of the value.
QString stringItem(pugi::xml_node item)
{
    QString s;
    for (pugi::xml_node c = item.first_child(); c; c = c.next_sibling()) {
        if (is(c, "t"))
            s += nodeText(c);
        else if (is(c, "r"))
            s += nodeText(child(c, "t"));
    }
    return unescapeText(s);
}

quint64 cellKey(int row, int col) { return (quint64(row) << 16) | quint64(col); }

}  // namespace

QString xlsxCellName(XlsxPos pos)
{
    QString letters;
    for (int c = pos.col; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(pos.row);
}

bool parseXlsxCellName(const QString &name, XlsxPos &pos)
{
    qsizetype i = 0;
    qint64 col = 0, row = 0;
    for (; i < name.size() && name[i].isLetter() && name[i].unicode() < 128 && i < 3; ++i)
        col = col * 26 + (name[i].toUpper().unicode() - u'A' + 1);
    const qsizetype digits = i;
    for (; i < name.size() && name[i].isDigit() && name[i].unicode() < 128 && i - digits < 8; ++i)
        row = row * 10 + (name[i].unicode() - u'0');
    if (digits == 0 || i == digits || i != name.size() || col > kXlsxMaxCol || row < 1 || row > kXlsxMaxRow)
        return false;
    pos = XlsxPos{int(row), int(col)};
    return true;
}

QString XlsxCell::shown() const
{
    if (type != Number)
        return text;
    // A whole number of up to 15 digits is its own general form: most cells
    // of a long sheet are, and need no pass through a double.
    const qsizetype sign = text.startsWith(u'-') ? 1 : 0;
    if (text.size() > sign && text.size() - sign <= 15 && (text.size() == sign + 1 || text[sign] != u'0') &&
        std::all_of(text.begin() + sign, text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return text;
    bool ok = false;
    const double d = text.toDouble(&ok);
    return ok ? QString::number(d, 'g', 15).toUpper() : text;
}

XlsxCell XlsxBook::cell(int row, int col) const { return cells_.value(cellKey(row, col)); }

int XlsxBook::lastRow(int first, int last) const
{
    int row = 0;
    for (auto i = cells_.cbegin(); i != cells_.cend(); ++i) {
        const int col = int(i.key() & 0xFFFF);
        if (col >= first && col <= last && i.value().type != XlsxCell::Empty)
            row = std::max(row, int(i.key() >> 16));
    }
    return row;
}

XlsxBook XlsxBook::open(const QString &path, Sheet sheet)
{
    if (!QFileInfo(path).isFile())
        fail(XlsxError::CannotOpen, QStringLiteral("ファイルが見つかりません"));
    XlsxPackage p;
    p.zip.openFile(path, ZIP_RDONLY);
    p.load(sheet == FirstSheet);
    XlsxBook book;
    p.readCells(book, book.cells_);
    return book;
}

XlsxBook XlsxBook::fromBytes(const QByteArray &bytes)
{
    XlsxPackage p;
    p.zip.openBytes(bytes);
    p.load();
    XlsxBook book;
    p.readCells(book, book.cells_);
    return book;
}

void XlsxPackage::readCells(XlsxBook &book, QHash<quint64, XlsxCell> &cells) const
{
    book.sheetName_ = sheetName;
    book.active_ = active;
    std::vector<QString> strings;
    bool stringsRead = false;
    auto sharedString = [&](const QString &v) {
        if (!stringsRead) {
            stringsRead = true;
            const auto list = rels(bookRels);
            const Rel *rel = relOfType(list, "/sharedStrings");
            pugi::xml_document sst;
            if (rel && zip.parse(resolvePart(bookPart, rel->target), sst))
                for (pugi::xml_node si = sst.document_element().first_child(); si; si = si.next_sibling())
                    if (is(si, "si"))
                        strings.push_back(stringItem(si));
        }
        bool ok = false;
        const uint index = v.trimmed().toUInt(&ok);
        if (!ok || index >= strings.size())
            fail(XlsxError::CannotOpen, damaged(sheetPart));
        return strings[index];
    };

    const pugi::xml_node data = child(sheet.document_element(), "sheetData");
    int rowNum = 0;
    for (pugi::xml_node row = data.first_child(); row; row = row.next_sibling()) {
        if (!is(row, "row"))
            continue;
        bool ok = true;
        rowNum = attr(row, "r") ? attrText(row, "r").toInt(&ok) : rowNum + 1;
        if (!ok || rowNum < 1 || rowNum > kXlsxMaxRow)
            fail(XlsxError::NoActiveSheet, badRef(QStringLiteral("（行 %1）").arg(attrText(row, "r"))));
        int colNum = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (!is(c, "c"))
                continue;
            XlsxPos pos{rowNum, colNum + 1};
            if (attr(c, "r") && !parseXlsxCellName(attrText(c, "r"), pos))
                fail(XlsxError::NoActiveSheet, badRef(attrText(c, "r")));
            if (pos.col > kXlsxMaxCol)
                fail(XlsxError::NoActiveSheet, badRef(QStringLiteral("（列 %1）").arg(pos.col)));
            colNum = pos.col;
            const QString t = attrText(c, "t");
            const pugi::xml_node v = child(c, "v");
            XlsxCell cell;
            if (t == QLatin1String("inlineStr")) {
                cell = {XlsxCell::Text, stringItem(child(c, "is"))};
            } else if (!v) {
                continue;  // no value: a formatted empty cell, or a formula never calculated
            } else if (t == QLatin1String("s")) {
                cell = {XlsxCell::Text, sharedString(nodeText(v))};
            } else if (t == QLatin1String("b")) {
                cell = {XlsxCell::Boolean, nodeText(v).trimmed() == QLatin1String("1") ? QStringLiteral("TRUE")
                                                                                      : QStringLiteral("FALSE")};
            } else if (t == QLatin1String("e")) {
                cell = {XlsxCell::Error, nodeText(v)};
            } else if (t == QLatin1String("str") || t == QLatin1String("d")) {
                cell = {XlsxCell::Text, unescapeText(nodeText(v))};
            } else {
                cell = {XlsxCell::Number, nodeText(v).trimmed()};
            }
            cells.insert(cellKey(pos.row, pos.col), cell);
        }
    }
}

}  // namespace rz
