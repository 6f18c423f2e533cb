// libFuzzer target for the Jet reader: any bytes as an estimate file of the
// old Jet format, read as the conversion reads it (header, table list, every
// table's definition and rows). libmdb opens a file by its name, so the input
// is written to a file in memory first. A damaged file must end in DbError,
// never in a crash inside the reader or libmdb.
#include "legacy/jetfile.h"
#include "legacy/jetreader.h"
#include "store/dberror.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int fd = memfd_create("jet", MFD_CLOEXEC);
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    // The conversion refuses what has no Jet header before the reader sees it.
    if (!rz::isJetFile(path))
        return 0;
    try {
        rz::JetReader jet(path);
        for (const QString &name : jet.tables()) {
            const rz::JetTableDef def = jet.table(name);
            jet.readRows(name, [&def](std::vector<rz::Value> &row) {
                if (row.size() != def.columns.size())
                    std::abort();
                return true;
            });
        }
    } catch (const rz::DbError &) {
        // A refused file is the answer to a damaged one.
    }
    return 0;
}
