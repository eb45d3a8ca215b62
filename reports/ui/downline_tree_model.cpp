#include "reports/ui/downline_tree_model.h"

#include "core/records.h"
#include "core/regional.h"
#include "core/text_field.h"
#include "core/ui/qt_text.h"

namespace qdx::ui {

DownlineTreeModel::DownlineTreeModel(const Regional& regional, QObject* parent)
    : QAbstractItemModel(parent), regional_(regional) {
    nodes_.push_back({0, -1, 0});
}

void DownlineTreeModel::setTree(std::shared_ptr<const DownlineTree> tree, int32_t root,
                                RecordFile affiliates) {
    beginResetModel();
    tree_ = std::move(tree);
    money_.reset();
    root_ = root;
    rootList_[0] = root;
    affiliates_ = std::move(affiliates);
    names_.clear();
    nodes_.assign(1, Node{0, -1, 0});
    // The top rows are there at once: the root, or the whole top level.
    if (tree_)
        addChildren(0, root_ == 0 ? tree_->children(0) : std::span<const int32_t>(rootList_));
    endResetModel();
}

void DownlineTreeModel::setMoney(std::shared_ptr<const DownlineMoney> money) {
    money_ = std::move(money);
    // A change over several rows repaints every row shown, the nested ones too.
    if (nodes_.size() > 1) emit dataChanged(index(0, kSales), index(rowCount() - 1, kIncome));
}

size_t DownlineTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<size_t>(index.internalId()) : 0;
}

std::span<const int32_t> DownlineTreeModel::referralsOf(size_t node) const {
    if (!tree_ || node == 0) return {};
    return tree_->children(nodes_[node].id);
}

void DownlineTreeModel::addChildren(size_t node, std::span<const int32_t> ids) {
    nodes_[node].firstChild = static_cast<int32_t>(nodes_.size());
    nodes_[node].childCount = static_cast<int32_t>(ids.size());
    nodes_.reserve(nodes_.size() + ids.size());
    int32_t row = 0;
    for (int32_t id : ids) nodes_.push_back({id, static_cast<int32_t>(node), row++});
}

int32_t DownlineTreeModel::affiliateAt(const QModelIndex& index) const {
    return index.isValid() ? nodes_[nodeOf(index)].id : 0;
}

QModelIndex DownlineTreeModel::indexOfPath(const std::vector<int32_t>& path) {
    if (!tree_ || path.empty()) return {};
    QModelIndex at;
    for (size_t i = 0; i < path.size(); ++i) {
        if (canFetchMore(at)) fetchMore(at);
        const int32_t parentId = i == 0 ? 0 : path[i - 1];
        int64_t row = 0;
        if (i > 0 || root_ == 0) row = tree_->rowOf(parentId, path[i]);
        if (row < 0 || row >= rowCount(at)) return {};
        at = index(static_cast<int>(row), 0, at);
    }
    return at;
}

QModelIndex DownlineTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node& p = nodes_[nodeOf(parent)];
    if (row < 0 || row >= p.childCount || column < 0 || column >= kColumnCount) return {};
    return createIndex(row, column, static_cast<quintptr>(p.firstChild + row));
}

QModelIndex DownlineTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const Node& n = nodes_[nodeOf(child)];
    if (n.parent <= 0) return {};
    return createIndex(nodes_[static_cast<size_t>(n.parent)].row, 0,
                       static_cast<quintptr>(n.parent));
}

int DownlineTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return nodes_[nodeOf(parent)].childCount;
}

int DownlineTreeModel::columnCount(const QModelIndex&) const { return kColumnCount; }

bool DownlineTreeModel::hasChildren(const QModelIndex& parent) const {
    if (parent.column() > 0) return false;
    const size_t node = nodeOf(parent);
    if (nodes_[node].firstChild >= 0) return nodes_[node].childCount > 0;
    return !referralsOf(node).empty();
}

bool DownlineTreeModel::canFetchMore(const QModelIndex& parent) const {
    const size_t node = nodeOf(parent);
    return nodes_[node].firstChild < 0 && !referralsOf(node).empty();
}

void DownlineTreeModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    const size_t node = nodeOf(parent);
    const auto ids = referralsOf(node);
    beginInsertRows(parent, 0, static_cast<int>(ids.size()) - 1);
    addChildren(node, ids);
    endInsertRows();
}

const std::pair<QString, QString>& DownlineTreeModel::namesOf(int32_t id) const {
    auto it = names_.find(id);
    if (it != names_.end()) return *it;
    std::pair<QString, QString> names;
    if (affiliates_.isOpen() && id >= 1 && id <= affiliates_.count()) {
        const auto record = affiliates_.read<AffiliateRecord>(id);
        names = {fromAnsi(std::string(trim_right(record.name))),
                 fromAnsi(std::string(trim_right(record.surname)))};
    }
    return *names_.insert(id, std::move(names));
}

QVariant DownlineTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !tree_) return {};
    const int32_t id = nodes_[nodeOf(index)].id;
    const int column = index.column();
    // The numbers line up on the right; the ID carries the tree's branches.
    if (role == Qt::TextAlignmentRole && column >= kLevel)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    switch (column) {
        case kId:
            return QString::number(id);
        case kName:
            try {
                return namesOf(id).first;
            } catch (const std::exception&) {
                return QString();  // an unreadable record shows no name
            }
        case kSurname:
            try {
                return namesOf(id).second;
            } catch (const std::exception&) {
                return QString();
            }
        case kLevel:
            return QString::number(tree_->levelOf(id));
        case kBelow:
            return QString::number(tree_->below(id));
        case kSales:
            if (!money_) return QString();
            return fromAnsi(format_single(money_->salesOf(id), regional_));
        case kIncome:
            if (!money_) return QString();
            return fromAnsi(format_single(money_->incomeOf(id), regional_));
        default:
            return {};
    }
}

QVariant DownlineTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[kColumnCount] = {
        "ID", "Name", "Surname", "Level", "Affiliates below", "Sales", "Income"};
    return section >= 0 && section < kColumnCount ? QString(titles[section]) : QVariant();
}

}  // namespace qdx::ui
