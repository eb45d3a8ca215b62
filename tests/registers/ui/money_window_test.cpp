#include "registers/ui/money_window.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <fstream>

#include "core/corrections.h"
#include "core/files.h"
#include "core/payment_runs.h"
#include "registers/ui/payment_runs_window.h"
#include "registers/ui/window_fixture.h"

namespace qdx::test {
namespace {

using ui::MoneyWindow;

class MoneyWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        std::vector<AffiliateRecord> five;
        for (int k = 1; k <= 5; ++k) five.push_back(affiliate(k, 0, 1, 37257));
        write_affiliates(state, five);
    }
    MoneyWindow* openSales() { return open(new MoneyWindow(context, kSalesRegister)); }
    MoneyWindow* openPayments() { return open(new MoneyWindow(context, kPaymentsRegister)); }
    void createAndSave(MoneyWindow* w, const std::string& id, const std::string& sum,
                       const std::string& details = "") {
        click(w, "cmdCreate");
        type(w, "txtAffiliateID", id);
        type(w, "txtSum", sum);
        type(w, "txtDetails", details);
        click(w, "cmdSave");
    }
    int64_t sales() { return records(file::kSales, MoneyRecord::kSize); }
};

TEST_F(MoneyWindowTest, NewSaleStartsOnTodayAndKeepsItsDetailsBeside) {
    write_money(state, file::kSales, {{1, 10, 37257}, {2, 20, 37258}});
    MoneyWindow* w = openSales();
    EXPECT_EQ(text(w, "txtSum"), "20");
    EXPECT_EQ(text(w, "txtDate"), "02/01/2002");
    click(w, "cmdCreate");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "3");
    EXPECT_EQ(text(w, "txtDate"), "31/03/2003");
    EXPECT_EQ(text(w, "txtSum"), "");
    createAndSave(w, "3", "12.5", "paid by card");
    EXPECT_EQ(read_file(folder.path() / "addinfo" / "s3.txt"), "paid by card\r\n");
    EXPECT_TRUE(messages.empty());
}

TEST_F(MoneyWindowTest, AffiliateMustBeRegisteredAndSumNotNegative) {
    MoneyWindow* w = openSales();
    EXPECT_TRUE(enabled(w, "txtDetails"));  // never locked, even with no record
    createAndSave(w, "7", "10");
    EXPECT_EQ(messages.back(), "Sorry, there is no Affiliate with that ID");
    EXPECT_EQ(focused(w), "txtAffiliateID");
    type(w, "txtAffiliateID", "5");
    type(w, "txtSum", "-1");
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), "Sorry, you entered an incorrect value");
    EXPECT_EQ(focused(w), "txtSum");
    EXPECT_EQ(sales(), 0);
    type(w, "txtSum", "0");
    click(w, "cmdSave");
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(sales(), 1);
}

// A payment registered by a report while the window is open is counted.
TEST_F(MoneyWindowTest, CreateCountsPaymentsAppendedWhileOpen) {
    write_money(state, file::kPayments, {{1, 10, 37257}, {2, 20, 37258}});
    MoneyWindow* w = openPayments();
    write_money(state, file::kPayments, {{3, 30, 37259}});
    createAndSave(w, "4", "1", "cheque");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "4");
    RecordFile file(state.dataFile(file::kPayments), MoneyRecord::kSize);
    EXPECT_EQ(file.count(), 4);
    EXPECT_EQ(file.read<MoneyRecord>(3).affiliateId, 3);
    EXPECT_EQ(file.read<MoneyRecord>(4).affiliateId, 4);
    EXPECT_EQ(read_file(folder.path() / "addinfo" / "p4.txt"), "cheque\r\n");
    createAndSave(w, "1", "5");  // empty details write no file
    EXPECT_FALSE(file_exists(folder.path() / "addinfo" / "p5.txt"));
}

TEST_F(MoneyWindowTest, SearchByAffiliateListsItsRecordsByDate) {
    write_money(state, file::kSales,
                {{2, 10, ole_from_ymd(2003, 3, 20)},
                 {1, 5, ole_from_ymd(2003, 3, 1)},
                 {2, 12.5f, ole_from_ymd(2003, 3, 5)}});
    MoneyWindow* w = openSales();
    type(w, "txtSAffID", "2");
    click(w, "cmdDisplay");
    EXPECT_EQ(gridColumn(w, 0), (std::vector<std::string>{"N of Record", "3", "1"}));
    EXPECT_EQ(gridColumn(w, 1), (std::vector<std::string>{"Date", "05/03/2003", "20/03/2003"}));
    EXPECT_EQ(child<QTableView>(w, "MSFGView")->currentIndex().column(), 1);
}

TEST_F(MoneyWindowTest, SaveAsCsvWritesEveryRecordAndSaysWhereOrWhatFailed) {
    write_money(state, file::kPayments, {{1, 10, 37257}, {2, 0.5f, 37258}});
    MoneyWindow* w = openPayments();
    std::ofstream(folder.path() / "output") << "a file where the output folder belongs";
    click(w, "cmdSaveCsv");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Sorry, the CSV file could not be written.", 0), 0u);

    fs::remove(folder.path() / "output");
    click(w, "cmdSaveCsv");
    EXPECT_EQ(read_file(folder.path() / "output" / "payments.csv"),
              "\xEF\xBB\xBF"
              "Affiliate ID,Sum,Date\r\n1,10,2002-01-01\r\n2,0.5,2002-01-02\r\n");
    EXPECT_NE(child<QLabel>(w, "lblCsvSaved")->text().indexOf("payments.csv"), -1);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(MoneyWindowTest, AFailedRecordWriteIsReported) {
    // A data file on a full disk: every write fails.
    ensure_folder(state.dataDir());
    std::error_code ec;
    fs::create_symlink("/dev/full", state.dataFile(file::kSales), ec);
    if (ec) GTEST_SKIP() << "no /dev/full";
    MoneyWindow* w = openSales();
    createAndSave(w, "1", "10");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Sorry, the record could not be saved.", 0), 0u) << messages[0];
    EXPECT_EQ(w->editMode(), ui::RecordEditor::kCreating);
}

TEST_F(MoneyWindowTest, RefundThisSaleProposesWhatIsLeftAndRefusesMore) {
    write_money(state, file::kSales, {{1, 10, 37257}, {2, 20, 37258}});
    MoneyWindow* w = openSales();
    EXPECT_EQ(openPayments()->findChild<QPushButton*>("cmdRefundSale"), nullptr);
    std::vector<std::string> proposed;
    context.dialogSink = [&](QDialog& dialog) {
        proposed.push_back(text(&dialog, "txtRefundSum"));
        if (proposed.size() == 1) {
            type(&dialog, "txtRefundSum", "20.5");  // more than the sale
            click(&dialog, "cmdRefund");
            EXPECT_EQ(focused(&dialog), "txtRefundSum");
            type(&dialog, "txtRefundSum", "15");
            child<QPlainTextEdit>(&dialog, "txtRefundDetails")->setPlainText("returned");
        }
        click(&dialog, "cmdRefund");
        return dialog.result();
    };
    click(w, "cmdRefundSale");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0],
              "Sorry, you entered an incorrect value: \"20.5\" is more than is left of sale 2, 20");
    EXPECT_EQ(messages[1],
              "Refund 1 registered: the commissions of its share of sale 2 are taken "
              "back in the range it is dated.");
    click(w, "cmdRefundSale");
    EXPECT_EQ(proposed, (std::vector<std::string>{"20", "5"}));
    RecordFile refunds(state.dataFile(file::kRefunds), RefundRecord::kSize);
    ASSERT_EQ(refunds.count(), 2);
    EXPECT_EQ(refunds.read<RefundRecord>(1).sale, 2);
    EXPECT_EQ(refunds.read<RefundRecord>(1).sum, 15);
    EXPECT_EQ(refunds.read<RefundRecord>(2).sum, 5);
    EXPECT_EQ(read_file(folder.path() / "addinfo" / "r1.txt"), "returned\r\n");
    // The sale itself is as it was.
    EXPECT_EQ(text(w, "txtSum"), "20");
}

// The Refunds window, from the Sales window: new refunds pass the checks of
// "Refund this sale...", a refund on file is never edited, and the refunds
// are found by their sale and saved as CSV.
TEST_F(MoneyWindowTest, TheRefundsWindowAddsCheckedRefundsFindsAndExportsThem) {
    write_money(state, file::kSales, {{1, 10, 37257}, {2, 20, 37258}});
    click(openSales(), "cmdRefunds");
    auto* w = qobject_cast<ui::RecordEditor*>(context.openWindow("frmRefunds"));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(child<QPushButton>(w, "cmdEdit")->isVisibleTo(w));
    for (const char* box : {"txtSale", "txtSum", "txtDate", "txtDetails"})
        EXPECT_FALSE(child<QWidget>(w, box)->accessibleName().isEmpty()) << box;

    click(w, "cmdCreate");
    EXPECT_EQ(text(w, "txtDate"), "31/03/2003");
    type(w, "txtSale", "2");
    type(w, "txtSum", "25");
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(),
              "Sorry, you entered an incorrect value: \"25\" is more than is left of sale 2, 20");
    EXPECT_EQ(focused(w), "txtSum");
    type(w, "txtSum", "20");
    type(w, "txtDetails", "chargeback");
    click(w, "cmdSave");
    EXPECT_EQ(w->editMode(), ui::RecordEditor::kBrowsing);
    EXPECT_EQ(w->recordCount(), 1);
    EXPECT_EQ(read_file(folder.path() / "addinfo" / "r1.txt"), "chargeback\r\n");
    click(w, "cmdCreate");
    type(w, "txtSale", "1");
    type(w, "txtSum", "4");
    click(w, "cmdSave");
    EXPECT_EQ(w->recordCount(), 2);

    type(w, "txtSSale", "2");
    click(w, "cmdDisplay");
    auto* grid = child<QTableView>(w, "MSFGView");
    ASSERT_EQ(grid->model()->rowCount(), 2);  // the titles, then refund 1
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "Sale");
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), "1");
    click(w, "cmdSaveCsv");
    const std::string csv = read_file(folder.path() / "output" / "refunds.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), "\xEF\xBB\xBFSale,Sum,Date\r\n") << csv;
}

TEST_F(MoneyWindowTest, VoidThisPaymentConfirmsTheDateAndRefusesASecondVoid) {
    write_money(state, file::kPayments, {{3, 40, 37257}, {2, 25, ole_from_ymd(2003, 3, 20)}});
    MoneyWindow* w = openPayments();
    EXPECT_EQ(openSales()->findChild<QPushButton*>("cmdVoidPayment"), nullptr);
    std::vector<std::string> about;
    context.dialogSink = [&](QDialog& dialog) {
        about.push_back(child<QLabel>(&dialog, "lblVoidPayment")->text().toStdString());
        EXPECT_EQ(text(&dialog, "txtVoidDate"), "31/03/2003");
        QWidget* box = child<QLineEdit>(&dialog, "txtVoidDate");
        const auto labels = dialog.findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                [box](QLabel* l) { return l->buddy() == box; }));
        EXPECT_FALSE(box->accessibleName().isEmpty());
        type(&dialog, "txtVoidDate", "19/03/2003");  // before the payment
        click(&dialog, "cmdVoid");
        EXPECT_EQ(focused(&dialog), "txtVoidDate");
        type(&dialog, "txtVoidDate", "20/03/2003");
        click(&dialog, "cmdVoid");
        return dialog.result();
    };
    click(w, "cmdVoidPayment");
    ASSERT_EQ(about.size(), 1u);
    EXPECT_EQ(about[0].rfind("Void payment 2 to affiliate 2 of 25, dated 20/03/2003?", 0), 0u)
        << about[0];
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0],
              "Sorry, you entered an incorrect value: \"19/03/2003\" is before the payment, "
              "dated 20/03/2003");
    EXPECT_EQ(messages[1],
              "Void 1 written: payment 2 is due again in the range the void is dated.");
    RecordFile voids(state.dataFile(file::kVoids), VoidRecord::kSize);
    ASSERT_EQ(voids.count(), 1);
    EXPECT_EQ(voids.read<VoidRecord>(1).sum, 25);
    EXPECT_EQ(voids.read<VoidRecord>(1).date, ole_from_ymd(2003, 3, 20));
    // Voided once: the second click says so, with no dialog.
    click(w, "cmdVoidPayment");
    EXPECT_EQ(about.size(), 1u);
    EXPECT_EQ(messages.back(),
              "Sorry, you entered an incorrect value: payment 2 was voided already, on 20/03/2003");
    EXPECT_EQ(voids.count(), 1);
    EXPECT_EQ(text(w, "txtSum"), "25");  // the payment itself is as it was
}

TEST_F(MoneyWindowTest, PaymentRunsListsEachRunAndReversesTheChosenOneAfterConfirming) {
    write_money(state, file::kPayments, {{1, 5, 37257}});
    std::vector<uint8_t> bytes(2 * MoneyRecord::kSize);
    MoneyRecord{1, 12.5f, ole_from_ymd(2003, 2, 28)}.encode(bytes.data());
    MoneyRecord{2, 30, ole_from_ymd(2003, 2, 28)}.encode(bytes.data() + MoneyRecord::kSize);
    register_payment_run(state, ole_from_ymd(2003, 2, 1), ole_from_ymd(2003, 2, 28), bytes.data(),
                         2);
    MoneyWindow* w = openPayments();
    click(w, "cmdPaymentRuns");
    auto* runs = qobject_cast<ui::PaymentRunsWindow*>(context.openWindow("frmPaymentRuns"));
    ASSERT_NE(runs, nullptr);
    auto* grid = child<QTableWidget>(runs, "MSFGRuns");
    // Spoken names, labels that lead to their boxes, and Tab in reading order.
    auto* date = child<QLineEdit>(runs, "txtReverseDate");
    auto* reverse = child<QPushButton>(runs, "cmdReverseRun");
    for (QWidget* control : std::initializer_list<QWidget*>{grid, date, reverse})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
    std::vector<QWidget*> buddies;
    for (QLabel* label : runs->findChildren<QLabel*>())
        if (label->buddy()) buddies.push_back(label->buddy());
    EXPECT_EQ(buddies.size(), 2u);
    EXPECT_NE(std::find(buddies.begin(), buddies.end(), date), buddies.end());
    auto nextTab = [](QWidget* from) {
        QWidget* w = from->nextInFocusChain();
        while (w != from && (from->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus)))
            w = w->nextInFocusChain();
        return w;
    };
    EXPECT_EQ(nextTab(grid), date);
    EXPECT_EQ(nextTab(date), reverse);
    ASSERT_EQ(grid->rowCount(), 1);
    std::vector<std::string> row;
    for (int c = 0; c < grid->columnCount(); ++c)
        row.push_back(grid->item(0, c)->text().toStdString());
    EXPECT_EQ(row[0], "1");
    EXPECT_EQ(std::vector<std::string>(row.begin() + 2, row.end()),
              (std::vector<std::string>{"01/02/2003", "28/02/2003", "2 to 3", "2", "42.50", ""}));

    click(runs, "cmdReverseRun");  // nothing chosen
    EXPECT_EQ(messages.back(), "Choose the run to reverse in the grid first.");
    grid->setCurrentCell(0, 0);
    type(runs, "txtReverseDate", "27/02/2003");
    click(runs, "cmdReverseRun");
    EXPECT_EQ(messages.back(),
              "The voids' date 27/02/2003 is before payment 2 of run 1, dated 28/02/2003");
    type(runs, "txtReverseDate", "01/03/2003");
    context.messageSink = [this](const ui::MessageRequest& request) {
        messages.push_back(request.text.toStdString());
        titles.push_back(request.title.toStdString());
        return titles.back() == "Reverse payment run 1" && messages.size() == 3
                   ? ui::MessageAnswer::Cancel
                   : ui::MessageAnswer::Ok;
    };
    click(runs, "cmdReverseRun");  // Cancel
    EXPECT_FALSE(std::filesystem::exists(state.dataFile(file::kVoids)));
    click(runs, "cmdReverseRun");
    EXPECT_EQ(messages.back().rfind("Reversing payment run 1 voids 2 payments, 42.50 in all, "
                                    "dated 01/03/2003.",
                                    0),
              0u)
        << messages.back();
    EXPECT_EQ(records(file::kVoids, VoidRecord::kSize), 2);
    EXPECT_EQ(grid->item(0, 7)->text().toStdString(), "on 01/03/2003");
    EXPECT_EQ(child<QLabel>(runs, "lblRunsStatus")->text().toStdString(),
              "Payment run 1 reversed: voids 1 to 2, 42.50 in all.");
    click(runs, "cmdReverseRun");
    EXPECT_EQ(messages.back(),
              "Payment run 1 is not reversed again: this run was reversed on 01/03/2003");
    EXPECT_EQ(records(file::kVoids, VoidRecord::kSize), 2);
}

}  // namespace
}  // namespace qdx::test
