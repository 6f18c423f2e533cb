// The block file: one item row per record of 392 bytes, no header, numbers
// little-endian, Currency as a 64-bit count of ten-thousandths, texts as
// Shift-JIS (code page 932) padded with blanks, CR LF at the end of each
// record. The editor, the tests and the fuzz target all read and write it
// through this file; it knows nothing of windows or of the estimate file.
#pragma once
#include "store/value.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <vector>

class QIODevice;
class QSaveFile;

namespace rz {

constexpr int kBlockRecordSize = 392;

// One field of a record: the item column it carries, where it lies, and for
// a text how many bytes of it a reading keeps (the column's width).
struct BlockField {
    enum Kind { Long, Short, Money, Text };
    const char *column;
    int offset, length;
    Kind kind;
    int keep;
};
// Every field in the order of the record (curC is not carried).
const std::vector<BlockField> &blockFields();

// A failure of reading or writing a block file. `record` is the 1-based
// number of the record at fault, 0 for the file as a whole; `broken` marks
// a record without its CR LF.
class BlockFileError : public std::runtime_error {
public:
    BlockFileError(int record, const QString &reason, bool broken = false)
        : std::runtime_error(reason.toStdString()), record_(record), reason_(reason), broken_(broken) {}
    int record() const { return record_; }
    const QString &reason() const { return reason_; }
    bool broken() const { return broken_; }

private:
    int record_;
    QString reason_;
    bool broken_;
};

// Texts to and from code page 932 through iconv.
class Cp932 {
public:
    Cp932();  // throws BlockFileError when the system lacks the code page
    ~Cp932();
    Cp932(const Cp932 &) = delete;
    Cp932 &operator=(const Cp932 &) = delete;
    // Characters the code page lacks become "？" and control characters
    // blanks; either sets *lossy.
    QByteArray encode(const QString &text, bool *lossy);
    // False when the bytes are not Shift-JIS text (control bytes included).
    bool decode(const QByteArray &bytes, QString *text);
    // A whole text file, line breaks and all; false at the first byte that
    // is no Shift-JIS (its position in *failedAt, -1 at a cut character).
    bool decodeFile(const QByteArray &bytes, QString *text, int *failedAt);

private:
    void *to_, *from_;
};

// The record of one row: `values` in blockFields() order (Null writes blanks
// or 0). Texts are cut to their field; a double-byte character the cut
// would split is written as a blank. `lossy` receives the columns whose
// text the code page cannot hold as it is. Throws OverflowError for a
// number its field cannot hold.
QByteArray encodeBlockRecord(Cp932 &codec, const std::vector<Value> &values, QStringList *lossy);

// The values of one record of kBlockRecordSize bytes, in blockFields()
// order, texts cut to the bytes a reading keeps. Throws BlockFileError
// (record 0) for anything that is not a sound row: no CR LF, a depth outside
// 1 to 8, keys that are negative or do not form a path, bytes that are not
// Shift-JIS text.
std::vector<Value> decodeBlockRecord(Cp932 &codec, const char *record);

// Reads a block file record by record.
class BlockFileReader {
public:
    explicit BlockFileReader(QIODevice &in);
    // The next record; false at the end of the file. A trailing piece shorter
    // than a record is passed over, unless the file holds nothing else.
    // Throws BlockFileError naming the record.
    bool next(std::vector<Value> &values);
    int record() const { return record_; }

private:
    QIODevice &in_;
    Cp932 codec_;
    int record_ = 0;
};

// Writes a block file whole or not at all: the records go into a temporary
// file beside `path`, which replaces it only on commit(); without commit
// nothing of it stays. Throws BlockFileError with the system's reason.
class BlockFileWriter {
public:
    explicit BlockFileWriter(const QString &path);
    ~BlockFileWriter();
    void add(const QByteArray &record);
    void commit();

private:
    std::unique_ptr<QSaveFile> file_;
};

}  // namespace rz
