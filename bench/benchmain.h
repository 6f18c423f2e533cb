// Registry of the benchmarks built into rz90-bench: each registers a function
// and `rz90-bench NAME...` runs the ones named (all when none is).
#pragma once
#include <QString>
#include <functional>
#include <vector>

namespace rzbench {
using BenchFn = std::function<int(const QStringList &args)>;
int registerBench(const char *name, BenchFn fn);

// Milliseconds `work` takes once.
double timeOnce(const std::function<void()> &work);
// Median of `runs` timings of `work` in milliseconds.
double medianMs(int runs, const std::function<void()> &work);
// Peak resident memory of this process so far, in MiB.
double peakMiB();

// Smallest, median and largest of some timings.
struct Spread {
    double min = 0, median = 0, max = 0;
};
Spread spread(std::vector<double> samples);

// One goal of the benchmarks beside its figure: "label  min / median / max
// unit  goal <= g (median / goal = r)  ok", or "MISSED" when the median does
// not meet it. `atMost` false for a goal that is a least value (pages per
// second). Returns whether the goal is met.
bool reportGoal(const QString &label, const Spread &figure, const QString &unit, double goal, bool atMost = true);
// A figure without a goal, in the same layout.
void reportFigure(const QString &label, const Spread &figure, const QString &unit);
}  // namespace rzbench

#define RZ_BENCH(name, fn) static const int rzBench_##name = rzbench::registerBench(#name, fn);
