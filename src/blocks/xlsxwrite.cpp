// Writing rows into the active sheet of an .xlsx workbook, everything else
// of the workbook kept, or into a new workbook of one sheet.
#include "xlsxpackage.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <set>

namespace rz {

namespace {

QString escapeText(const QString &s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF || isEscape(s, i))
            out += QStringLiteral("_x%1_").arg(int(c), 4, 16, QLatin1Char('0')).toUpper().replace(u'X', u'x');
        else
            out += s[i];
    }
    return out;
}

// Rows and cells of a worksheet found or made in their order, values set the
// way a spreadsheet writes them: a number in <v>, a text inline.
class SheetEditor {
public:
    explicit SheetEditor(pugi::xml_node worksheet, const QString &part) : root_(worksheet)
    {
        const std::string name = root_.name();
        prefix_ = name.substr(0, name.size() - std::strlen(localName(name.c_str())));
        data_ = child(root_, "sheetData");
        if (!data_)
            fail(XlsxError::CannotOpen, damaged(part));
        // Rows and cells without their number are numbered, so that new ones
        // can be put in their place.
        int rowNum = 0;
        for (pugi::xml_node r = data_.first_child(); r; r = r.next_sibling())
            if (is(r, "row")) {
                rowNum = attr(r, "r") ? number(r) : rowNum + 1;
                if (!attr(r, "r"))
                    r.append_attribute("r") = rowNum;
            }
    }

    // True when a formula was overwritten.
    bool write(XlsxPos at, const std::vector<std::vector<XlsxValue>> &rows)
    {
        pugi::xml_node next = data_.first_child();
        int width = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            const int r = at.row + int(i);
            while (next && (!is(next, "row") || number(next) < r))
                next = next.next_sibling();
            pugi::xml_node row = next && number(next) == r ? next : insert(data_, "row", next);
            if (row != next)
                row.append_attribute("r") = r;
            row.remove_attribute("spans");
            numberCells(row);
            pugi::xml_node cell = row.first_child();
            for (size_t k = 0; k < rows[i].size(); ++k) {
                const int c = at.col + int(k);
                while (cell && (!is(cell, "c") || column(cell) < c))
                    cell = cell.next_sibling();
                pugi::xml_node target = cell && column(cell) == c ? cell : insert(row, "c", cell);
                if (target != cell)
                    target.append_attribute("r") = xlsxCellName({r, c}).toUtf8().constData();
                set(target, rows[i][k]);
            }
            width = std::max(width, int(rows[i].size()));
        }
        dropOrphanedSharedFormulas();
        extendDimension(at, XlsxPos{at.row + int(rows.size()) - 1, at.col + std::max(width, 1) - 1});
        return formulaRemoved_;
    }

private:
    pugi::xml_node insert(pugi::xml_node parent, const char *name, pugi::xml_node before)
    {
        const std::string n = prefix_ + name;
        return before ? parent.insert_child_before(n.c_str(), before) : parent.append_child(n.c_str());
    }
    static int number(pugi::xml_node row)
    {
        bool ok = false;
        const int r = attrText(row, "r").toInt(&ok);
        if (!ok || r < 1 || r > kXlsxMaxRow)
            fail(XlsxError::NoActiveSheet, badRef(QStringLiteral("（行 %1）").arg(attrText(row, "r"))));
        return r;
    }
    static int column(pugi::xml_node cell)
    {
        XlsxPos p;
        if (!parseXlsxCellName(attrText(cell, "r"), p))
            fail(XlsxError::NoActiveSheet, badRef(attrText(cell, "r")));
        return p.col;
    }
    static void numberCells(pugi::xml_node row)
    {
        const int r = number(row);
        int col = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (!is(c, "c"))
                continue;
            if (attr(c, "r"))
                col = column(c);
            else if (++col <= kXlsxMaxCol)
                c.append_attribute("r") = xlsxCellName({r, col}).toUtf8().constData();
        }
    }
    void set(pugi::xml_node cell, const XlsxValue &value)
    {
        if (const pugi::xml_node f = child(cell, "f")) {
            formulaRemoved_ = true;
            // The first cell of a shared formula holds its text for the others.
            if (attrText(f, "t") == QLatin1String("shared") && attr(f, "ref"))
                sharedRemoved_.insert(attr(f, "si").value());
        }
        while (cell.first_child())
            cell.remove_child(cell.first_child());
        for (const char *a : {"t", "cm", "vm", "ph"})
            cell.remove_attribute(a);
        if (value.type == XlsxValue::Number) {
            insert(cell, "v", {}).text().set(value.text.toUtf8().constData());
        } else if (value.type == XlsxValue::Text) {
            cell.append_attribute("t") = "inlineStr";
            pugi::xml_node t = insert(insert(cell, "is", {}), "t", {});
            t.append_attribute("xml:space") = "preserve";
            t.text().set(escapeText(value.text).toUtf8().constData());
        }
    }
    // Cells that shared an overwritten formula keep their last values.
    void dropOrphanedSharedFormulas()
    {
        if (sharedRemoved_.empty())
            return;
        for (pugi::xml_node r = data_.first_child(); r; r = r.next_sibling())
            for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling())
                if (const pugi::xml_node f = child(c, "f"); f && attrText(f, "t") == QLatin1String("shared") &&
                                                            sharedRemoved_.count(attr(f, "si").value()))
                    c.remove_child(f);
    }
    void extendDimension(XlsxPos first, XlsxPos last)
    {
        pugi::xml_attribute ref = attr(child(root_, "dimension"), "ref");
        if (!ref)
            return;
        const QStringList parts = str(ref.value()).split(u':');
        XlsxPos a, b;
        if (parts.isEmpty() || !parseXlsxCellName(parts.first(), a) || !parseXlsxCellName(parts.last(), b))
            return;
        const XlsxPos lo{std::min({a.row, b.row, first.row}), std::min({a.col, b.col, first.col})};
        const XlsxPos hi{std::max({a.row, b.row, last.row}), std::max({a.col, b.col, last.col})};
        ref.set_value((xlsxCellName(lo) + u':' + xlsxCellName(hi)).toUtf8().constData());
    }

    pugi::xml_node root_, data_;
    std::string prefix_;
    bool formulaRemoved_ = false;
    std::set<std::string> sharedRemoved_;
};

// Formulas anywhere in the workbook may depend on the cells written, and a
// cached result would show the sum of the rows that were there before: some
// spreadsheet programs show cached results as they are, whatever the
// workbook asks. Without one, every program computes the formula when it
// opens the workbook. True when a result was dropped.
bool dropCachedResults(pugi::xml_node worksheet)
{
    bool dropped = false;
    for (pugi::xml_node r = child(worksheet, "sheetData").first_child(); r; r = r.next_sibling())
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling())
            if (pugi::xml_node v = child(c, "v"); v && is(c, "c") && child(c, "f")) {
                c.remove_child(v);
                c.remove_attribute("t");  // the type of the result that is gone
                dropped = true;
            }
    return dropped;
}

// Asks the spreadsheet to recalculate when it opens the workbook: formulas
// elsewhere may depend on the cells written.
void recalcOnLoad(pugi::xml_node workbook)
{
    pugi::xml_node calc = child(workbook, "calcPr");
    if (!calc) {
        pugi::xml_node after;
        for (const char *n : {"sheets", "functionGroups", "externalReferences", "definedNames"})
            if (pugi::xml_node c = child(workbook, n))
                after = c;
        if (!after)
            return;
        const std::string name = std::string(workbook.name()).substr(
            0, std::strlen(workbook.name()) - std::strlen(localName(workbook.name())));
        calc = workbook.insert_child_after((name + "calcPr").c_str(), after);
    }
    (attr(calc, "fullCalcOnLoad") ? attr(calc, "fullCalcOnLoad") : calc.append_attribute("fullCalcOnLoad")) = "1";
}

const char kNewContentTypes[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(</Types>)";
const char kNewRootRels[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";
const char kNewBook[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<bookViews><workbookView activeTab="0"/></bookViews>)"
    R"(<sheets><sheet name="内訳" sheetId="1" r:id="rId1"/></sheets><calcPr fullCalcOnLoad="1"/></workbook>)";
const char kNewBookRels[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";
// Column widths for name, specification, quantity, unit, price, amount, remark.
const char kNewSheet[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<dimension ref="A1"/><sheetViews><sheetView tabSelected="1" workbookViewId="0">)"
    R"(<selection activeCell="A1" sqref="A1"/></sheetView></sheetViews><sheetFormatPr defaultRowHeight="15"/>)"
    R"(<cols><col min="1" max="1" width="42" customWidth="1"/><col min="2" max="2" width="22" customWidth="1"/>)"
    R"(<col min="3" max="3" width="11" customWidth="1"/><col min="4" max="4" width="6" customWidth="1"/>)"
    R"(<col min="5" max="6" width="14" customWidth="1"/><col min="7" max="7" width="22" customWidth="1"/></cols>)"
    R"(<sheetData/><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)";
const char kNewStyles[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/><family val="2"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles></styleSheet>)";

void checkRoom(XlsxPos at, const std::vector<std::vector<XlsxValue>> &rows)
{
    size_t width = 0;
    for (const auto &r : rows)
        width = std::max(width, r.size());
    if (qint64(at.row) + qint64(rows.size()) - 1 > kXlsxMaxRow || qint64(at.col) + qint64(width) - 1 > kXlsxMaxCol)
        fail(XlsxError::NoRoom, QStringLiteral("セル %1 から %2 行 × %3 列はワークシートに入りきりません")
                                    .arg(xlsxCellName(at))
                                    .arg(rows.size())
                                    .arg(width));
}

XlsxPos createBook(const QString &path, const std::vector<std::vector<XlsxValue>> &rows)
{
    checkRoom(XlsxPos{}, rows);
    pugi::xml_document sheet;
    sheet.load_string(kNewSheet, kParseFlags);
    SheetEditor(sheet.document_element(), QString()).write(XlsxPos{}, rows);
    Zip zip;
    try {
        zip.openFile(path, ZIP_CREATE | ZIP_EXCL);
    } catch (const XlsxError &e) {
        fail(XlsxError::WriteFailed, e.reason());
    }
    zip.put(QStringLiteral("[Content_Types].xml"), kNewContentTypes);
    zip.put(QStringLiteral("_rels/.rels"), kNewRootRels);
    zip.put(QStringLiteral("xl/workbook.xml"), kNewBook);
    zip.put(QStringLiteral("xl/_rels/workbook.xml.rels"), kNewBookRels);
    zip.put(QStringLiteral("xl/styles.xml"), kNewStyles);
    zip.put(QStringLiteral("xl/worksheets/sheet1.xml"), serialized(sheet));
    zip.close();
    return XlsxPos{};
}

}  // namespace

bool XlsxPackage::writeRows(XlsxPos at, const std::vector<std::vector<XlsxValue>> &rows)
{
    return SheetEditor(sheet.document_element(), sheetPart).write(at, rows);
}

QString xlsxLockFile(const QString &path)
{
    // LibreOffice keeps ".~lock.NAME#", Excel "~$NAME" (with the first two
    // characters of a long name replaced).
    const QFileInfo fi(path);
    const QString name = fi.fileName();
    for (const QString &lock : {QStringLiteral(".~lock.") + name + u'#', QStringLiteral("~$") + name,
                                QStringLiteral("~$") + name.mid(2)}) {
        const QString p = fi.absoluteDir().filePath(lock);
        if (name.size() > 2 && QFileInfo::exists(p))
            return p;
    }
    return QString();
}

void writeNewXlsxBook(const QString &path, const std::vector<std::vector<XlsxValue>> &rows)
{
    const QString lock = xlsxLockFile(path);
    if (!lock.isEmpty())
        fail(XlsxError::Locked, lock);
    const QFileInfo target(path);
    QString passing;
    for (int n = 0; passing.isEmpty() || QFileInfo::exists(passing) || QFileInfo(passing).isSymLink(); ++n)
        passing = target.absoluteDir().filePath(QStringLiteral(".%1.%2.part").arg(target.fileName()).arg(n));
    try {
        createBook(passing, rows);
    } catch (...) {
        QFile::remove(passing);
        throw;
    }
    if (std::rename(QFile::encodeName(passing).constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        const int error = errno;
        QFile::remove(passing);
        fail(XlsxError::WriteFailed, writeFailure(error, QString::fromLocal8Bit(std::strerror(error))));
    }
}

XlsxPos writeXlsxRows(const QString &path, const std::vector<std::vector<XlsxValue>> &rows)
{
    const QString lock = xlsxLockFile(path);
    if (!lock.isEmpty())
        fail(XlsxError::Locked, lock);
    if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
        return createBook(path, rows);
    if (!QFileInfo(path).isFile())
        fail(XlsxError::CannotOpen, QStringLiteral("ファイルではありません"));

    XlsxPackage p;
    p.zip.openFile(path, 0);
    p.load();
    checkRoom(p.active, rows);
    const bool formulaRemoved = p.writeRows(p.active, rows);
    dropCachedResults(p.sheet.document_element());
    p.zip.put(p.sheetPart, serialized(p.sheet));
    for (const auto &rel : p.rels(p.bookRels)) {
        const QString part = resolvePart(p.bookPart, rel.target);
        pugi::xml_document other;
        if (rel.type.endsWith(QLatin1String("/worksheet")) && part != p.sheetPart && p.zip.parse(part, other) &&
            dropCachedResults(other.document_element()))
            p.zip.put(part, serialized(other));
    }
    recalcOnLoad(p.book.document_element());
    // The calculation chain lists the cells with formulas; one that no longer
    // has its formula makes Excel call the workbook damaged, and the chain is
    // rebuilt by the spreadsheet anyway.
    if (formulaRemoved) {
        for (const auto &rel : p.rels(p.bookRels)) {
            if (!rel.type.endsWith(QLatin1String("/calcChain")))
                continue;
            const QString chain = resolvePart(p.bookPart, rel.target);
            p.zip.remove(chain);
            p.bookRels.document_element().remove_child(rel.node);
            p.zip.put(relsOf(p.bookPart), serialized(p.bookRels));
            pugi::xml_document types;
            const QString typesPart = QStringLiteral("[Content_Types].xml");
            if (p.zip.parse(typesPart, types)) {
                for (pugi::xml_node o = types.document_element().first_child(); o; o = o.next_sibling())
                    if (is(o, "Override") && attrText(o, "PartName").compare(u'/' + chain, Qt::CaseInsensitive) == 0) {
                        types.document_element().remove_child(o);
                        break;
                    }
                p.zip.put(typesPart, serialized(types));
            }
            break;
        }
    }
    p.zip.put(p.bookPart, serialized(p.book));
    p.zip.close();
    return p.active;
}

}  // namespace rz
