// libFuzzer target for the block file reader: any bytes as a block file. A
// record the reader accepts must come back unchanged through the writer and
// the reader again, and must need no change to be written.
#include "blocks/blockfile.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static rz::Cp932 codec;
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    std::vector<rz::Value> values;
    try {
        rz::BlockFileReader reader(in);
        while (reader.next(values)) {
            QStringList lossy;
            const QByteArray again = rz::encodeBlockRecord(codec, values, &lossy);
            if (!lossy.isEmpty() || again.size() != rz::kBlockRecordSize ||
                rz::decodeBlockRecord(codec, again.constData()) != values)
                std::abort();
        }
    } catch (const rz::BlockFileError &) {
        // A refused record is the answer to a damaged file.
    }
    return 0;
}
