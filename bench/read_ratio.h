#pragma once
// Each report row is held against the time one plain read of the same
// program's sales file takes: the counter "x_read" is the row's time over
// that read, so the figures compare across machines.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace qdx::bench {

// Seconds one read of the sales file of `appDir` takes (least of five,
// measured once per folder).
double one_sales_read(const std::filesystem::path& appDir);

// Runs `row` once per iteration, timing it on the wall clock (the work runs
// on every core); "least_ms" is the quickest run and "x_read" that run over
// one read of the sales of `appDir`.
template <class Row>
void time_row(benchmark::State& st, const std::filesystem::path& appDir, const Row& row) {
    const double read = one_sales_read(appDir);
    double least = 1e9;
    for (auto _ : st) {
        const auto start = std::chrono::steady_clock::now();
        row();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        st.SetIterationTime(took.count());
        least = std::min(least, took.count());
    }
    st.counters["least_ms"] = least * 1000;
    st.counters["x_read"] = least / read;
}

}  // namespace qdx::bench
