#include "stopsignals.h"

#include <csignal>

namespace rz {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCount = sizeof kStopSignals / sizeof kStopSignals[0];

volatile std::sig_atomic_t noted = 0;
volatile std::sig_atomic_t creations = 0;
volatile std::sig_atomic_t onlyDuringCreations = 0;
struct sigaction previous[kCount];
bool installed[kCount] = {};

// Ends the program by sig as if no handler had been installed.
void endBy(int sig)
{
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

extern "C" void onStopSignal(int sig)
{
    if (noted != 0 || (onlyDuringCreations && creations == 0))
        endBy(sig);  // delivered once this handler returns
    else
        noted = sig;
}

void install()
{
    noted = 0;
    struct sigaction handler = {};
    handler.sa_handler = onStopSignal;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (int i = 0; i < kCount; ++i) {
        sigaction(kStopSignals[i], nullptr, &previous[i]);
        installed[i] = previous[i].sa_handler != SIG_IGN;
        if (installed[i])
            sigaction(kStopSignals[i], &handler, nullptr);
    }
}

}  // namespace

int stopSignal()
{
    return noted;
}

StopSignalsNoted::StopSignalsNoted()
{
    install();
}

StopSignalsNoted::~StopSignalsNoted()
{
    for (int i = 0; i < kCount; ++i)
        if (installed[i])
            sigaction(kStopSignals[i], &previous[i], nullptr);
}

void stopSignalsWaitForCreations()
{
    onlyDuringCreations = 1;
    install();
}

WholeFileCreation::WholeFileCreation()
{
    creations = creations + 1;
}

WholeFileCreation::~WholeFileCreation()
{
    creations = creations - 1;
    if (creations == 0 && onlyDuringCreations && noted != 0)
        endBy(noted);
}

}  // namespace rz
