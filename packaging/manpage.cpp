// Build tool: writes the manual page from its template, filling in the
// synopsis and the commands, options and exit codes from the table that also
// writes `rz90 --help`, so that the two never differ.
//   rz90-manpage TEMPLATE VERSION > rz90.1
#include "app/commandhelp.h"

#include <QFile>
#include <QTextStream>

int main(int argc, char **argv)
{
    QFile in(QString::fromLocal8Bit(argc > 1 ? argv[1] : ""));
    if (argc != 3 || !in.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "usage: rz90-manpage TEMPLATE VERSION\n";
        return 2;
    }
    QString page = QString::fromUtf8(in.readAll());
    page.replace(QStringLiteral("@VERSION@"), QString::fromLocal8Bit(argv[2]));
    page.replace(QStringLiteral("@SYNOPSIS@\n"), rz::manualSynopsis());
    page.replace(QStringLiteral("@COMMANDS@\n"), rz::manualCommands());
    QTextStream(stdout) << page;
    return 0;
}
