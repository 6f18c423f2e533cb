#include "importcommand.h"

#include "jetfile.h"
#include "jetimport.h"
#include "store/partfiles.h"
#include "store/storecopy.h"
#include "store/stopsignals.h"

#include <QFileInfo>
#include <cstring>

namespace rz {

bool isImportCommand(int argc, char **argv)
{
    return argc > 1 && std::strcmp(argv[1], "import") == 0;
}

int runImport(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString me = QStringLiteral("rz90 import: ");
    if (args.isEmpty() || args.size() > 2 || args.first().startsWith(QLatin1String("-"))) {
        err << "usage: rz90 import OLD.mdb [NEW.mdb]\n";
        err.flush();
        return args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h")) ? ImportOk : ImportUsage;
    }
    const QString from = args[0];
    const QString to = args.size() > 1 ? args[1] : convertedFileName(from);
    auto fail = [&](const QString &text, int code) {
        err << me << text << '\n';
        err.flush();
        return code;
    };
    const QFileInfo old(from);
    if (old.isDir())
        return fail(QStringLiteral("'%1' is a folder; name an estimate file of the old Jet format").arg(from), ImportNoFile);
    if (!old.exists())
        return fail(QStringLiteral("file not found: %1").arg(from), ImportNoFile);
    if (!old.isFile())
        return fail(QStringLiteral("'%1' is no plain file").arg(from), ImportNoFile);
    QString why;
    switch (jetFormatOf(from, &why)) {
    case JetFormat::Unreadable:
        return fail(QStringLiteral("cannot read '%1': %2").arg(from, why), ImportNoFile);
    case JetFormat::None:
        return fail(QStringLiteral("'%1' is not an estimate file in the old Jet format").arg(from), ImportNoFile);
    default:
        break;
    }
    QString unusable;
    switch (newStoreAt(to, &unusable)) {
    case NewStore::Free:
        break;
    case NewStore::Exists:
        return fail(QStringLiteral("'%1' exists already; it is never overwritten").arg(to), ImportCannotWrite);
    case NewStore::CannotWrite:
        return fail(QStringLiteral("cannot write into the folder of '%1'; name NEW in a folder you may write to").arg(to),
                    ImportCannotWrite);
    case NewStore::NoConnectionFile:
        return fail(QStringLiteral("connection file not found: %1").arg(to), ImportCannotWrite);
    case NewStore::Unusable:
        return fail(unusable, ImportCannotWrite);
    }

    // Ctrl+C, kill and a closed terminal stop the conversion between rows, so
    // the unfinished file can be removed.
    const StopSignalsNoted stopBetweenRows;
    try {
        const ConversionSummary summary = convertJetFile(from, to);
        out << summary.text() << '\n';
        out.flush();
    } catch (const ConversionCancelled &e) {
        return fail(e.description(), ImportCancelled);
    } catch (const DbError &e) {
        return fail(e.description(), ImportFailed);
    }
    return ImportOk;
}

}  // namespace rz
