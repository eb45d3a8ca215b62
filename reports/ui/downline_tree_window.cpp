#include "reports/ui/downline_tree_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

#include "core/records.h"
#include "core/regional.h"
#include "core/tree.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_memory.h"
#include "core/ui/window_parts.h"
#include "reports/report_failures.h"
#include "reports/reports.h"
#include "reports/ui/downline_tree_model.h"

namespace qdx::ui {

namespace {
constexpr int kIdColumnWidth = 160;  // at least, whatever the tree's depth
}  // namespace

DownlineTreeWindow::DownlineTreeWindow(UiContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context) {
    setObjectName("frmDownlineTree");
    setWindowTitle("Downline tree");

    auto* findLabel = new QLabel("Find (ID or name)", this);
    findLabel->setObjectName("lblFind");
    findBox_ = new QLineEdit(this);
    findBox_->setObjectName("txtFind");
    findBox_->setAccessibleName("Find an affiliate by ID or name");
    findLabel->setBuddy(findBox_);
    findButton_ = make_button(this, "cmdFind", "Find");
    findButton_->setAccessibleName("Find the affiliate in the tree");

    model_ = new DownlineTreeModel(context_.state.regional, this);
    view_ = new QTreeView(this);
    view_->setObjectName("tvwDownline");
    view_->setAccessibleName("Downline tree");
    view_->setModel(model_);
    // Equal rows keep a level of a million referrals as quick to show as ten.
    view_->setUniformRowHeights(true);
    // A double-click opens the affiliate; the arrows and the branch marks open nodes.
    view_->setExpandsOnDoubleClick(false);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->header()->setStretchLastSection(false);
    view_->header()->resizeSection(DownlineTreeModel::kId, kIdColumnWidth);

    range_ = new QLabel(this);
    range_->setObjectName("lblRange");
    range_->setAccessibleName("Range of the sales and income");
    range_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(findBox_, 1);
    findRow->addWidget(findButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(view_, 1);
    layout->addWidget(range_);
    setTabOrder(findBox_, findButton_);
    setTabOrder(findButton_, view_);
    resize(760, 520);

    connect(findButton_, &QPushButton::clicked, this, [this] { find(); });
    connect(findBox_, &QLineEdit::returnPressed, this, [this] { find(); });
    // Enter or a double-click on a row opens that affiliate.
    connect(view_, &QTreeView::activated, this, &DownlineTreeWindow::activated);
    connect(view_, &QTreeView::expanded, this, &DownlineTreeWindow::fitIdColumn);
    connect(&money_, &QFutureWatcher<MoneyResult>::finished, this, &DownlineTreeWindow::moneyReady);
    close_on_escape(this);
}

DownlineTreeWindow::~DownlineTreeWindow() {
    // The computation owns copies of what it reads and may finish on its own.
    money_.disconnect(this);
}

QString DownlineTreeWindow::rangeText() const { return range_->text(); }

void DownlineTreeWindow::showNetwork(int32_t root, const DateRange& range) {
    const AppState& state = context_.state;
    setWindowTitle(root == 0 ? QString("Downline tree of the whole network")
                             : QString("Downline tree of the Affiliate with ID= %1").arg(root));
    std::shared_ptr<const DownlineTree> tree;
    RecordFile affiliates;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            tree = std::make_shared<const DownlineTree>(DownlineTree::load(state));
            affiliates = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
        } catch (const std::exception&) {
            tree.reset();
        }
        QApplication::restoreOverrideCursor();
    }
    model_->setTree(tree, root, std::move(affiliates));
    matches_.clear();
    lastFind_.clear();
    if (!tree) {
        range_->clear();
        context_.message(this, fromAnsi(state.messages.incorrectValue));
        return;
    }
    for (int column = DownlineTreeModel::kName; column < DownlineTreeModel::kColumnCount; ++column)
        view_->resizeColumnToContents(column);
    view_->header()->resizeSection(DownlineTreeModel::kId, kIdColumnWidth);
    fitIdColumn(QModelIndex());
    if (root != 0) view_->expand(model_->index(0, 0));
    view_->setCurrentIndex(model_->index(0, 0));

    rangeShown_ = QString("Sales and income from %1 to %2")
                      .arg(fromAnsi(format_date(range.from, state.regional)),
                           fromAnsi(format_date(range.to, state.regional)));
    range_->setText(rangeShown_ + QString(": being worked out..."));
    // The sales and income come from a pass over every sale; the tree is
    // usable meanwhile.
    AppState copy = state;
    money_.setFuture(QtConcurrent::run([copy = std::move(copy), range, tree]() -> MoneyResult {
        try {
            return std::make_shared<const DownlineMoney>(downline_money(copy, range, tree->tree()));
        } catch (const std::exception&) {
            return nullptr;
        }
    }));
}

void DownlineTreeWindow::fitIdColumn(const QModelIndex& opened) {
    const DownlineTree* tree = model_->tree();
    if (!tree) return;
    // The children of `opened` are indented one step further than it: the
    // top rows one step (their branch marks), each level below one more.
    int depth = 1;
    for (QModelIndex above = opened; above.isValid(); above = above.parent()) ++depth;
    // The widest ID of the network, every digit as wide as the widest one.
    const QString widest(QString::number(std::max(tree->count(), 1)).size(), QLatin1Char('8'));
    const QFontMetrics metrics(view_->font());
    int digit = 0;
    for (char d = '0'; d <= '9'; ++d)
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(d)));
    const int text = digit * static_cast<int>(widest.size());
    // The cell's own margins around its text, and room to spare.
    const int margins =
        2 * view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) +
        metrics.averageCharWidth() * 2;
    const int needed = view_->indentation() * depth + text + margins;
    if (view_->header()->sectionSize(DownlineTreeModel::kId) < needed)
        view_->header()->resizeSection(DownlineTreeModel::kId, needed);
}

void DownlineTreeWindow::moneyReady() {
    MoneyResult money = money_.future().result();
    model_->setMoney(money);
    range_->setText(money ? rangeShown_ : rangeShown_ + QString(": the sales could not be read"));
    view_->resizeColumnToContents(DownlineTreeModel::kSales);
    view_->resizeColumnToContents(DownlineTreeModel::kIncome);
}

void DownlineTreeWindow::waitForMoney() {
    money_.waitForFinished();
    QCoreApplication::processEvents();
}

bool DownlineTreeWindow::find() {
    const AppState& state = context_.state;
    const DownlineTree* tree = model_->tree();
    const QString typed = findBox_->text().trimmed();
    if (typed.isEmpty()) {
        context_.message(this, state.messages.enterData, findBox_);
        return false;
    }
    if (!tree) return false;
    const int32_t root = model_->root();
    std::vector<int32_t> path;
    if (auto id = parse_long(toAnsi(typed), state.regional)) {
        if (!tree->tree().contains(*id)) {
            context_.message(this, state.messages.noAffiliate, findBox_);
            return false;
        }
        path = tree->path_to(root, *id);
        if (path.empty()) {
            context_.message(this, QString("Affiliate %1 is not in this tree.").arg(*id));
            findBox_->setFocus();
            return false;
        }
    } else {
        if (typed != lastFind_) {
            lastFind_ = typed;
            matches_.clear();
            nextMatch_ = 0;
            try {
                for (int32_t id : find_affiliates_by_name(model_->affiliates(), toAnsi(typed)))
                    if (!tree->path_to(root, id).empty()) matches_.push_back(id);
            } catch (const std::exception&) {
                matches_.clear();
            }
        }
        if (matches_.empty()) {
            lastFind_.clear();
            context_.message(this, QString("No affiliate of that name is in this tree."));
            findBox_->setFocus();
            return false;
        }
        path = tree->path_to(root, matches_[nextMatch_]);
        nextMatch_ = (nextMatch_ + 1) % matches_.size();
    }
    const QModelIndex found = model_->indexOfPath(path);
    for (QModelIndex above = found.parent(); above.isValid(); above = above.parent())
        view_->expand(above);
    view_->setCurrentIndex(found);
    view_->scrollTo(found, QAbstractItemView::PositionAtCenter);
    return found.isValid();
}

void DownlineTreeWindow::activated(const QModelIndex& index) {
    const int32_t id = model_->affiliateAt(index);
    if (id > 0 && openAffiliate) openAffiliate(id);
}

DownlineTreeWindow* open_downline_tree(UiContext& context, QWidget* asking, QLineEdit* idBox,
                                       const std::function<std::optional<DateRange>()>& readDates,
                                       std::function<void(int32_t)> openAffiliate) {
    int32_t id = 0;
    IdCheck check = IdCheck::NotANumber;
    try {
        check = check_report_id(context.state, toAnsi(idBox->text()), id);
    } catch (const std::exception&) {
        // An unreadable affiliates file ends it like a wrong value.
    }
    if (check != IdCheck::Ok) {
        context.message(asking, id_check_message(context.state.messages, check), idBox);
        return nullptr;
    }
    const std::optional<DateRange> range = readDates();
    if (!range) return nullptr;
    auto* window = static_cast<DownlineTreeWindow*>(
        context.showOnce("frmDownlineTree", [&] { return new DownlineTreeWindow(context); }));
    window->openAffiliate = std::move(openAffiliate);
    window->showNetwork(id, *range);
    return window;
}

}  // namespace qdx::ui
