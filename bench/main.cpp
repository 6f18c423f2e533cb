// rz90-bench: builds large estimate files in a temporary folder and times the
// work the targets name. Not a test: it prints figures and always exits 0
// unless a benchmark fails to run.
#include "benchmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <sys/resource.h>
#include <vector>

namespace rzbench {
struct Entry {
    const char *name;
    BenchFn fn;
};
static std::vector<Entry> &registry()
{
    static std::vector<Entry> entries;
    return entries;
}
int registerBench(const char *name, BenchFn fn)
{
    registry().push_back({name, std::move(fn)});
    return static_cast<int>(registry().size());
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double peakMiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}
}  // namespace rzbench

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList names = app.arguments().mid(1);
    int failed = 0;
    for (const auto &e : rzbench::registry()) {
        if (!names.isEmpty() && !names.contains(QString::fromLatin1(e.name)))
            continue;
        QTextStream(stdout) << "== " << e.name << Qt::endl;
        failed += e.fn(names) != 0;
    }
    return failed;
}
