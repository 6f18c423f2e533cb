// rz90-bench: builds large estimate files in a temporary folder and times the
// work the targets name. Not a test: it prints figures and always exits 0
// unless a benchmark fails to run.
#include "benchmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QTextStream>
#include <algorithm>
#include <cstdlib>
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

double timeOnce(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
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

Spread spread(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    return {samples.front(), samples[samples.size() / 2], samples.back()};
}

static QString figureText(const QString &label, const Spread &f, const QString &unit)
{
    return QStringLiteral("%1 %2 / %3 / %4 %5")
        .arg(label.leftJustified(46), QString::number(f.min, 'f', 1), QString::number(f.median, 'f', 1),
             QString::number(f.max, 'f', 1), unit);
}

void reportFigure(const QString &label, const Spread &figure, const QString &unit)
{
    QTextStream(stdout) << figureText(label, figure, unit) << Qt::endl;
}

bool reportGoal(const QString &label, const Spread &figure, const QString &unit, double goal, bool atMost)
{
    const bool met = atMost ? figure.median <= goal : figure.median >= goal;
    QTextStream(stdout) << figureText(label, figure, unit).leftJustified(84) << "  goal " << (atMost ? "<= " : ">= ")
                        << goal << " (median / goal = " << QString::number(figure.median / goal, 'f', 2) << ")  "
                        << (met ? "ok" : "MISSED") << Qt::endl;
    return met;
}
}  // namespace rzbench

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList names = app.arguments().mid(1);
    int failed = 0;
    if (names.isEmpty()) {
        // Each benchmark in a process of its own, so that its peak memory is
        // its own.
        for (const auto &e : rzbench::registry())
            failed += QProcess::execute(app.applicationFilePath(), {QString::fromLatin1(e.name)}) != 0;
        return failed;
    }
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    for (const auto &e : rzbench::registry()) {
        if (!names.contains(QString::fromLatin1(e.name)))
            continue;
        QTextStream(stdout) << "== " << e.name << " (load average " << load[0] << " on " << QThread::idealThreadCount()
                            << " cores; figures are min / median / max of three runs, goals judged on the median)"
                            << Qt::endl;
        failed += e.fn(names) != 0;
    }
    return failed;
}
