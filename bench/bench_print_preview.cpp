// The print preview of a long report written as a PDF: the columns measured
// over a sample, every row painted once. Its own program, as painting text
// needs a GUI application (run offscreen).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <filesystem>
#include <string>

#include "reports/print/print_preview.h"

namespace qdx::bench {
namespace {

// A downline-like table of `rows` rows with texts of varying length.
ReportTable long_table(size_t rows) {
    ReportTable t;
    t.caption = "Downline of the Affiliate with ID= 0  Report";
    t.setHeader(" Sub-level  |  ID |Name     |Surname  | E-mail    |Phone  ");
    for (size_t k = 1; k <= rows; ++k) {
        const std::string id = std::to_string(k);
        t.appendTextRow({std::to_string(k % 12 + 1), id, "Name" + id, "Surname" + id,
                         "affiliate" + id + "@example.com", "+49 30 5555 " + id});
    }
    t.setPrintLayout({0, 7, 14, 25, 50, 65}, 6);
    return t;
}

void BM_PrintPreviewToPdf(benchmark::State& st) {
    const ReportTable table = long_table(static_cast<size_t>(st.range(0)));
    const auto folder = std::filesystem::temp_directory_path() / "qdx_bench_preview";
    std::filesystem::create_directories(folder);
    AppState state(folder);
    int pages = 0;
    for (auto _ : st) pages = print_preview_to_pdf(table, state, folder / "preview.pdf").pages;
    st.counters["pages"] = pages;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_PrintPreviewToPdf)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace qdx::bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
