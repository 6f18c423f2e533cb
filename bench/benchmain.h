// Registry of the benchmarks built into rz90-bench: each registers a function
// and `rz90-bench NAME...` runs the ones named (all when none is).
#pragma once
#include <QString>
#include <functional>

namespace rzbench {
using BenchFn = std::function<int(const QStringList &args)>;
int registerBench(const char *name, BenchFn fn);

// Median of `runs` timings of `work` in milliseconds.
double medianMs(int runs, const std::function<void()> &work);
// Peak resident memory of this process so far, in MiB.
double peakMiB();
}  // namespace rzbench

#define RZ_BENCH(name, fn) static const int rzBench_##name = rzbench::registerBench(#name, fn);
