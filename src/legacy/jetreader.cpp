#include "jetreader.h"

#include "store/dberror.h"

#include <QFile>
#include <cmath>
#include <cstring>
#include <optional>
#include <iconv.h>
#include <mdbtools.h>

namespace rz {

namespace {

// A row's offset on its page carries two flags above the offset: the row is
// deleted, or it was moved and only a pointer to it is left here.
constexpr int kOffsetMask = 0x1fff;
constexpr int kDeletedRow = 0x8000;
constexpr int kMovedRow = 0x4000;

DbError damaged(const QString &what)
{
    return DbError(QStringLiteral("ファイルが壊れているため変換できません（%1）。").arg(what));
}

qint64 littleEndian(const unsigned char *p, int bytes)
{
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    // Sign-extend from the field's width.
    const int shift = 64 - 8 * bytes;
    return static_cast<qint64>(v << shift) >> shift;
}

// Jet 4 keeps text as UTF-16LE, or "compressed": after FF FE, runs of one
// byte per character (high byte 0) and of two bytes, switched by a 0 byte.
std::optional<QString> jet4Text(const unsigned char *p, int size)
{
    std::u16string units;
    if (size >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        bool compressed = true;
        for (int i = 2; i < size;) {
            if (p[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.push_back(p[i++]);
            } else if (i + 1 < size) {
                units.push_back(static_cast<char16_t>(p[i] | p[i + 1] << 8));
                i += 2;
            } else {
                return std::nullopt;
            }
        }
    } else {
        if (size % 2)
            return std::nullopt;
        for (int i = 0; i < size; i += 2)
            units.push_back(static_cast<char16_t>(p[i] | p[i + 1] << 8));
    }
    return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
}

// Jet 3 keeps text in the code page its header names (932 for Japanese).
std::optional<QString> jet3Text(const unsigned char *p, int size, int codePage)
{
    const QByteArray from = "CP" + QByteArray::number(codePage ? codePage : 1252);
    iconv_t cd = iconv_open("UTF-8", from.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray out(size * 4 + 4, Qt::Uninitialized);
    char *in = reinterpret_cast<char *>(const_cast<unsigned char *>(p));
    char *o = out.data();
    size_t inLeft = static_cast<size_t>(size), outLeft = static_cast<size_t>(out.size());
    const size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    return QString::fromUtf8(out.constData(), out.size() - static_cast<qsizetype>(outLeft));
}

QString accessTypeName(int type)
{
    switch (type) {
    case MDB_BOOL: return QStringLiteral("Yes/No");
    case MDB_BYTE: return QStringLiteral("Byte");
    case MDB_INT: return QStringLiteral("Integer");
    case MDB_LONGINT: return QStringLiteral("Long Integer");
    case MDB_MONEY: return QStringLiteral("Currency");
    case MDB_FLOAT: return QStringLiteral("Single");
    case MDB_DOUBLE: return QStringLiteral("Double");
    case MDB_DATETIME: return QStringLiteral("Date/Time");
    case MDB_BINARY: return QStringLiteral("Binary");
    case MDB_TEXT: return QStringLiteral("Text");
    case MDB_OLE: return QStringLiteral("OLE Object");
    case MDB_MEMO: return QStringLiteral("Memo");
    case MDB_REPID: return QStringLiteral("Replication ID");
    case MDB_NUMERIC: return QStringLiteral("Decimal");
    default: return QStringLiteral("type %1").arg(type);
    }
}

// The stored size of a fixed column of each type an estimate file knows.
int fixedSize(int type)
{
    switch (type) {
    case MDB_INT: return 2;
    case MDB_LONGINT: return 4;
    case MDB_FLOAT: return 4;
    case MDB_MONEY: return 8;
    default: return 0;
    }
}

struct TableDefDeleter {
    void operator()(MdbTableDef *t) const { mdb_free_tabledef(t); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableDefDeleter>;

}  // namespace

struct JetReader::Impl {
    MdbHandle *mdb = nullptr;
    QString path;
    std::vector<MdbCatalogEntry *> tables;
    bool jet4 = true;

    ~Impl()
    {
        if (mdb)
            mdb_close(mdb);
    }

    // A Jet database password is kept masked in the header page (Jet 4: with
    // the creation date). Noise that does not read as a password text is
    // damage, not protection.
    void checkPassword() const
    {
        const unsigned char *page = mdb->pg_buf;
        unsigned char mask[4] = {0, 0, 0, 0};
        if (jet4) {
            double created = 0;
            std::memcpy(&created, page + 0x72, sizeof created);
            if (std::isfinite(created) && std::fabs(created) < 2147483647.0) {
                const auto m = static_cast<quint32>(static_cast<qint32>(created));
                for (int i = 0; i < 4; ++i)
                    mask[i] = static_cast<unsigned char>(m >> (8 * i));
            }
        }
        const int width = jet4 ? 2 : 1, chars = 20;
        int length = 0;
        bool ended = false, garbled = false;
        for (int c = 0; c < chars; ++c) {
            unsigned v = 0;
            for (int b = 0; b < width; ++b) {
                const int i = c * width + b;
                v |= static_cast<unsigned>(page[0x42 + i] ^ mask[i % 4]) << (8 * b);
            }
            const QChar ch(static_cast<char16_t>(v));
            if (v == 0)
                ended = true;
            else if (ended || v < 0x20 || (jet4 && (ch.isSurrogate() || !ch.isPrint())))
                garbled = true;
            else
                ++length;
        }
        if (garbled)
            throw damaged(QStringLiteral("ヘッダー"));
        if (length > 0)
            throw DbError(QStringLiteral("'%1' にはデータベース パスワードが設定されているため変換できません。"
                                         "パスワードを解除したファイルを選んでください。")
                              .arg(path));
    }

    TablePtr read(const QString &name) const
    {
        for (MdbCatalogEntry *e : tables) {
            if (QString::fromUtf8(e->object_name) != name)
                continue;
            TablePtr t(mdb_read_table(e));
            // libmdb hands back a table whose usage map (the list of its data
            // pages) it could not find, and crashes on it when the rows are read.
            if (!t || !t->usage_map || t->map_sz < 1 || !mdb_read_columns(t.get()) || t->num_cols == 0 ||
                t->num_cols > MDB_MAX_COLS || !t->columns || t->columns->len != t->num_cols)
                throw damaged(QStringLiteral("表 %1 の定義").arg(name));
            return t;
        }
        throw DbError(QStringLiteral("表 %1 がありません。").arg(name));
    }

    Value decode(const MdbColumn &col, const MdbField &field, const QString &where) const
    {
        if (field.is_null)
            return Value();
        const auto *p = static_cast<const unsigned char *>(field.value);
        const int size = field.siz;
        const int page = static_cast<int>(mdb->fmt->pg_size);
        if (!p || size < 0 || p < mdb->pg_buf || p + size > mdb->pg_buf + page)
            throw damaged(where);
        if (col.col_type == MDB_TEXT) {
            const auto text = jet4 ? jet4Text(p, size) : jet3Text(p, size, mdb->f->code_page);
            const int limit = jet4 ? col.col_size / 2 : col.col_size;
            if (!text || text->size() > limit)
                throw damaged(where);
            return Value(*text);
        }
        if (size != fixedSize(col.col_type))
            throw damaged(where);
        switch (col.col_type) {
        case MDB_INT:
        case MDB_LONGINT:
            return Value(littleEndian(p, size));
        case MDB_MONEY:
            return Value(Currency::fromRaw(littleEndian(p, size)));
        case MDB_FLOAT: {
            float f = 0;
            std::memcpy(&f, p, sizeof f);
            if (!std::isfinite(f))
                throw damaged(where);
            return Value(static_cast<double>(f));
        }
        default:
            throw damaged(where);
        }
    }
};

JetReader::JetReader(const QString &path) : d_(std::make_unique<Impl>())
{
    d_->path = path;
    d_->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d_->mdb)
        throw damaged(QStringLiteral("ヘッダーが読めません"));
    const auto version = d_->mdb->f->jet_version;
    if (version != MDB_VER_JET3 && version != MDB_VER_JET4)
        throw DbError(QStringLiteral("'%1' は変換できない版の Jet ファイルです。").arg(path));
    d_->jet4 = version == MDB_VER_JET4;
    // mdb_open leaves the decoded header page in the page buffer.
    d_->checkPassword();
    // Every Jet file lists at least its own system tables: an empty list is
    // a damaged catalog, not a file without tables.
    if (!mdb_read_catalog(d_->mdb, MDB_TABLE) || d_->mdb->num_catalog == 0)
        throw damaged(QStringLiteral("表の一覧"));
    for (unsigned i = 0; i < d_->mdb->num_catalog; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(d_->mdb->catalog, i));
        if (e && e->object_type == MDB_TABLE && mdb_is_user_table(e))
            d_->tables.push_back(e);
    }
}

JetReader::~JetReader() = default;

QStringList JetReader::tables() const
{
    QStringList names;
    for (MdbCatalogEntry *e : d_->tables)
        names << QString::fromUtf8(e->object_name);
    return names;
}

JetTableDef JetReader::table(const QString &name)
{
    TablePtr t = d_->read(name);
    JetTableDef def{name, {}, static_cast<qint64>(t->num_rows)};
    for (unsigned i = 0; i < t->num_cols; ++i) {
        const auto *c = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, i));
        JetColumn col{QString::fromUtf8(c->name), accessTypeName(c->col_type), {}};
        switch (c->col_type) {
        case MDB_INT: col.declared = QStringLiteral("SHORT"); break;
        case MDB_LONGINT: col.declared = QStringLiteral("LONG"); break;
        case MDB_MONEY: col.declared = QStringLiteral("CURRENCY"); break;
        case MDB_FLOAT: col.declared = QStringLiteral("SINGLE"); break;
        case MDB_TEXT:
            col.declared = QStringLiteral("TEXT(%1)").arg(d_->jet4 ? c->col_size / 2 : c->col_size);
            break;
        default: break;
        }
        def.columns.push_back(col);
    }
    return def;
}

qint64 JetReader::readRows(const QString &name, const std::function<bool(std::vector<Value> &)> &onRow)
{
    TablePtr t = d_->read(name);
    MdbHandle *mdb = d_->mdb;
    const unsigned n = t->num_cols;
    std::vector<MdbField> fields(n);
    std::vector<Value> row(n);
    qint64 count = 0;
    // The rows are taken from the table's pages here, not through
    // mdb_fetch_row: libmdb 1.0 reads the two flags of a row's offset the
    // wrong way round, so it hands back deleted rows and skips the rows Jet
    // moved to another page when they grew.
    mdb_rewind_table(t.get());
    while (mdb_read_next_dpg(t.get())) {
        const int rowsHere = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        for (int slot = 0; slot < rowsHere; ++slot) {
            const QString where = QStringLiteral("表 %1 の %2 行目").arg(name).arg(count + 1);
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, slot, &start, &size) != 0)
                throw damaged(where);
            if (start & kDeletedRow)
                continue;
            // A moved row leaves its row number and page behind. On its new page
            // it is marked deleted, so that only this pointer reaches it.
            const guint32 here = mdb->cur_pg;
            for (int hops = 0; start & kMovedRow; ++hops) {
                if (size < 4 || hops == 8)
                    throw damaged(where);
                const unsigned char *p = mdb->pg_buf + (start & kOffsetMask);
                const int movedTo = p[0];
                const guint32 page = p[1] | p[2] << 8 | p[3] << 16;
                if (!mdb_read_pg(mdb, page) || mdb->pg_buf[0] != MDB_PAGE_DATA ||
                    mdb_get_int32(mdb->pg_buf, 4) != static_cast<long>(t->entry->table_pg) ||
                    mdb_find_row(mdb, movedTo, &start, &size) != 0)
                    throw damaged(where);
            }
            // libmdb takes a row's bounds on trust: a row without bytes or inside
            // the page's header is damage and never reaches it.
            if (size < 2 || (start & kOffsetMask) < mdb->fmt->row_count_offset + 2 ||
                mdb_crack_row(t.get(), start & kOffsetMask, size, fields.data()) < static_cast<int>(n))
                throw damaged(where);
            for (unsigned i = 0; i < n; ++i) {
                const int c = fields[i].colnum;
                if (c < 0 || c >= static_cast<int>(n))
                    throw damaged(where);
                const auto *col = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, c));
                row[static_cast<size_t>(c)] =
                    d_->decode(*col, fields[i], where + QStringLiteral("の列 %1").arg(QString::fromUtf8(col->name)));
            }
            ++count;
            if (mdb->cur_pg != here && !mdb_read_pg(mdb, here))
                throw damaged(where);
            if (!onRow(row))
                return count;
        }
    }
    return count;
}

}  // namespace rz
