// What the user reads of a failure: what happened and what to do, in the
// program's own words, with the engine's text only as a second line. Every
// window's error message goes through here.
#pragma once
#include <QString>
#include <exception>

namespace rz {

QString failureText(const std::exception &e);

}  // namespace rz
