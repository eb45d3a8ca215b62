// The downline tree over a million affiliates: opening the whole network
// (the tree read once, downline sizes counted, the top rows made and their
// first screen shown), opening the node with the most referrals and a node
// of a million referrals, in the model and in the window; the sales and
// income worked out beside it; a find by name.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeView>
#include <filesystem>

#include "core/records.h"
#include "core/tree.h"
#include "core/ui/ui_context.h"
#include "generated_sets.h"
#include "reports/downline_tree.h"
#include "reports/ui/downline_tree_model.h"
#include "reports/ui/downline_tree_window.h"

namespace qdx::bench {
namespace {

using ui::DownlineTreeModel;

// Reads the cells of the first screen of rows under `parent`, as a view does.
void show_screen(const DownlineTreeModel& model, const QModelIndex& parent) {
    const int rows = std::min(model.rowCount(parent), 40);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < DownlineTreeModel::kColumnCount; ++c)
            benchmark::DoNotOptimize(model.index(r, c, parent).data());
}

std::shared_ptr<const DownlineTree> open_root(const AppState& state, DownlineTreeModel& model) {
    auto tree = std::make_shared<const DownlineTree>(DownlineTree::load(state));
    model.setTree(tree, 0, open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize));
    show_screen(model, {});
    return tree;
}

void BM_DownlineTreeOpenWholeNetwork(benchmark::State& st) {
    const AppState state = state_for(full_set());
    for (auto _ : st) {
        DownlineTreeModel model(state.regional);
        benchmark::DoNotOptimize(open_root(state, model));
        st.SetLabel(std::to_string(model.rowCount()) + " top rows");
    }
}
BENCHMARK(BM_DownlineTreeOpenWholeNetwork)->Unit(benchmark::kMillisecond)->Iterations(3);

// The affiliate with the most direct referrals, reached down its path.
void BM_DownlineTreeOpenLargestNode(benchmark::State& st) {
    const AppState state = state_for(full_set());
    DownlineTreeModel model(state.regional);
    const auto tree = open_root(state, model);
    int32_t widest = 1;
    for (int32_t id = 1; id <= tree->count(); ++id)
        if (tree->children(id).size() > tree->children(widest).size()) widest = id;
    std::vector<int32_t> path = tree->path_to(0, widest);
    st.SetLabel("ID " + std::to_string(widest) + ", " +
                std::to_string(tree->children(widest).size()) + " referrals, depth " +
                std::to_string(path.size()));
    for (auto _ : st) {
        st.PauseTiming();
        model.setTree(tree, 0,
                      open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize));
        path.pop_back();
        const QModelIndex above = model.indexOfPath(path);
        path.push_back(widest);
        st.ResumeTiming();
        const QModelIndex node = model.index(tree->rowOf(path[path.size() - 2], widest), 0, above);
        model.fetchMore(node);
        show_screen(model, node);
    }
}
BENCHMARK(BM_DownlineTreeOpenLargestNode)->Unit(benchmark::kMillisecond)->Iterations(5);

// The widest node there can be: one affiliate who referred all the others.
std::filesystem::path star_program(int32_t affiliates) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("qdx-bench-star-" + std::to_string(affiliates));
    if (fs::exists(dir / "complete")) return dir;
    fs::create_directories(dir / "data");
    std::vector<uint8_t> bytes(static_cast<size_t>(affiliates) * AffiliateRecord::kSize);
    for (int32_t id = 1; id <= affiliates; ++id) {
        AffiliateRecord a;
        a.name = "Name" + std::to_string(id % 1000);
        a.id = id;
        a.referrerId = id == 1 ? 0 : 1;
        a.level = id == 1 ? 1 : 2;
        a.date = 45658;
        a.encode(bytes.data() + static_cast<size_t>(id - 1) * AffiliateRecord::kSize);
    }
    RecordFile file(dir / "data" / file::kAffiliates, AffiliateRecord::kSize);
    file.writeBlock(1, bytes.data(), static_cast<size_t>(affiliates));
    RecordFile(dir / "complete", 1);
    return dir;
}

void BM_DownlineTreeOpenStarNode(benchmark::State& st) {
    const AppState state(star_program(full_set().affiliates));
    DownlineTreeModel model(state.regional);
    const auto tree = open_root(state, model);
    st.SetLabel(std::to_string(tree->children(1).size()) + " referrals");
    for (auto _ : st) {
        st.PauseTiming();
        model.setTree(tree, 0,
                      open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize));
        st.ResumeTiming();
        const QModelIndex node = model.index(0, 0);
        model.fetchMore(node);
        show_screen(model, node);
    }
}
BENCHMARK(BM_DownlineTreeOpenStarNode)->Unit(benchmark::kMillisecond)->Iterations(5);

// The window itself, offscreen: opening the whole network of the full set,
// and opening the star's one node of a million referrals in the view.
QApplication& offscreen_application() {
    static int argc = 1;
    static char name[] = "qdx_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Made once and left to the end of the process: Qt's own clean-up must
    // not run after the statics it needs are gone.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

void BM_DownlineTreeWindow(benchmark::State& st) {
    offscreen_application();
    const bool star = st.range(0) == 1;
    AppState state = star ? AppState(star_program(full_set().affiliates)) : state_for(full_set());
    const DateRange range = star ? DateRange{} : range_of(full_set());
    ui::UiContext context(state);
    ui::DownlineTreeWindow window(context);
    window.show();
    for (auto _ : st) {
        if (star) {
            st.PauseTiming();
            window.showNetwork(0, range);
            window.waitForMoney();
            st.ResumeTiming();
            window.view()->expand(window.model()->index(0, 0));
        } else {
            window.showNetwork(0, range);
        }
        window.view()->viewport()->repaint();
        st.PauseTiming();
        window.waitForMoney();
        st.ResumeTiming();
    }
    st.SetLabel(star ? "a node of a million referrals opened" : "whole network opened");
}
BENCHMARK(BM_DownlineTreeWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DownlineTreeMoney(benchmark::State& st) {
    const AppState state = state_for(full_set());
    const DownlineTree tree = DownlineTree::load(state);
    for (auto _ : st)
        benchmark::DoNotOptimize(
            downline_money(state, range_of(full_set()), tree.tree()).income.size());
}
BENCHMARK(BM_DownlineTreeMoney)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DownlineTreeFindByName(benchmark::State& st) {
    const AppState state = state_for(full_set());
    const RecordFile file = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    const std::string name = file.read<AffiliateRecord>(file.count() / 2).name;
    for (auto _ : st) {
        const auto found = find_affiliates_by_name(file, name);
        st.SetLabel(std::to_string(found.size()) + " found");
    }
}
BENCHMARK(BM_DownlineTreeFindByName)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace qdx::bench
