// The File menu: imports through their preview, and the payout file.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <fstream>

#include "app/main_window.h"
#include "app/window_wiring.h"
#include "registers/ui/money_window.h"
#include "registers/ui/window_fixture.h"
#include "reports/ui/report_window.h"

namespace qdx::test {
namespace {

class FileMenuTest : public WindowTest {
  protected:
    void SetUp() override {
        write_affiliates(state, {affiliate(1, 0, 1, 37257), affiliate(2, 1, 2, 37257)});
        write_money(state, file::kSales, {{1, 10, 37257}});
        main = open(new ui::MainWindow(context));
        ui::wire_main_window(*main);
    }
    void TearDown() override {
        for (const char* w : {"frmSales", "frmReports"})
            if (QWidget* opened = context.openWindow(w)) opened->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Offers `contents` as the file chosen in the file dialog.
    void chooseFile(const std::string& contents) {
        const auto path = folder.path() / "sales.csv";
        std::ofstream(path, std::ios::binary) << contents;
        context.fileSink = [path](const ui::FileRequest&) {
            return QString::fromStdString(path.string());
        };
    }
    ui::MainWindow* main = nullptr;
};

TEST_F(FileMenuTest, ImportShowsThePreviewAndTheOpenSalesWindowShowsTheNewRecords) {
    main->button("cmdSales")->click();
    auto* sales = qobject_cast<ui::MoneyWindow*>(context.openWindow("frmSales"));
    ASSERT_NE(sales, nullptr);

    // A row with a problem: nothing can be imported, and the dialog says where.
    chooseFile("affiliate_id,date,sum\r\n1,2003-03-05,4\r\n9,2003-03-06,5\r\n");
    QStringList problem;
    context.dialogSink = [&](QDialog& dialog) {
        auto* problems = child<QTableWidget>(&dialog, "tblImportProblems");
        for (int c = 0; c < problems->columnCount(); ++c) problem << problems->item(0, c)->text();
        EXPECT_FALSE(child<QPushButton>(&dialog, "cmdImport")->isEnabled());
        return int(QDialog::Rejected);
    };
    main->action("ImportSales")->trigger();
    EXPECT_EQ(problem.value(0), "3");
    EXPECT_EQ(problem.value(1), "affiliate_id");

    chooseFile(
        "\xEF\xBB\xBF"
        "Date,Sum,Affiliate_ID\r\n2003-03-05,4.5,1\r\n2003-03-06,5,2\r\n");
    QString summary;
    int previewRows = 0;
    context.dialogSink = [&](QDialog& dialog) {
        summary = child<QLabel>(&dialog, "lblImportSummary")->text();
        previewRows = child<QTableWidget>(&dialog, "tblImportPreview")->rowCount();
        click(&dialog, "cmdImport");
        return dialog.result();
    };
    main->action("ImportSales")->trigger();
    EXPECT_TRUE(summary.startsWith("2 record(s) to import into sales, 9.5 in all."))
        << summary.toStdString();
    EXPECT_EQ(previewRows, 2);
    EXPECT_EQ(sales->recordCount(), 3);
    EXPECT_EQ(sales->currentRecord(), 3);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "2 record(s) imported into sales, numbers 2 to 3.");

    // The same file again is refused unless asked for.
    bool offeredAgain = false;
    context.dialogSink = [&](QDialog& dialog) {
        offeredAgain = child<QWidget>(&dialog, "chkImportAgain")->isVisibleTo(&dialog);
        EXPECT_FALSE(child<QPushButton>(&dialog, "cmdImport")->isEnabled());
        return int(QDialog::Rejected);
    };
    main->action("ImportSales")->trigger();
    EXPECT_TRUE(offeredAgain);
    EXPECT_EQ(records(file::kSales, MoneyRecord::kSize), 3);
}

// An import is reversed from its line in the ledger, dated the day typed,
// after one more question; a date that is none reverses nothing.
TEST_F(FileMenuTest, ReverseAnImportSaysWhatItWritesAndAsksFirst) {
    chooseFile("affiliate_id,date,sum\r\n1,2003-03-05,4\r\n2,2003-03-06,5\r\n");
    context.dialogSink = [&](QDialog& dialog) {
        click(&dialog, "cmdImport");
        return dialog.result();
    };
    main->action("ImportSales")->trigger();
    ASSERT_EQ(records(file::kSales, MoneyRecord::kSize), 3);

    QString listed, described, refused;
    bool enabledOnABadDate = true;
    ui::MessageAnswer answer = ui::MessageAnswer::No;
    context.messageSink = [&](const ui::MessageRequest& request) {
        messages.push_back(request.text.toStdString());
        return request.buttons == ui::MessageButtons::YesNo ? answer : ui::MessageAnswer::Ok;
    };
    context.dialogSink = [&](QDialog& dialog) {
        listed = child<QListWidget>(&dialog, "lstImports")->item(0)->text();
        type(&dialog, "txtReversalDate", "2003-03-40");
        enabledOnABadDate = child<QPushButton>(&dialog, "cmdReverseImport")->isEnabled();
        type(&dialog, "txtReversalDate", "2003-03-04");  // before the first sale
        refused = child<QLabel>(&dialog, "lblReversal")->text();
        type(&dialog, "txtReversalDate", "2003-03-20");
        described = child<QLabel>(&dialog, "lblReversal")->text();
        click(&dialog, "cmdReverseImport");
        return dialog.result();
    };
    main->action("ReverseImport")->trigger();
    EXPECT_EQ(listed, "Import 1 (sales, records 2 to 3, 2003-03-31)");
    EXPECT_FALSE(enabledOnABadDate);
    EXPECT_TRUE(refused.contains("record 2 is dated 2003-03-05")) << refused.toStdString();
    EXPECT_EQ(described.toStdString(),
              "Reversing it writes 2 full refund(s) of its sales dated 20/03/2003, total sum 9.");
    EXPECT_FALSE(std::filesystem::exists(state.dataFile("refunds.qdx")));  // answered No

    answer = ui::MessageAnswer::Yes;
    main->action("ReverseImport")->trigger();
    EXPECT_EQ(records("refunds.qdx", 16), 2);
    EXPECT_EQ(messages.back(),
              "Import 1 (sales, records 2 to 3, 2003-03-31) reversed: records 1 to 2 of the "
              "refunds.");
}

TEST_F(FileMenuTest, ImportFindsTheDelimiterAndKeepsLettersTheFilesLackOnlyWhenAsked) {
    // Semicolons and a Greek letter, as a spreadsheet in another region saves them.
    chooseFile("affiliate_id;date;sum;details\r\n1;2003-03-05;4;\xCE\xB1lpha\r\n");
    QString summary, problem, latinName, bought;
    bool importableAsIs = true;
    context.dialogSink = [&](QDialog& dialog) {
        auto* delimiter = child<QComboBox>(&dialog, "cboImportDelimiter");
        EXPECT_EQ(delimiter->currentText(), "Found in the header line");
        summary = child<QLabel>(&dialog, "lblImportSummary")->text();
        problem = child<QTableWidget>(&dialog, "tblImportProblems")->item(0, 2)->text();
        importableAsIs = child<QPushButton>(&dialog, "cmdImport")->isEnabled();
        auto* latin = child<QCheckBox>(&dialog, "chkImportLatin");
        latinName = latin->accessibleName();
        latin->setChecked(true);
        bought = child<QTableWidget>(&dialog, "tblImportPreview")->item(0, 4)->text();
        click(&dialog, "cmdImport");
        return dialog.result();
    };
    main->action("ImportSales")->trigger();
    EXPECT_TRUE(
        summary.contains("Read with the semicolon as delimiter (found in the header line)."))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains("1 line(s) hold characters the files cannot keep"));
    EXPECT_TRUE(problem.startsWith(QString::fromUtf8("\"\xCE\xB1lpha\" holds \"\xCE\xB1\"")))
        << problem.toStdString();
    EXPECT_FALSE(importableAsIs);
    EXPECT_EQ(latinName, "Keep characters the files cannot hold as their nearest Latin letters");
    EXPECT_EQ(bought, "alpha");
    EXPECT_EQ(records(file::kSales, MoneyRecord::kSize), 2);
}

TEST_F(FileMenuTest, WritePayoutFileNeedsTheReportFirst) {
    main->action("WritePayout")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], ui::kMakePaymentsDueFirst);
}

}  // namespace
}  // namespace qdx::test
