// The estimate-file dialog of the program: one call per purpose (mode), each
// with its own title and open/save kind, always starting in the program folder.
#pragma once
#include "ui/prompts.h"

#include <QString>

namespace rz {

// Dialog filter for estimate files and connection files (NAME.rzdb).
QString estimateFileFilter();

// The dialog settings for a mode: modes 0..9 open an existing file, modes
// above 9 save. `DB_Path1` is shown in the title of mode 2.
FileDialogRequest fileDialogForMode(int mode, const QString &programFolder, const QString &DB_Path1);

// Shows the dialog of the mode and returns the chosen path, or "" when the
// user cancelled. The program folder becomes the current directory first.
QString sb_SelFile(int mode, Prompts &prompts, const QString &programFolder, const QString &DB_Path1);

}  // namespace rz
