// The start-up sequence: splash, program folder, main window, login.
#pragma once
#include <functional>
#include <memory>

class QIcon;

namespace rz {

class Prompts;
class frmMain;
struct Shared;

// Gives every window the program's icon, shows the splash for `splashMs`, makes the program folder the current
// directory, shows the main window where it was last time and asks `login`
// (modal; false = Cancel). Returns the main window with the focus on its first
// button, or nullptr when the login was cancelled: the program then ends at
// once, storing nothing.
// The program's own icon (an estimate sheet with a yen sign), for every window.
QIcon programIcon();

std::unique_ptr<frmMain> Main(Shared &shared, Prompts &prompts, const std::function<bool()> &login,
                              int splashMs = 2000);

}  // namespace rz
