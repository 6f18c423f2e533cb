// What the command line offers, kept in one table: `rz90 --help`, each
// command's --help and the manual page are all written from it, so they
// cannot tell the user different things.
#pragma once
#include <QString>
#include <vector>

namespace rz {

struct OptionHelp {
    QString names;  // "--kind", "-h, --help", or an operand such as "FILE.mdb"
    QString value;  // what follows the option ("estimate|budget|cover"), or empty
    QString text;
};

struct ExitHelp {
    int code;
    QString meaning;
};

struct CommandHelp {
    QString name;      // the command word; empty for the program without a command
    QString synopsis;  // the words after the command
    QString summary;
    std::vector<OptionHelp> options;
    std::vector<ExitHelp> exits;
};

// The program without a command (its windows), then every command.
const std::vector<CommandHelp> &commandHelp();

// The lines of the usage that name every command.
QString synopsisText();
// `rz90 --help`: every command with its options and exit codes.
QString usageText();
// `rz90 COMMAND --help`: that command alone.
QString usageText(const CommandHelp &command);

// The manual page's SYNOPSIS, and its COMMANDS, OPTIONS and EXIT STATUS
// sections, in roff.
QString manualSynopsis();
QString manualCommands();

}  // namespace rz
