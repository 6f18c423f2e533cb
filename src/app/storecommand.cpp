#include "storecommand.h"

#include "store/database.h"
#include "store/schema.h"
#include "store/storecopy.h"
#include "store/stopsignals.h"

#include <QFileInfo>
#include <unistd.h>

namespace rz {

int runStoreCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString me = QStringLiteral("rz90 store copy: ");
    auto fail = [&](const QString &text, int code) {
        err << me << text << '\n';
        err.flush();
        return code;
    };
    if (args.size() != 3 || args[0] != QLatin1String("copy") || args[1].startsWith(u'-') || args[2].startsWith(u'-')) {
        err << "usage: rz90 store copy SRC DST\n";
        err.flush();
        return StoreUsage;
    }
    const QString from = args[1], to = args[2];
    if (QFileInfo(from).isDir())
        return fail(QStringLiteral("'%1' is a folder; name an estimate file or a connection file").arg(from), StoreNoSource);
    if (!QFileInfo(from).isFile())
        return fail(QStringLiteral("file not found: %1").arg(from), StoreNoSource);
    try {
        if (!Database::open(from, OpenMode::ReadOnly)->tableExists(QString::fromLatin1(kIndexTable)))
            return fail(QStringLiteral("'%1' is not an estimate file (it has no RZTBLIDX table)").arg(from), StoreNoSource);
    } catch (const DbError &e) {
        return fail(e.description(), StoreNoSource);
    }
    QString why;
    switch (newStoreAt(to, &why)) {
    case NewStore::Free:
        break;
    case NewStore::Exists:
        return fail(QStringLiteral("'%1' exists already; it is never overwritten").arg(to), StoreCannotWrite);
    case NewStore::CannotWrite:
        return fail(QStringLiteral("cannot write into the folder of '%1'").arg(to), StoreCannotWrite);
    case NewStore::NoConnectionFile:
        return fail(QStringLiteral("connection file not found: %1 (write it first: a group [server] with the "
                                   "connection keywords and the schema to make)").arg(to),
                    StoreCannotWrite);
    case NewStore::Unusable:
        return fail(why, StoreCannotWrite);
    }

    // The progress line is for a person at a terminal; redirected output
    // gets the summary alone.
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    const StopSignalsNoted stopBetweenTables;
    try {
        const StoreCopySummary summary = copyEstimateStore(from, to, [&](int done, int total, const QString &table) {
            if (!terminal)
                return;
            err << '\r' << QStringLiteral("%1/%2 %3").arg(done).arg(total).arg(table).leftJustified(40);
            err.flush();
        });
        if (terminal) {
            err << '\n';
            err.flush();
        }
        out << summary.text(to) << '\n';
        out.flush();
    } catch (const StoreCopyCancelled &e) {
        return fail(e.description(), StoreCancelled);
    } catch (const DbError &e) {
        return fail(e.description(), StoreFailed);
    }
    return StoreOk;
}

}  // namespace rz
