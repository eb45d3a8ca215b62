#pragma once
// The search grid's cells: a title row in bold, then the rows found. Held as
// plain text rows so that a search listing many thousands of records stays
// quick to fill and to sort.
#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "core/grid_sort.h"
#include "core/regional.h"

namespace qdx::ui {

class SearchGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTitles(std::vector<std::string> titles);
    void setRows(GridRows rows);
    // Sorts the rows under the titles by `column`; row positions keep their
    // meaning for the selection, which stays where it is.
    void sortBy(int column, const Regional& regional);
    // The text of a cell (Windows-1252); row 0 holds the titles.
    std::string cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    std::vector<std::string> titles_;
    GridRows rows_;
};

}  // namespace qdx::ui
