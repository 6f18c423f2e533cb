// The package of an .xlsx workbook as the reader and the writer share it:
// libzip for the package, pugixml for its parts. A workbook comes from
// anywhere, so every part is read with a size limit, every reference is
// checked, and a part that does not parse is reported by name instead of
// being guessed at. Only the workbook reader and writer include this.
#pragma once
#include "xlsxbook.h"
#include "store/savefile.h"

#include <QFile>

#include <pugixml.hpp>
#include <zip.h>

#include <list>
#include <string>
#include <vector>

namespace rz {

namespace ooxml {

// An unpacked part larger than this is refused: a worksheet of a hundred
// thousand rows stays well below it, a zip bomb does not.
constexpr qint64 kMaxPart = 64 * 1024 * 1024;
constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

QString damaged(const QString &part);
QString tooLarge(const QString &part);
QString badRef(const QString &ref);
[[noreturn]] void fail(XlsxError::Kind kind, const QString &reason);

// Elements and attributes are matched by their local name: some programs
// write the spreadsheet namespace with a prefix ("x:row").
const char *localName(const char *name);
bool is(pugi::xml_node n, const char *name);
pugi::xml_node child(pugi::xml_node n, const char *name);
pugi::xml_attribute attr(pugi::xml_node n, const char *name);
QString str(const char *s);
QString attrText(pugi::xml_node n, const char *name);

// Characters XML cannot carry travel as "_xHHHH_"; a literal "_x" that looks
// like such an escape is itself escaped as "_x005F_".
bool isEscape(const QString &s, qsizetype i);

std::string serialized(const pugi::xml_document &doc);

// Part names inside the package, resolved against the part that refers to
// them; "" for a name that leaves the package.
QString resolvePart(const QString &from, const QString &target);
// The relationships part of a part.
QString relsOf(const QString &part);

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
        // The size the package declares refuses a huge part at once; the
        // count while unpacking catches a declaration that lies.
        zip_stat_t st;
        if (zip_stat_index(z_, zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) && st.size > kMaxPart)
            fail(XlsxError::CannotOpen, tooLarge(part));
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
                fail(XlsxError::CannotOpen, tooLarge(part));
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
        if (zip_close(z_) != 0) {
            zip_error_t *e = zip_get_error(z_);
            fail(XlsxError::WriteFailed,
                 writeFailure(zip_error_system_type(e) == ZIP_ET_SYS ? zip_error_code_system(e) : 0,
                              QStringLiteral("書き込めませんでした（%1）").arg(str(zip_error_strerror(e)))));
        }
        z_ = nullptr;
    }

private:
    zip_t *z_ = nullptr;
    QByteArray bytes_;
    std::list<std::string> keep_;
};

}  // namespace ooxml

// The reader and the writer use the package helpers unqualified.
using namespace ooxml;

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

    void load(bool firstSheet = false)
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
        const int tab = !firstSheet && view && attr(view, "activeTab") ? attrText(view, "activeTab").toInt(&ok) : 0;
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

}  // namespace rz
