// The command line's table and the texts written from it: the usage for the
// terminal and the sections of the manual page.
#include "commandhelp.h"

#include "legacy/importcommand.h"
#include "print/batchprint.h"
#include "storecommand.h"

#include <QStringList>

namespace rz {

namespace {
constexpr int kWidth = 79, kOptionColumn = 26;

QString qs(const char *utf8) { return QString::fromUtf8(utf8); }

// Columns a word takes on a terminal: Japanese characters take two.
int columns(const QString &word)
{
    int n = 0;
    for (const QChar c : word)
        n += c.unicode() >= 0x2e80 ? 2 : 1;
    return n;
}

// `text` cut into lines of at most kWidth at blanks, each line after
// `indent` blanks; the first line continues what stands before it.
QString wrapped(const QString &text, int indent, int firstColumn)
{
    QString out;
    int column = firstColumn;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (column > indent && column + 1 + columns(word) > kWidth) {
            out += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (column > indent) {
            out += u' ';
            ++column;
        }
        out += word;
        column += columns(word);
    }
    return out;
}

QString invocation(const CommandHelp &c)
{
    QString line = QStringLiteral("rz90");
    if (!c.name.isEmpty())
        line += u' ' + c.name;
    return c.synopsis.isEmpty() ? line : line + u' ' + c.synopsis;
}

// Roff text: a backslash and a minus written as roff wants them, and a line
// never starting with a control character.
QString roff(const QString &text)
{
    QString t = text;
    t.replace(u'\\', QStringLiteral("\\e")).replace(u'-', QStringLiteral("\\-"));
    if (t.startsWith(u'.') || t.startsWith(u'\''))
        t.prepend(QStringLiteral("\\&"));
    return t;
}

QString exitCodes(const CommandHelp &c)
{
    QString out = QStringLiteral("  exit codes:\n");
    for (const ExitHelp &e : c.exits)
        out += QStringLiteral("    %1  ").arg(e.code, 2) + wrapped(e.meaning, 8, 8) + u'\n';
    return out;
}
}  // namespace

const std::vector<CommandHelp> &commandHelp()
{
    static const std::vector<CommandHelp> table{
        {QString(), QStringLiteral("[QT-OPTIONS]"),
         qs("Without a command rz90 starts the windows of 見積書作成システム: the login, the main window and "
            "from there the estimate list, the breakdown editor, printing and the transfer window."),
         {{QStringLiteral("-h, --help"), QString(), QStringLiteral("print this usage and exit")},
          {QStringLiteral("-V, --version"), QString(), QStringLiteral("print the version and exit")},
          {QStringLiteral("QT-OPTIONS"), QString(),
           QStringLiteral("Qt's own options for the windows, such as -platform NAME, -style NAME, -reverse")}},
         {{0, QStringLiteral("the windows were closed, or the usage or the version was printed")},
          {2, QStringLiteral("an unknown command or option; the usage is printed on the standard error")}}},
        {QStringLiteral("print"), QStringLiteral("FILE.mdb --estimate KEY --pdf OUT.pdf [OPTIONS]"),
         QStringLiteral("Prints one estimate of an estimate file to a PDF file, without windows, as 印刷 (F8) "
                        "prints it. Needs no display. FILE.mdb may be a connection file NAME.rzdb (see rz90 store)."),
         {{QStringLiteral("--estimate"), QStringLiteral("KEY"),
           QStringLiteral("the estimate's number (64 for its item table TBL00064); required")},
          {QStringLiteral("--pdf"), QStringLiteral("OUT.pdf"), QStringLiteral("the PDF file to write; required")},
          {QStringLiteral("--kind"), QStringLiteral("estimate|budget|cover|cover-detail"),
           qs("見積, 見積＋予算, 表紙 or 表紙（詳細） (default estimate)")},
          {QStringLiteral("--paper"), QStringLiteral("a4|b5"), QStringLiteral("landscape paper (default b5)")},
          {QStringLiteral("--range"), QStringLiteral("full|top"),
           qs("内訳＋明細, every level, or 内訳, the top level (default full)")},
          {QStringLiteral("--start-page"), QStringLiteral("N|none"),
           QStringLiteral("the number of the first page, or none for pages without numbers (default 1)")},
          {QStringLiteral("--company"), QStringLiteral("NAME"),
           QStringLiteral("the company name to print (default: the one kept with the estimate)")},
          {QStringLiteral("--no-quantities"), QString(), QStringLiteral("leave the quantities out")},
          {QStringLiteral("--no-prices"), QString(), QStringLiteral("leave the unit prices and amounts out")},
          {QStringLiteral("--no-remarks"), QString(), QStringLiteral("leave the remarks out")},
          {QStringLiteral("-h, --help"), QString(), QStringLiteral("print this command's usage and exit")}},
         {{BatchOk, QStringLiteral("the PDF was written")},
          {BatchUsage, QStringLiteral("a missing, unknown or bad option")},
          {BatchNoFile, QStringLiteral("FILE.mdb is missing or not an estimate file")},
          {BatchNoEstimate, QStringLiteral("no estimate KEY in the file, or its item table is missing")},
          {BatchWriteFailed, QStringLiteral("the PDF could not be written")},
          {BatchNothing, QStringLiteral("the estimate has no rows to print; no PDF is written")},
          {BatchDamaged,
           QStringLiteral("the file is damaged or holds a value its column cannot hold; no PDF is written")},
          {BatchJetFile, QStringLiteral("FILE.mdb is in the old Jet format: convert it first with rz90 import")}}},
        {QStringLiteral("import"), QStringLiteral("OLD.mdb [NEW.mdb]"),
         qs("Converts an estimate file of the old Jet format into a new estimate file; OLD.mdb is only read. The "
            "new file appears only when it was written whole and checked, and never replaces a file."),
         {{QStringLiteral("OLD.mdb"), QString(), QStringLiteral("the Jet estimate file")},
          {QStringLiteral("NEW.mdb"), QString(),
           qs("the file to make, or a connection file NEW.rzdb whose schema is not yet on its server (default: "
              "beside OLD.mdb, NAME_変換.mdb, or NAME_変換(2).mdb when that is taken)")},
          {QStringLiteral("-h, --help"), QString(), QStringLiteral("print this command's usage and exit")}},
         {{ImportOk, QStringLiteral("converted; what was converted and left out is printed")},
          {ImportUsage, QStringLiteral("missing or extra words")},
          {ImportNoFile, QStringLiteral("OLD.mdb is missing or not a Jet file")},
          {ImportCannotWrite, QStringLiteral("NEW.mdb exists or its folder cannot be written")},
          {ImportFailed, QStringLiteral("OLD.mdb is damaged, protected by a password or of another schema; "
                                        "nothing was made")},
          {ImportCancelled, QStringLiteral("interrupted (Ctrl+C); nothing was made")}}},
        {QStringLiteral("store"), QStringLiteral("copy SRC DST"),
         qs("Copies a whole estimate file from one store to another: an estimate file (.mdb) onto a server, "
            "from a server into a new estimate file, or between two servers or two files. A server store is "
            "named by its connection file NAME.rzdb: a group [server] with the connection keywords (host, port, "
            "dbname, user, sslmode, service) and schema; never a password, which comes from ~/.pgpass or the "
            "service file. The copy appears only when it was written whole and checked (rows and amount totals "
            "of every table); SRC is only read."),
         {{QStringLiteral("SRC"), QString(), QStringLiteral("the estimate file or connection file to copy")},
          {QStringLiteral("DST"), QString(),
           QStringLiteral("a new estimate file, or a connection file whose schema is not yet on its server")},
          {QStringLiteral("-h, --help"), QString(), QStringLiteral("print this command's usage and exit")}},
         {{StoreOk, QStringLiteral("copied; what was copied is printed")},
          {StoreUsage, QStringLiteral("missing or extra words")},
          {StoreNoSource, QStringLiteral("SRC is missing or not an estimate file, or its server cannot be reached")},
          {StoreCannotWrite, QStringLiteral("DST exists, its folder cannot be written, its connection file is "
                                            "missing, or its server cannot be reached")},
          {StoreFailed, QStringLiteral("the copy failed or its check found it unlike SRC; nothing was made")},
          {StoreCancelled, QStringLiteral("interrupted (Ctrl+C); nothing was made")}}},
    };
    return table;
}

QString usageText(const CommandHelp &c)
{
    QString out = invocation(c) + u'\n' + QStringLiteral("  ") + wrapped(c.summary, 2, 2) + u'\n';
    for (const OptionHelp &o : c.options) {
        const QString head = QStringLiteral("  ") + o.names + (o.value.isEmpty() ? QString() : u' ' + o.value);
        out += head.size() < kOptionColumn ? head.leftJustified(kOptionColumn) + wrapped(o.text, kOptionColumn, kOptionColumn)
                                           : head + u'\n' + QString(kOptionColumn, u' ') +
                                                 wrapped(o.text, kOptionColumn, kOptionColumn);
        out += u'\n';
    }
    return out + exitCodes(c);
}

QString synopsisText()
{
    QString out = QStringLiteral("usage: ");
    for (const CommandHelp &c : commandHelp())
        out += (c.name.isEmpty() ? QString() : QStringLiteral("       ")) + invocation(c) + u'\n';
    return out + QStringLiteral("       rz90 -h | --help | -V | --version\n");
}

QString usageText()
{
    QString out = synopsisText();
    for (const CommandHelp &c : commandHelp())
        out += u'\n' + usageText(c);
    return out + QStringLiteral("\nrz90 COMMAND --help prints the usage of one command.\n");
}

QString manualSynopsis()
{
    QString out;
    for (const CommandHelp &c : commandHelp()) {
        out += QStringLiteral(".B rz90") + (c.name.isEmpty() ? QString() : u' ' + c.name) + u'\n';
        if (!c.synopsis.isEmpty())
            out += roff(c.synopsis) + u'\n';
        out += QStringLiteral(".br\n");
    }
    return out + QStringLiteral(".B rz90\n\\-h | \\-\\-help | \\-V | \\-\\-version\n");
}

QString manualCommands()
{
    QString commands = QStringLiteral(".SH COMMANDS\n"), options, exits;
    for (const CommandHelp &c : commandHelp()) {
        QString items;
        for (const OptionHelp &o : c.options) {
            const bool operand = !o.names.startsWith(u'-');
            items += QStringLiteral(".TP\n") + (operand ? QStringLiteral("\\fI") : QStringLiteral("\\fB")) +
                     roff(o.names) + QStringLiteral("\\fR") +
                     (o.value.isEmpty() ? QString() : QStringLiteral(" \\fI") + roff(o.value) + QStringLiteral("\\fR")) +
                     u'\n' + roff(o.text) + u'\n';
        }
        QString codes;
        for (const ExitHelp &e : c.exits)
            codes += QStringLiteral(".TP\n.B %1\n").arg(e.code) + roff(e.meaning) + u'\n';
        if (c.name.isEmpty()) {
            options = QStringLiteral(".SH OPTIONS\n") + items;
            exits = QStringLiteral(".SH EXIT STATUS\n") + roff(QStringLiteral("Without a command:")) + u'\n' + codes;
        } else {
            commands += QStringLiteral(".SS \"%1\"\n").arg(roff(invocation(c))) + roff(c.summary) + u'\n' + items;
            exits += QStringLiteral(".PP\n") + roff(QStringLiteral("rz90 %1:").arg(c.name)) + u'\n' + codes;
        }
    }
    return commands + options + exits;
}

}  // namespace rz
