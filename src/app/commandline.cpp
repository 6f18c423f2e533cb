// The command line: commands, --help, --version and the options Qt takes for
// the windows, decided before any application object exists so that the
// usage and the version need no display.
#include "commandline.h"

#include "commandhelp.h"
#include "legacy/importcommand.h"
#include "print/batchprint.h"
#include "storecommand.h"
#include "store/serverlocation.h"
#include "version.h"

#include <QApplication>
#include <QTextStream>
#include <cstring>

namespace rz {

namespace {

// A command runs with the words after its name; it makes the application
// object it needs (printing measures text with the screen's fonts).
struct Command {
    const char *name;
    int (*run)(int &argc, char **argv);
};

int printCommand(int &argc, char **argv)
{
    prepareBatchPrintPlatform();
    QApplication app(argc, argv);
    QTextStream err(stderr);
    return runBatchPrint(QCoreApplication::arguments().mid(2), err);
}

int importCommand(int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    return runImport(QCoreApplication::arguments().mid(2), out, err);
}

int storeCommand(int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    return runStoreCommand(QCoreApplication::arguments().mid(2), out, err);
}

const Command kCommands[] = {{"print", printCommand}, {"import", importCommand}, {"store", storeCommand}};

// A command never asks for a password (it may run unattended): a server
// that wants one is told at once, and the connection fails instead of waiting.
std::optional<QString> noPasswordOnTheCommandLine(const QString &server)
{
    QTextStream(stderr) << QStringLiteral("rz90: the server %1 asks for a password; a command reads it only from "
                                          "~/.pgpass or the service file (PGPASSFILE, PGSERVICEFILE)\n")
                               .arg(server);
    return std::nullopt;
}

// The options of QGuiApplication and QApplication that a user may give the
// windows: whether a value follows as the next word, and whether Qt also
// reads it after "=" (only the style options).
struct QtOption {
    const char *name;
    bool valued;
    bool inlineValue;
};
const QtOption kQtOptions[] = {
    {"platform", true, false}, {"platformpluginpath", true, false}, {"platformtheme", true, false},
    {"plugin", true, false}, {"qwindowgeometry", true, false}, {"qwindowicon", true, false},
    {"qwindowtitle", true, false}, {"session", true, false}, {"display", true, false},
    {"geometry", true, false}, {"style", true, true}, {"stylesheet", true, true},
    {"reverse", false, false}, {"widgetcount", false, false}, {"nograb", false, false}, {"dograb", false, false},
};

bool isOneOf(const char *word, const char *a, const char *b)
{
    return std::strcmp(word, a) == 0 || std::strcmp(word, b) == 0;
}

int print(FILE *stream, const QString &text, int code)
{
    QTextStream(stream) << text;
    return code;
}

int refuse(const QString &what)
{
    // The synopsis, not the whole usage: the reason must stay in sight.
    return print(stderr,
                 QStringLiteral("rz90: ") + what + QStringLiteral("\n") + synopsisText() +
                     QStringLiteral("rz90 --help prints every command with its options and exit codes.\n"),
                 CommandLineUsage);
}

const CommandHelp *helpOf(const char *name)
{
    for (const CommandHelp &c : commandHelp())
        if (c.name == QLatin1String(name))
            return &c;
    return nullptr;
}

}  // namespace

std::optional<int> runCommandLine(int &argc, char **argv)
{
    if (argc > 1 && argv[1][0] != '-') {
        for (const Command &c : kCommands) {
            if (std::strcmp(argv[1], c.name) != 0)
                continue;
            // A command's --help anywhere among its words, written from the
            // same table as the program's usage.
            for (int i = 2; i < argc; ++i)
                if (isOneOf(argv[i], "-h", "--help"))
                    if (const CommandHelp *help = helpOf(c.name))
                        return print(stdout, usageText(*help), 0);
            setPasswordProvider(noPasswordOnTheCommandLine);
            return c.run(argc, argv);
        }
        return refuse(QStringLiteral("unknown command '%1'").arg(QString::fromLocal8Bit(argv[1])));
    }
    for (int i = 1; i < argc; ++i) {
        const char *word = argv[i];
        if (isOneOf(word, "-h", "--help"))
            return print(stdout, usageText(), 0);
        if (isOneOf(word, "-V", "--version"))
            return print(stdout, QStringLiteral("rz90 %1.%2.%3\n").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision), 0);
        // Qt reads its options with one dash or two.
        QByteArray name(word[0] == '-' ? word + (word[1] == '-' ? 2 : 1) : word);
        const qsizetype equals = name.indexOf('=');
        const bool inlineValue = equals >= 0;
        if (inlineValue)
            name.truncate(equals);
        const QtOption *known = nullptr;
        for (const QtOption &o : kQtOptions)
            if (word[0] == '-' && name == o.name && (!inlineValue || o.inlineValue))
                known = &o;
        const QString shown = QString::fromLocal8Bit(word);
        if (!known)
            return refuse(word[0] == '-' ? QStringLiteral("unknown option '%1'").arg(shown)
                                         : QStringLiteral("unexpected word '%1'").arg(shown));
        if (known->valued && !inlineValue && ++i >= argc)
            return refuse(QStringLiteral("option '%1' needs a value").arg(shown));
    }
    return std::nullopt;
}

}  // namespace rz
