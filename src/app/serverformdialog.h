// The dialog of the server form (serverform.h) and the password question:
// thin windows over the checks that live without widgets.
#pragma once
#include "serverform.h"

#include <optional>

class QWidget;

namespace rz {

// Shows the form until it names a valid connection or the user cancels.
std::optional<ServerLocation> askServerLocation(QWidget *parent, const ServerForm &proposed);

// Asks for the password of a server (its describe() text), shown as dots;
// nullopt when cancelled.
std::optional<QString> askServerPassword(QWidget *parent, const QString &server);

}  // namespace rz
