#include "registers/ui/search_grid_model.h"

#include <QFont>

#include "core/ui/qt_text.h"

namespace qdx::ui {

void SearchGridModel::setTitles(std::vector<std::string> titles) {
    beginResetModel();
    titles_ = std::move(titles);
    endResetModel();
}

void SearchGridModel::setRows(GridRows rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void SearchGridModel::sortBy(int column, const Regional& regional) {
    if (rows_.empty() || column < 0) return;
    sort_grid_rows(rows_, static_cast<size_t>(column), regional);
    emit dataChanged(index(1, 0), index(rowCount() - 1, columnCount() - 1));
}

std::string SearchGridModel::cell(int row, int column) const {
    if (row < 0 || column < 0) return {};
    const std::vector<std::string>& cells = row == 0 ? titles_ : rows_[row - 1];
    return static_cast<size_t>(column) < cells.size() ? cells[column] : std::string();
}

int SearchGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1 + static_cast<int>(rows_.size());
}

int SearchGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant SearchGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        return fromAnsi(cell(index.row(), index.column()));
    }
    if (role == Qt::FontRole && index.row() == 0) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}

}  // namespace qdx::ui
