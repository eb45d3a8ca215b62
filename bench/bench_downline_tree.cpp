// The downline tree window's model over a million affiliates: opening the
// whole network (the tree read once, downline sizes counted, the top rows
// made and their first screen shown), opening the node with the most
// referrals, the sales and income worked out beside it, and a find by name.
#include <benchmark/benchmark.h>

#include "core/records.h"
#include "core/tree.h"
#include "generated_sets.h"
#include "reports/downline_tree.h"
#include "reports/ui/downline_tree_model.h"

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

void BM_DownlineTreeMoney(benchmark::State& st) {
    const AppState state = state_for(full_set());
    const DownlineTree tree = DownlineTree::load(state);
    for (auto _ : st) benchmark::DoNotOptimize(downline_money(state, tree.tree()).income.size());
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
