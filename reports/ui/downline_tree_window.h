#pragma once
// frmDownlineTree: an affiliate's downline (or the whole network) as a tree
// to open node by node, with each affiliate's downline size, its own sales
// and its income in the report range, and a box to find an affiliate by ID
// or name. The sales and income are worked out beside the window, which
// opens at once and fills those columns when they are ready.
#include <QFutureWatcher>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "reports/downline_tree.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace qdx::ui {

class DownlineTreeModel;
class UiContext;

class DownlineTreeWindow : public QWidget {
    Q_OBJECT
  public:
    explicit DownlineTreeWindow(UiContext& context, QWidget* parent = nullptr);
    ~DownlineTreeWindow() override;

    // Reads the network and shows the tree of `root` (0: the whole network)
    // with the money of `range`.
    void showNetwork(int32_t root, const DateRange& range);
    // Finds the affiliate whose ID, or name, the Find box holds, opens the
    // rows down to it and selects it; the next Find with the same name
    // goes on to the next affiliate of that name. False after its message.
    bool find();
    // Waits until the sales and income columns are filled.
    void waitForMoney();

    QTreeView* view() const { return view_; }
    DownlineTreeModel* model() const { return model_; }
    QString rangeText() const;

    // Opens an affiliate's record; the app connects it to the affiliates window.
    std::function<void(int32_t id)> openAffiliate;

  private:
    using MoneyResult = std::shared_ptr<const DownlineMoney>;
    void moneyReady();
    // Widens the ID column so that an ID of the row's children, indented
    // below it, is shown whole; never narrows it.
    void fitIdColumn(const QModelIndex& opened);
    void activated(const QModelIndex& index);

    UiContext& context_;
    DownlineTreeModel* model_;
    QTreeView* view_;
    QLineEdit* findBox_;
    QPushButton* findButton_;
    QLabel* range_;
    QFutureWatcher<MoneyResult> money_;
    QString rangeShown_;
    // The matches of the last name found, and which of them is selected.
    QString lastFind_;
    std::vector<int32_t> matches_;
    size_t nextMatch_ = 0;
};

// Checks the ID box as the Downline report does (its messages), reads the
// report range, and shows the one tree window (key "frmDownlineTree") with
// that affiliate's tree. `openAffiliate` is handed to the window.
DownlineTreeWindow* open_downline_tree(UiContext& context, QWidget* asking, QLineEdit* idBox,
                                       const std::function<std::optional<DateRange>()>& readDates,
                                       std::function<void(int32_t)> openAffiliate);

}  // namespace qdx::ui
