// Reading and writing .xlsx workbooks through libzip (the package) and
// pugixml (its parts). A workbook comes from anywhere, so every part is read
// with a size limit, every reference is checked, and a part that does not
// parse is reported by name instead of being guessed at.
#include "xlsxbook.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <pugixml.hpp>
#include <zip.h>

#include <cstring>
#include <list>
#include <set>
#include <string>

namespace rz {

namespace {

// An unpacked part larger than this is refused: a worksheet of a hundred
// thousand rows stays well below it, a zip bomb does not.
constexpr qint64 kMaxPart = 64 * 1024 * 1024;
constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

QString damaged(const QString &part) { return QStringLiteral("ブックの %1 が壊れています").arg(part); }
QString badRef(const QString &ref) { return QStringLiteral("セル番地 %1 はワークシートの範囲外です").arg(ref); }
[[noreturn]] void fail(XlsxError::Kind kind, const QString &reason) { throw XlsxError(kind, reason); }

// Elements are matched by their local name: some programs write the
// spreadsheet namespace with a prefix ("x:row").
const char *localName(const char *name)
{
    const char *colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}
bool is(pugi::xml_node n, const char *name)
{
    return n.type() == pugi::node_element && std::strcmp(localName(n.name()), name) == 0;
}
pugi::xml_node child(pugi::xml_node n, const char *name)
{
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (is(c, name))
            return c;
    return {};
}
pugi::xml_attribute attr(pugi::xml_node n, const char *name)
{
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(localName(a.name()), name) == 0)
            return a;
    return {};
}
QString str(const char *s) { return QString::fromUtf8(s); }
QString attrText(pugi::xml_node n, const char *name) { return str(attr(n, name).value()); }

// Characters XML cannot carry travel as "_xHHHH_"; a literal "_x" that looks
// like such an escape is itself escaped as "_x005F_".
bool isEscape(const QString &s, qsizetype i)
{
    if (i + 6 >= s.size() || s[i] != u'_' || s[i + 1] != u'x' || s[i + 6] != u'_')
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k)
        if (!isxdigit(s[k].toLatin1()))
            return false;
    return true;
}
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

std::string serialized(const pugi::xml_document &doc)
{
    struct Writer : pugi::xml_writer {
        std::string out;
        void write(const void *data, size_t size) override { out.append(static_cast<const char *>(data), size); }
    } w;
    doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(w.out);
}

// ------------------------------------------------------------------ package

// Part names inside the package, resolved against the part that refers to them.
QString folderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}
QString resolvePart(const QString &from, const QString &target)
{
    const QString t = QUrl::fromPercentEncoding(target.toUtf8());
    QStringList out;
    for (const QString &seg : (t.startsWith(u'/') ? t.mid(1) : folderOf(from) + t).split(u'/')) {
        if (seg == QLatin1String(".."))  {
            if (out.isEmpty())
                return QString();
            out.removeLast();
        } else if (!seg.isEmpty() && seg != QLatin1String(".")) {
            out << seg;
        }
    }
    return out.join(u'/');
}
QString relsOf(const QString &part)
{
    return folderOf(part) + QStringLiteral("_rels/") + part.mid(folderOf(part).size()) + QStringLiteral(".rels");
}

class Zip {
public:
    Zip() = default;
    ~Zip()
    {
        if (z_)
            zip_discard(z_);
    }
    Zip(const Zip &) = delete;
    Zip &operator=(const Zip &) = delete;

    void openFile(const QString &path, int flags)
    {
        int code = 0;
        z_ = zip_open(QFile::encodeName(path).constData(), flags, &code);
        if (!z_)
            fail(XlsxError::CannotOpen, openFailure(code));
    }
    void openBytes(const QByteArray &bytes)
    {
        bytes_ = bytes;
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *src = zip_source_buffer_create(bytes_.constData(), zip_uint64_t(bytes_.size()), 0, &error);
        if (src)
            z_ = zip_open_from_source(src, ZIP_RDONLY, &error);
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        if (!z_) {
            if (src)
                zip_source_free(src);
            fail(XlsxError::CannotOpen, openFailure(code));
        }
    }
    static QString openFailure(int code)
    {
        if (code == ZIP_ER_NOENT)
            return QStringLiteral("ファイルが見つかりません");
        if (code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS)
            return QStringLiteral("Excel のブック（.xlsx）ではないか、ファイルが壊れています");
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        const QString why = str(zip_error_strerror(&e));
        zip_error_fini(&e);
        return QStringLiteral("ファイルを開けません（%1）").arg(why);
    }

    zip_int64_t locate(const QString &part) const
    {
        return part.isEmpty() ? -1 : zip_name_locate(z_, part.toUtf8().constData(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
    }
    // The unpacked part, or false when the package has no such part.
    bool read(const QString &part, QByteArray &out) const
    {
        const zip_int64_t index = locate(part);
        if (index < 0)
            return false;
        zip_file_t *f = zip_fopen_index(z_, zip_uint64_t(index), 0);
        if (!f)
            fail(XlsxError::CannotOpen, damaged(part));
        out.clear();
        char buf[65536];
        for (;;) {
            const zip_int64_t n = zip_fread(f, buf, sizeof buf);
            if (n < 0) {
                zip_fclose(f);
                fail(XlsxError::CannotOpen, damaged(part));
            }
            if (n == 0)
                break;
            if (out.size() + n > kMaxPart) {
                zip_fclose(f);
                fail(XlsxError::CannotOpen, QStringLiteral("ブックの %1 が大きすぎます").arg(part));
            }
            out.append(buf, qsizetype(n));
        }
        zip_fclose(f);
        return true;
    }
    // Parses a part; false when the package has no such part.
    bool parse(const QString &part, pugi::xml_document &doc) const
    {
        QByteArray bytes;
        if (!read(part, bytes))
            return false;
        if (!doc.load_buffer(bytes.constData(), size_t(bytes.size()), kParseFlags, pugi::encoding_auto) ||
            !doc.document_element())
            fail(XlsxError::CannotOpen, damaged(part));
        return true;
    }
    // Replaces (or adds) a part; the text is kept until the package is closed.
    void put(const QString &part, std::string text)
    {
        keep_.push_back(std::move(text));
        zip_source_t *src = zip_source_buffer(z_, keep_.back().data(), keep_.back().size(), 0);
        const zip_int64_t index = locate(part);
        if (!src || (index >= 0 ? zip_file_replace(z_, zip_uint64_t(index), src, 0)
                                : zip_file_add(z_, part.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8)) < 0) {
            if (src)
                zip_source_free(src);
            fail(XlsxError::WriteFailed, str(zip_strerror(z_)));
        }
    }
    void remove(const QString &part)
    {
        const zip_int64_t index = locate(part);
        if (index >= 0)
            zip_delete(z_, zip_uint64_t(index));
    }
    // Writes the package: libzip writes a temporary file next to it and
    // renames it over the old one, so a failure leaves the old file as it was.
    void close()
    {
        if (zip_close(z_) != 0)
            fail(XlsxError::WriteFailed, QStringLiteral("書き込めませんでした（%1）").arg(str(zip_strerror(z_))));
        z_ = nullptr;
    }

private:
    zip_t *z_ = nullptr;
    QByteArray bytes_;
    std::list<std::string> keep_;
};

}  // namespace

// A workbook opened on its active sheet: the parts the exchange reads or changes.
struct XlsxPackage {
    Zip zip;
    QString bookPart, sheetPart;
    pugi::xml_document book, bookRels, sheet;
    QString sheetName;
    XlsxPos active;

    struct Rel {
        pugi::xml_node node;
        QString type, target;
    };
    std::vector<Rel> rels(const pugi::xml_document &doc) const
    {
        std::vector<Rel> out;
        for (pugi::xml_node r = doc.document_element().first_child(); r; r = r.next_sibling())
            if (is(r, "Relationship") && attrText(r, "TargetMode") != QLatin1String("External"))
                out.push_back({r, attrText(r, "Type"), attrText(r, "Target")});
        return out;
    }
    const Rel *relOfType(const std::vector<Rel> &list, const char *suffix) const
    {
        for (const Rel &r : list)
            if (r.type.endsWith(QLatin1String(suffix)))
                return &r;
        return nullptr;
    }

    void load()
    {
        const QString notBook = QStringLiteral("Excel のブック（.xlsx）ではありません");
        pugi::xml_document root;
        if (zip.parse(QStringLiteral("_rels/.rels"), root)) {
            const auto list = rels(root);
            if (const Rel *doc = relOfType(list, "/officeDocument"))
                bookPart = resolvePart(QString(), doc->target);
        } else {
            bookPart = QStringLiteral("xl/workbook.xml");
        }
        if (!zip.parse(bookPart, book) || !is(book.document_element(), "workbook"))
            fail(XlsxError::CannotOpen, notBook);

        const QString noSheet = QStringLiteral("アクティブなワークシートがありません");
        const pugi::xml_node wb = book.document_element();
        const pugi::xml_node view = child(child(wb, "bookViews"), "workbookView");
        bool ok = true;
        const int tab = view && attr(view, "activeTab") ? attrText(view, "activeTab").toInt(&ok) : 0;
        pugi::xml_node sheetNode;
        int i = 0;
        for (pugi::xml_node s = child(wb, "sheets").first_child(); s && ok; s = s.next_sibling())
            if (is(s, "sheet") && i++ == tab)
                sheetNode = s;
        if (!sheetNode)
            fail(XlsxError::NoActiveSheet, noSheet);
        sheetName = attrText(sheetNode, "name");
        if (!zip.parse(relsOf(bookPart), bookRels))
            fail(XlsxError::NoActiveSheet, noSheet);
        const QString id = attrText(sheetNode, "id");
        for (const Rel &r : rels(bookRels))
            if (attrText(r.node, "Id") == id && r.type.endsWith(QLatin1String("/worksheet")))
                sheetPart = resolvePart(bookPart, r.target);
        if (!zip.parse(sheetPart, sheet))
            fail(XlsxError::NoActiveSheet, QStringLiteral("ワークシート「%1」がブックの中にありません").arg(sheetName));
        if (!is(sheet.document_element(), "worksheet"))
            fail(XlsxError::CannotOpen, damaged(sheetPart));

        // The cursor: the selection of the active pane of the first view.
        const pugi::xml_node sv = child(child(sheet.document_element(), "sheetViews"), "sheetView");
        const pugi::xml_node pane = child(sv, "pane");
        const QString activePane = pane && attr(pane, "activePane") ? attrText(pane, "activePane") : QStringLiteral("topLeft");
        pugi::xml_node sel;
        for (pugi::xml_node s = sv.first_child(); s; s = s.next_sibling()) {
            if (!is(s, "selection"))
                continue;
            const QString p = attr(s, "pane") ? attrText(s, "pane") : QStringLiteral("topLeft");
            if (!sel || p == activePane)
                sel = s;
            if (p == activePane)
                break;
        }
        const QString cell = attrText(sel, "activeCell");
        if (!cell.isEmpty() && !parseXlsxCellName(cell, active))
            fail(XlsxError::NoActiveSheet, badRef(cell));
    }

    void readCells(XlsxBook &book, QHash<quint64, XlsxCell> &cells) const;
    bool writeRows(XlsxPos at, const std::vector<std::vector<XlsxValue>> &rows);
};

// ------------------------------------------------------------------ cells

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
    bool ok = false;
    const double d = text.toDouble(&ok);
    return ok ? QString::number(d, 'g', 15).toUpper() : text;
}

XlsxCell XlsxBook::cell(int row, int col) const { return cells_.value(cellKey(row, col)); }

XlsxBook XlsxBook::open(const QString &path)
{
    if (!QFileInfo(path).isFile())
        fail(XlsxError::CannotOpen, QStringLiteral("ファイルが見つかりません"));
    XlsxPackage p;
    p.zip.openFile(path, ZIP_RDONLY);
    p.load();
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

// ------------------------------------------------------------------ writing

namespace {

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
    p.zip.put(p.sheetPart, serialized(p.sheet));
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
