// libFuzzer target for the workbook reader. An input starting with "PK" is
// taken as a workbook file as it is. Any other input is split at NUL bytes
// into the parts of a workbook (package relationships, workbook, workbook
// relationships, sheet, shared strings) and packed, uncompressed, into one:
// the mutations then reach the XML the reader walks instead of dying in the
// compressed data of the zip.
#include "blocks/xlsxbook.h"

#include <zip.h>

#include <cstdint>
#include <cstring>

namespace {

QByteArray packParts(const QByteArray &input)
{
    static const char *const names[] = {"_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                        "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"};
    const QList<QByteArray> parts = input.split('\0');
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *z = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
    zip_error_fini(&error);
    if (!z) {
        if (buffer)
            zip_source_free(buffer);
        return QByteArray();
    }
    zip_source_keep(buffer);
    for (int i = 0; i < parts.size() && i < 5; ++i) {
        zip_source_t *src = zip_source_buffer(z, parts[i].constData(), zip_uint64_t(parts[i].size()), 0);
        const zip_int64_t index = src ? zip_file_add(z, names[i], src, 0) : -1;
        if (index < 0) {
            if (src)
                zip_source_free(src);
            continue;
        }
        zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    QByteArray out;
    if (zip_close(z) == 0 && zip_source_open(buffer) == 0) {
        char chunk[65536];
        for (zip_int64_t n; (n = zip_source_read(buffer, chunk, sizeof chunk)) > 0;)
            out.append(chunk, qsizetype(n));
        zip_source_close(buffer);
    } else {
        zip_discard(z);
    }
    zip_source_free(buffer);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const rz::XlsxBook book = rz::XlsxBook::fromBytes(input.startsWith("PK") ? input : packParts(input));
        // What a reading of fifty rows takes from the sheet.
        const rz::XlsxPos at = book.activeCell();
        size_t chars = 0;
        for (int r = 0; r < 50; ++r)
            for (int c = 0; c < 7; ++c)
                chars += size_t(book.cell(at.row + r, at.col + c).shown().size());
        if (chars > size_t(1) << 40)
            __builtin_trap();  // never: keeps the reads from being optimised away
    } catch (const rz::XlsxError &) {
        // A refusal with its reason is the expected end of a damaged workbook.
    }
    return 0;
}
