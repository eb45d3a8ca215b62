#include "reports/ui/report_table_model.h"

#include "core/ui/qt_text.h"

namespace qdx::ui {

ReportTableModel::ReportTableModel(QObject* parent) : QAbstractTableModel(parent) {
    bold_.setBold(true);
}

void ReportTableModel::setTable(ReportTable table) {
    beginResetModel();
    table_ = std::move(table);
    endResetModel();
}

int ReportTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || table_.rowCount() == 0) return 0;
    return static_cast<int>(table_.rowCount() - 1);
}

int ReportTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.columnCount());
}

bool ReportTableModel::isTotalRow(int row) const {
    return table_.hasTotalRow && row == rowCount() - 1;
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            // Written when the view asks, for the rows it shows.
            return fromAnsi(table_.text(static_cast<size_t>(index.row()) + 1,
                                        static_cast<size_t>(index.column())));
        case Qt::FontRole:
            return isTotalRow(index.row()) ? QVariant(bold_) : QVariant();
        default:
            return {};
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    }
    if (table_.rowCount() == 0 || section < 0 ||
        static_cast<size_t>(section) >= table_.columnCount()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return fromAnsi(table_.text(0, static_cast<size_t>(section)));
        case Qt::FontRole:
            return bold_;
        default:
            return {};
    }
}

}  // namespace qdx::ui
