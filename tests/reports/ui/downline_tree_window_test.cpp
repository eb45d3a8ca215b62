// The downline tree window: its rows are the referral tree's, opened node by
// node; Find opens the path to an affiliate; the keyboard opens and closes
// nodes, opens an affiliate and closes the window.
#include "reports/ui/downline_tree_window.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTreeView>

#include "core/demo_program.h"
#include "core/referral_index.h"
#include "core/regional.h"
#include "core/settings.h"
#include "core/tree.h"
#include "reports/ui/downline_tree_model.h"
#include "reports/ui/report_ui_fixture.h"

namespace qdx::test {
namespace {

using ui::DownlineTreeModel;
using ui::DownlineTreeWindow;

class DownlineTreeWindowTest : public ReportUiTest {
  protected:
    DownlineTreeWindow* open(int32_t root) {
        auto* w = new DownlineTreeWindow(context);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        w->showNetwork(root, range);
        return w;
    }
    static QString cell(const QModelIndex& row, int column) {
        return row.sibling(row.row(), column).data().toString();
    }
    void find(DownlineTreeWindow* w, const QString& typed) {
        auto* box = w->findChild<QLineEdit*>("txtFind");
        box->setText(typed);
        QTest::keyClick(box, Qt::Key_Return);
    }
};

// Every node, opened one by one, lists the referral tree's children of its
// affiliate with its downline size, sales and income.
TEST_F(DownlineTreeWindowTest, RowsAreTheReferralTreeOpenedNodeByNode) {
    write_demo_program(folder.path(), {5, 2500, ole_from_ymd(2025, 12, 5)});
    load_settings(state);
    range = {ole_from_ymd(2025, 1, 1), ole_from_ymd(2025, 12, 5)};
    DownlineTreeWindow* w = open(0);
    w->waitForMoney();
    DownlineTreeModel* model = w->model();
    const ReferralIndex index(ReferralTree::load(state));
    const DownlineTree& tree = *model->tree();
    const DownlineMoney money = downline_money(state, range, index.tree());

    int nodes = 0;
    std::function<void(const QModelIndex&, int32_t)> visit = [&](const QModelIndex& at,
                                                                 int32_t id) {
        const auto children = index.children(id);
        EXPECT_EQ(model->rowCount(at), 0) << "fetched before it opens: " << id;
        EXPECT_EQ(model->hasChildren(at), !children.empty()) << id;
        if (model->canFetchMore(at)) model->fetchMore(at);
        ASSERT_EQ(model->rowCount(at), static_cast<int>(children.size())) << id;
        for (int row = 0; row < model->rowCount(at); ++row) {
            const QModelIndex child = model->index(row, 0, at);
            const int32_t childId = children[static_cast<size_t>(row)];
            ++nodes;
            EXPECT_EQ(model->parent(child), at);
            EXPECT_EQ(cell(child, DownlineTreeModel::kId).toInt(), childId);
            EXPECT_EQ(cell(child, DownlineTreeModel::kBelow).toLongLong(), tree.below(childId));
            EXPECT_EQ(cell(child, DownlineTreeModel::kLevel).toInt(),
                      index.tree().levelOf(childId));
            EXPECT_EQ(
                cell(child, DownlineTreeModel::kIncome),
                QString::fromStdString(format_single(money.incomeOf(childId), state.regional)));
            EXPECT_EQ(
                cell(child, DownlineTreeModel::kSales),
                QString::fromStdString(format_single(money.salesOf(childId), state.regional)));
            visit(child, childId);
        }
    };
    // The top rows are there at once: the top-level affiliates.
    ASSERT_EQ(model->rowCount(), static_cast<int>(index.children(0).size()));
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex top = model->index(row, 0);
        ++nodes;
        visit(top, model->affiliateAt(top));
    }
    EXPECT_EQ(nodes, 2500);
    EXPECT_FALSE(cell(model->index(0, 0), DownlineTreeModel::kName).isEmpty());
    EXPECT_TRUE(w->rangeText().startsWith("Sales and income from 01/01/2025 to 05/12/2025"));
    EXPECT_FALSE(w->rangeText().contains("worked out"));
}

// Find by ID or by name opens the rows down to the affiliate and selects it;
// a second Find with the same name goes to the next one; what is not in the
// tree is said so.
TEST_F(DownlineTreeWindowTest, FindOpensThePathToTheAffiliate) {
    // 1 > 2 > 3 > 4, 1 > 5 "Zoe", 2 > 6 "Zoe"; 7 stands alone.
    write_affiliates(state, {affiliate(1, 0, 1, 37000, "Ann"), affiliate(2, 1, 2, 37000, "Bob"),
                             affiliate(3, 2, 3, 37000, "Cy"), affiliate(4, 3, 4, 37000, "Dan"),
                             affiliate(5, 1, 2, 37000, "Zoe"), affiliate(6, 2, 3, 37000, "zoe"),
                             affiliate(7, 0, 1, 37000, "Eve")});
    DownlineTreeWindow* w = open(2);
    QTreeView* view = w->view();
    ASSERT_EQ(w->model()->rowCount(), 1);
    EXPECT_EQ(w->model()->affiliateAt(view->currentIndex()), 2);

    find(w, "4");
    const QModelIndex four = view->currentIndex();
    EXPECT_EQ(w->model()->affiliateAt(four), 4);
    EXPECT_TRUE(view->isExpanded(four.parent()));
    EXPECT_TRUE(view->isExpanded(four.parent().parent()));
    EXPECT_EQ(cell(four, DownlineTreeModel::kName), "Dan");

    find(w, " ZOE ");
    EXPECT_EQ(w->model()->affiliateAt(view->currentIndex()), 6);  // 5 is not under 2
    EXPECT_TRUE(messages.empty());

    find(w, "5");
    find(w, "Eve");
    find(w, "9");
    find(w, "");
    EXPECT_EQ(messageTexts(), (QStringList{"Affiliate 5 is not in this tree.",
                                           "No affiliate of that name is in this tree.",
                                           "Sorry, there is no Affiliate with that ID",
                                           "Please enter data into the field"}));
    EXPECT_EQ(w->model()->affiliateAt(view->currentIndex()), 6);

    // Over the whole network both Zoes are found in turn.
    w->showNetwork(0, range);
    find(w, "zoe");
    EXPECT_EQ(w->model()->affiliateAt(view->currentIndex()), 5);
    w->findChild<QPushButton*>("cmdFind")->click();
    EXPECT_EQ(w->model()->affiliateAt(view->currentIndex()), 6);
    w->findChild<QPushButton*>("cmdFind")->click();
    EXPECT_EQ(w->model()->affiliateAt(view->currentIndex()), 5);
}

// Opened down to a chain's twentieth level, the ID column is wide enough for
// the deepest ID below its indentation: shown whole, not cut to "…".
TEST_F(DownlineTreeWindowTest, TheIdColumnHoldsTheDeepestIdShown) {
    std::vector<AffiliateRecord> chain;
    for (int32_t id = 1; id <= 1200; ++id) {
        // 1 > 2 > ... > 20, then affiliates without referrer for four-digit IDs.
        const bool inChain = id <= 20;
        chain.push_back(affiliate(id, inChain && id > 1 ? id - 1 : 0, inChain ? id : 1, 37000,
                                  "A" + std::to_string(id)));
    }
    write_affiliates(state, chain);
    DownlineTreeWindow* w = open(0);
    QTreeView* view = w->view();
    const int before = view->header()->sectionSize(DownlineTreeModel::kId);
    find(w, "20");
    const QModelIndex deepest = view->currentIndex();
    ASSERT_EQ(w->model()->affiliateAt(deepest), 20);
    EXPECT_GT(view->header()->sectionSize(DownlineTreeModel::kId), before);
    const QFontMetrics metrics(view->font());
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const QRect cellRect = view->visualRect(deepest);
    // The widest ID of the network, four digits, would fit at that depth too.
    EXPECT_LE(metrics.horizontalAdvance("1200") + 2 * margin, cellRect.width())
        << cellRect.x() << " + " << cellRect.width();
    EXPECT_LE(cellRect.right(), view->header()->sectionSize(DownlineTreeModel::kId));

    // A tree shown again starts from the column's own width.
    w->showNetwork(1200, range);
    EXPECT_EQ(view->header()->sectionSize(DownlineTreeModel::kId), before);
}

// Right and Left open and close a node, Enter and a double-click open the
// affiliate, Escape closes the window.
TEST_F(DownlineTreeWindowTest, KeysOpenNodesAndAffiliatesAndCloseTheWindow) {
    write_affiliates(
        state, {affiliate(1, 0, 1, 37000), affiliate(2, 1, 2, 37000), affiliate(3, 2, 3, 37000)});
    DownlineTreeWindow* w = open(0);
    std::vector<int32_t> opened;
    w->openAffiliate = [&](int32_t id) { opened.push_back(id); };
    QTreeView* view = w->view();
    QApplication::setActiveWindow(w);
    view->setFocus();
    const QModelIndex one = w->model()->index(0, 0);
    view->setCurrentIndex(one);
    EXPECT_FALSE(view->isExpanded(one));
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_TRUE(view->isExpanded(one));
    EXPECT_EQ(w->model()->rowCount(one), 1);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(w->model()->affiliateAt(view->currentIndex()), 2);
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Left);  // on a closed node: up to its referrer
    EXPECT_EQ(view->currentIndex(), one);
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_FALSE(view->isExpanded(one));
    const QRect rect = view->visualRect(one);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(opened, (std::vector<int32_t>{2, 1}));

    QPointer<DownlineTreeWindow> alive(w);
    QTest::keyClick(view, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

}  // namespace
}  // namespace qdx::test
