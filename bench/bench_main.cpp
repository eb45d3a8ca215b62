#include <benchmark/benchmark.h>

// The one main of the benchmark program; each bench_*.cpp registers its own.
BENCHMARK_MAIN();
