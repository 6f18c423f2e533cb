// `rz90 import OLD.mdb [NEW.mdb]`: converting an estimate file of the old Jet
// format from the command line, with the conversion the windows use.
#pragma once
#include <QStringList>
#include <QTextStream>

namespace rz {

enum ImportExit {
    ImportOk = 0,
    ImportUsage = 2,        // missing or extra words
    ImportNoFile = 3,       // OLD is missing or no Jet file
    ImportCannotWrite = 5,  // NEW exists or its folder cannot be written
    ImportFailed = 7,       // OLD is damaged, protected or of another schema; nothing was made
    ImportCancelled = 9,    // interrupted (Ctrl+C, SIGTERM, SIGHUP); nothing was made
};

bool isImportCommand(int argc, char **argv);

// args are the words after "import". Without NEW the converted file goes
// beside OLD under a name that says so. The summary goes to out, failures to
// err. Returns an exit code.
int runImport(const QStringList &args, QTextStream &out, QTextStream &err);

}  // namespace rz
