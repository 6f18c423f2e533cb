// Opening an estimate file of the old Jet format: the user is asked, the file
// is converted into a new estimate file beside it, and the work goes on with
// that file. The Jet file itself is never changed.
#pragma once
#include "legacy/jetimport.h"

#include <QString>
#include <functional>

namespace rz {

class Prompts;

// Asks whether to convert jetPath (and where the copy goes, when the file's
// folder cannot be written), converts it with a progress window made
// by progressWindow (which may give none), and tells the user the summary or
// why nothing was made. Returns the converted file, or "" when the user said
// no, cancelled, or the file could not be converted.
QString askToConvertJetFile(const QString &jetPath, Prompts &prompts,
                            const std::function<ConversionProgress()> &progressWindow);

}  // namespace rz
