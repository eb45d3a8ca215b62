#pragma once
// The report grid's model: a view over the shown ReportTable without one item
// per cell, so that a report of a million rows opens and scrolls at once.
// Row 0 of the table is the grid's header; the Total row is shown in bold.
#include <QAbstractTableModel>
#include <QFont>

#include "reports/report_table.h"

namespace qdx::ui {

class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit ReportTableModel(QObject* parent = nullptr);

    // Takes the table over; the view shows it from the next paint on.
    void setTable(ReportTable table);
    const ReportTable& table() const { return table_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // True for the row of the view that holds the report's Total row.
    bool isTotalRow(int row) const;

  private:
    ReportTable table_;
    QFont bold_;
};

}  // namespace qdx::ui
