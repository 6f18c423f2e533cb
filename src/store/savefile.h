#pragma once

#include <QSaveFile>

namespace rz {

// QSaveFile::commit() of Qt 6.4 puts the new file in place even when its last
// buffered bytes could not be written (disk full, a size limit), so a file cut
// short would replace the earlier one. Flushing first makes that a failure;
// the uncommitted temporary file is then removed and the earlier file stays.
inline bool commitWhole(QSaveFile &file)
{
    return file.flush() && file.commit();
}

}  // namespace rz
