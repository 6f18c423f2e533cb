// What the program does with the words it was started with: run a command
// without windows, print the usage or the version, refuse a word it does not
// know (exit 2 with the usage), or go on to the windows.
#pragma once
#include <optional>

namespace rz {

// Exit code for an unknown command or option.
inline constexpr int CommandLineUsage = 2;

// Runs what the command line asks for and returns the exit code; nullopt when
// the windows are to start (the words left are options Qt takes for them).
// Call before any application object exists: a command makes its own.
std::optional<int> runCommandLine(int &argc, char **argv);

}  // namespace rz
