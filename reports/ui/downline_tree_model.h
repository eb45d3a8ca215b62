#pragma once
// The downline as an item model: one row per affiliate, its direct referrals
// below it. A node's referrals become rows only when the node is first opened
// (fetchMore), so a network of a million affiliates shows at once.
#include <QAbstractItemModel>
#include <QHash>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/record_file.h"
#include "reports/downline_tree.h"

namespace qdx::ui {

class DownlineTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    enum Column { kId, kName, kSurname, kLevel, kBelow, kSales, kIncome, kColumnCount };

    DownlineTreeModel(const Regional& regional, QObject* parent = nullptr);

    // Shows the tree of `root` (0: the whole network, its top-level
    // affiliates as the top rows); names are read from `affiliates` as rows show.
    void setTree(std::shared_ptr<const DownlineTree> tree, int32_t root, RecordFile affiliates);
    // The sales and income columns, once worked out; null empties them.
    void setMoney(std::shared_ptr<const DownlineMoney> money);
    bool hasMoney() const { return money_ != nullptr; }

    int32_t root() const { return root_; }
    const DownlineTree* tree() const { return tree_.get(); }
    const RecordFile& affiliates() const { return affiliates_; }
    int32_t affiliateAt(const QModelIndex& index) const;
    // The row of the last ID of `path` (as DownlineTree::path_to gives it),
    // opening the rows above it; invalid for an empty path.
    QModelIndex indexOfPath(const std::vector<int32_t>& path);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    // A shown row. Node 0 stands above the top rows; the rows below a node,
    // once fetched, are the nodes firstChild .. firstChild + childCount - 1.
    struct Node {
        int32_t id;
        int32_t parent;
        int32_t row;
        int32_t firstChild = -1;
        int32_t childCount = 0;
    };
    size_t nodeOf(const QModelIndex& index) const;
    std::span<const int32_t> referralsOf(size_t node) const;
    void addChildren(size_t node, std::span<const int32_t> ids);
    const std::pair<QString, QString>& namesOf(int32_t id) const;

    const Regional& regional_;
    std::shared_ptr<const DownlineTree> tree_;
    std::shared_ptr<const DownlineMoney> money_;
    int32_t root_ = 0;
    int32_t rootList_[1] = {0};
    std::vector<Node> nodes_;
    RecordFile affiliates_;
    mutable QHash<int32_t, std::pair<QString, QString>> names_;
};

}  // namespace qdx::ui
