// Ctrl+C (SIGINT), kill (SIGTERM) and a closed terminal (SIGHUP) ask the
// program to stop. None of them may leave a file that is being created whole
// half-written beside its target: while such a creation runs they are only
// noted, and the creation stops at its next row and removes its part file. A
// second one ends the program at once. Signals the program was started to
// ignore (nohup) stay ignored.
#pragma once

namespace rz {

// The stop signal noted, or 0.
int stopSignal();

// For a command that ends by itself when asked: while this lives the signals
// are only noted, the work asks stopSignal() and ends with its own exit code.
// The earlier handlers come back when it goes.
class StopSignalsNoted {
public:
    StopSignalsNoted();
    ~StopSignalsNoted();
    StopSignalsNoted(const StopSignalsNoted &) = delete;
    StopSignalsNoted &operator=(const StopSignalsNoted &) = delete;
};

// For the windows, once: the signals end the program at once, as they always
// did, except while a whole file is being created: that creation stops and
// cleans up first, and the program ends by the signal when it is over.
void stopSignalsWaitForCreations();

// Held by the creation of a whole file from before its part file exists until
// the file has its name or is removed.
class WholeFileCreation {
public:
    WholeFileCreation();
    ~WholeFileCreation();
    WholeFileCreation(const WholeFileCreation &) = delete;
    WholeFileCreation &operator=(const WholeFileCreation &) = delete;
};

}  // namespace rz
