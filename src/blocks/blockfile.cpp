#include "blockfile.h"
#include "store/savefile.h"

#include <QIODevice>
#include <QtEndian>
#include <cerrno>
#include <iconv.h>
#include <limits>

namespace rz {

namespace {
constexpr char kFullWidthQuestion[] = "\x81\x48";  // "？"

bool leadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The bytes of one character at s[i]: 2 for a lead byte, else 1.
int charBytes(const QByteArray &s, int i) { return leadByte(static_cast<unsigned char>(s[i])) ? 2 : 1; }

// Runs iconv over all of `in`; false at bytes it cannot convert, with
// *failedAt their position (-1 when the input merely ended inside a character).
bool convert(void *cd, const QByteArray &in, QByteArray &out, int *failedAt)
{
    auto *h = static_cast<iconv_t>(cd);
    iconv(h, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 2 + 8);
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char *dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    const size_t r = iconv(h, &src, &srcLeft, &dst, &dstLeft);
    out.resize(out.size() - static_cast<int>(dstLeft));
    if (r != static_cast<size_t>(-1))
        return true;
    *failedAt = errno == EILSEQ ? static_cast<int>(src - in.constData()) : -1;
    return false;
}
}  // namespace

const std::vector<BlockField> &blockFields()
{
    static const std::vector<BlockField> fields = [] {
        std::vector<BlockField> f;
        static const char *const keys[8] = {"key1", "key2", "key3", "key4", "key5", "key6", "key7", "key8"};
        for (int i = 0; i < 8; ++i)
            f.push_back({keys[i], 4 * i, 4, BlockField::Long, 0});
        f.push_back({"knm", 32, 59, BlockField::Text, 40});
        f.push_back({"mei", 91, 29, BlockField::Text, 20});
        f.push_back({"tn1", 120, 5, BlockField::Text, 4});
        static const char *const money[6] = {"su1", "tk1", "kn1", "su2", "tk2", "kn2"};
        for (int i = 0; i < 6; ++i)
            f.push_back({money[i], (i < 3 ? 125 : 151) + 8 * (i % 3), 8, BlockField::Money, 0});
        f.push_back({"rt1", 149, 2, BlockField::Short, 0});
        f.push_back({"rt2", 175, 2, BlockField::Short, 0});
        f.push_back({"lvl", 177, 2, BlockField::Short, 0});
        static const char *const remarks[3] = {"bk1", "bk2", "bk3"};
        for (int i = 0; i < 3; ++i)
            f.push_back({remarks[i], 179 + 19 * i, 19, BlockField::Text, 19});
        f.push_back({"flg", 236, 9, BlockField::Text, 9});
        static const char *const ints[10] = {"int0", "int1", "int2", "int3", "int4",
                                             "int5", "int6", "int7", "int8", "int9"};
        for (int i = 0; i < 10; ++i)
            f.push_back({ints[i], 245 + 2 * i, 2, BlockField::Short, 0});
        static const char *const curs[12] = {"cur0", "cur1", "cur2", "cur3", "cur4", "cur5",
                                             "cur6", "cur7", "cur8", "cur9", "curA", "curB"};
        for (int i = 0; i < 12; ++i)
            f.push_back({curs[i], 265 + 8 * i, 8, BlockField::Money, 0});
        f.push_back({"bk4", 361, 29, BlockField::Text, 20});
        return f;
    }();
    return fields;
}

Cp932::Cp932()
{
    to_ = iconv_open("CP932", "UTF-8");
    from_ = iconv_open("UTF-8", "CP932");
    if (to_ == reinterpret_cast<void *>(-1) || from_ == reinterpret_cast<void *>(-1)) {
        if (to_ != reinterpret_cast<void *>(-1))
            iconv_close(static_cast<iconv_t>(to_));
        if (from_ != reinterpret_cast<void *>(-1))
            iconv_close(static_cast<iconv_t>(from_));
        throw BlockFileError(0, QStringLiteral("文字コード CP932 (Shift-JIS) をこのシステムで変換できません。"));
    }
}

Cp932::~Cp932()
{
    iconv_close(static_cast<iconv_t>(to_));
    iconv_close(static_cast<iconv_t>(from_));
}

QByteArray Cp932::encode(const QString &text, bool *lossy)
{
    // Control characters (a line break from a pasted cell) are no text of a
    // field, and a reading would refuse them: they become blanks.
    QString clean = text;
    bool ascii = true;
    for (QChar &c : clean) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = u' ';
            *lossy = true;
        }
        ascii = ascii && c.unicode() < 0x80;
    }
    if (ascii)
        return clean.toLatin1();
    QByteArray in = clean.toUtf8(), out, result;
    for (;;) {
        int failedAt = 0;
        const bool done = convert(to_, in, out, &failedAt);
        result += out;
        if (done || failedAt < 0)
            return result;
        // One character the code page lacks: its UTF-8 bytes are passed over.
        const unsigned char lead = static_cast<unsigned char>(in[failedAt]);
        const int skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        result += kFullWidthQuestion;
        *lossy = true;
        in = in.mid(failedAt + skip);
    }
}

bool Cp932::decode(const QByteArray &bytes, QString *text)
{
    bool ascii = true;
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return false;  // control bytes are no part of a text
        ascii = ascii && b < 0x80;
    }
    if (ascii) {
        *text = QString::fromLatin1(bytes);
        return true;
    }
    QByteArray out;
    int failedAt = 0;
    if (!convert(from_, bytes, out, &failedAt))
        return false;
    *text = QString::fromUtf8(out);
    return true;
}

bool Cp932::decodeFile(const QByteArray &bytes, QString *text, int *failedAt)
{
    QByteArray out;
    if (!convert(from_, bytes, out, failedAt))
        return false;
    *text = QString::fromUtf8(out);
    return true;
}

QByteArray encodeBlockRecord(Cp932 &codec, const std::vector<Value> &values, QStringList *lossy)
{
    QByteArray rec(kBlockRecordSize, ' ');
    char *p = rec.data();
    const auto &fields = blockFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const BlockField &f = fields[i];
        const Value &v = i < values.size() ? values[i] : Value();
        switch (f.kind) {
        case BlockField::Long:
        case BlockField::Short: {
            const qint64 n = v.isNull() ? 0 : v.toLong();
            const qint64 lo = f.kind == BlockField::Long ? std::numeric_limits<qint32>::min() : -32768;
            if (n < lo || n > -(lo + 1))
                throw OverflowError("数値がブロックファイルの項目の範囲を超えました");
            if (f.kind == BlockField::Long)
                qToLittleEndian(static_cast<qint32>(n), p + f.offset);
            else
                qToLittleEndian(static_cast<qint16>(n), p + f.offset);
            break;
        }
        case BlockField::Money:
            qToLittleEndian(v.isNull() ? qint64(0) : v.toCurrency().raw(), p + f.offset);
            break;
        case BlockField::Text: {
            bool changed = false;
            const QByteArray bytes = v.isNull() ? QByteArray() : codec.encode(v.toString(), &changed);
            if (changed && lossy)
                *lossy << QString::fromLatin1(f.column);
            // Whole characters only: one the field cannot hold all of is a blank.
            int n = 0;
            while (n < bytes.size() && n + charBytes(bytes, n) <= f.length)
                n += charBytes(bytes, n);
            std::copy(bytes.constData(), bytes.constData() + n, p + f.offset);
            break;
        }
        }
    }
    p[390] = '\r';
    p[391] = '\n';
    return rec;
}

std::vector<Value> decodeBlockRecord(Cp932 &codec, const char *record)
{
    auto fail = [](const QString &reason, bool broken = false) { throw BlockFileError(0, reason, broken); };
    if (record[390] != '\r' || record[391] != '\n')
        fail(QStringLiteral("レコードの終わりに CR LF がありません"), true);
    const auto &fields = blockFields();
    std::vector<Value> values;
    values.reserve(fields.size());
    bool pathEnded = false;
    for (const BlockField &f : fields) {
        const char *at = record + f.offset;
        switch (f.kind) {
        case BlockField::Long: {
            const qint32 key = qFromLittleEndian<qint32>(at);
            // Keys are positive down the row's path and 0 after it.
            if (key < 0 || (key != 0 && pathEnded) || (key == 0 && f.offset == 0))
                fail(QStringLiteral("キー %1 (%2) は行の位置として正しくありません").arg(QLatin1String(f.column)).arg(key));
            pathEnded = pathEnded || key == 0;
            values.emplace_back(qint64(key));
            break;
        }
        case BlockField::Short: {
            const qint16 n = qFromLittleEndian<qint16>(at);
            if (qstrcmp(f.column, "lvl") == 0 && (n < 1 || n > 8))
                fail(QStringLiteral("階層 (lvl) %1 は 1 から 8 の範囲にありません").arg(n));
            values.emplace_back(qint64(n));
            break;
        }
        case BlockField::Money:
            values.emplace_back(Currency::fromRaw(qFromLittleEndian<qint64>(at)));
            break;
        case BlockField::Text: {
            // The bytes the column keeps; a double-byte character cut by that
            // width (or by the field's own end) reads as a blank.
            QByteArray bytes(at, f.keep);
            int n = 0;
            while (n < bytes.size() && n + charBytes(bytes, n) <= bytes.size())
                n += charBytes(bytes, n);
            bytes.replace(n, bytes.size() - n, QByteArray(bytes.size() - n, ' '));
            QString text;
            if (!codec.decode(bytes, &text))
                fail(QStringLiteral("%1 の文字が Shift-JIS の文字ではありません").arg(QLatin1String(f.column)));
            values.emplace_back(text);
            break;
        }
        }
    }
    return values;
}

BlockFileReader::BlockFileReader(QIODevice &in) : in_(in) {}

bool BlockFileReader::next(std::vector<Value> &values)
{
    char buf[kBlockRecordSize];
    const qint64 got = in_.read(buf, kBlockRecordSize);
    if (got < 0)
        throw BlockFileError(record_ + 1, in_.errorString());
    if (got == 0 || (got < kBlockRecordSize && record_ > 0))
        return false;
    ++record_;
    if (got < kBlockRecordSize)
        throw BlockFileError(record_, QStringLiteral("%1 バイトしかなく、ブロックファイルのレコード (392 バイト) になりません")
                                          .arg(got));
    try {
        values = decodeBlockRecord(codec_, buf);
    } catch (const BlockFileError &e) {
        throw BlockFileError(record_, e.reason(), e.broken());
    }
    return true;
}

namespace {
// `error` is errno as the failing call left it: for a write cut short by a
// full disk Qt's own text says no more than "Unknown error".
[[noreturn]] void writeFailed(const QSaveFile &file, int error)
{
    throw BlockFileError(0, writeFailure(error, file.errorString()));
}
}  // namespace

BlockFileWriter::BlockFileWriter(const QString &path) : file_(std::make_unique<QSaveFile>(path))
{
    errno = 0;
    if (!file_->open(QIODevice::WriteOnly))
        writeFailed(*file_, errno);
}

BlockFileWriter::~BlockFileWriter() = default;

void BlockFileWriter::add(const QByteArray &record)
{
    errno = 0;
    if (file_->write(record) != record.size())
        writeFailed(*file_, errno);
}

void BlockFileWriter::commit()
{
    errno = 0;
    if (!commitWhole(*file_))
        writeFailed(*file_, errno);
}

}  // namespace rz
