// The report window on its own: the grid, the exports, printing, Register payments.
#include "reports/ui/report_window.h"

#include <QAbstractScrollArea>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <filesystem>
#include <iterator>

#include "core/files.h"
#include "core/payee_file.h"
#include "core/payment_runs.h"
#include "core/record_file.h"
#include "report_ui_fixture.h"
#include "reports/print/pdf_words.h"
#include "reports/report_totals.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

ReportTable payments_table(std::vector<std::pair<int32_t, float>> rows) {
    ReportTable t;
    t.request = {ReportKind::PaymentsDue, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.caption = "Payments_Report";
    t.showRegisterPayments = true;
    t.setHeader(" Affiliate's ID     | Payments Due  ");
    for (auto [id, sum] : rows) {
        t.appendRow();
        put_long(t, t.rowCount() - 1, 0, id);
        put_single(t, t.rowCount() - 1, 1, sum, Regional());
    }
    append_total_row(t, {1}, Regional());
    return t;
}

class ReportWindowTest : public ReportUiTest {
  protected:
    ui::ReportWindow* open(ReportTable table) {
        ui::ReportWindow* w = ui::show_report_window(context, range);
        w->showTable(std::move(table));
        return w;
    }
    template <class T>
    T* child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void click(QWidget* w, const char* name) { child<QPushButton>(w, name)->click(); }
    int64_t paymentCount() {
        return RecordFile(state.dataFile(file::kPayments), MoneyRecord::kSize).count();
    }
};

TEST_F(ReportWindowTest, GridShowsHeaderAndTotalRowInBoldAndTheDataRowsPlain) {
    ui::ReportWindow* w = open(accounts_table());
    auto* model = child<QTableView>(w, "MsfReport")->model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_TRUE(model->headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model->index(0, 1).data().toString(), "12.346");
    EXPECT_FALSE(model->index(1, 2).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_TRUE(model->index(2, 3).data(Qt::FontRole).value<QFont>().bold());
}

TEST_F(ReportWindowTest, SaveAsTextUsesTheChosenSeparatorAndReplacesTheEarlierExport) {
    ui::ReportWindow* w = open(accounts_table());
    fs::path file = folder.path() / "output" / "Accounts_Report.txt";
    click(w, "cmdSaveTXT");
    EXPECT_NE(read_file(file).find("2;5.25;1;4.25\r\n"), std::string::npos);

    child<QRadioButton>(w, "optComma")->click();
    click(w, "cmdSaveTXT");
    std::string text = read_file(file);
    EXPECT_EQ(text.find("2;5.25"), std::string::npos);
    EXPECT_NE(text.find(" Total,17.596,1,16.596\r\n"), std::string::npos);

    child<QRadioButton>(w, "optSpase")->click();
    click(w, "cmdSaveTXT");
    EXPECT_NE(read_file(file).find(" Affiliate's ID       Income       "), std::string::npos);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(w->statusText().contains("Accounts_Report.txt"));
}

TEST_F(ReportWindowTest, SavesThatCannotBeWrittenSaySoAndLeaveNoFile) {
    ui::ReportWindow* w = open(accounts_table());
    // A file where the output folder belongs stops both exports.
    write_file_atomically(folder.path() / "output", "not a folder");
    click(w, "cmdSaveTXT");
    click(w, "cmdSaveHTM");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].text.startsWith("The report could not be saved as text"));
    EXPECT_TRUE(messages[1].text.startsWith("The report could not be saved as HTML"));
    EXPECT_EQ(messages[0].title, "Qdx");
    EXPECT_EQ(messages[0].buttons, ui::MessageButtons::Ok);
    EXPECT_TRUE(w->statusText().isEmpty());
}

// The preview dialog, its pages printed into a PDF as its Print button would
// print them: the report's cells and the chart the window offers.
TEST_F(ReportWindowTest, PrintPreviewOpensOnTheReportWithTheChartOfTheWindow) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    ui::ReportWindow* w = open(full_accounts());
    int asked = 0;
    w->setPreviewChartSource([&asked]() -> std::optional<PreviewChart> {
        ++asked;
        PreviewChart chart;
        chart.page = PreviewChart::Page::First;
        chart.paint = [](QPainter& painter, const QRectF& area) {
            painter.drawText(area, Qt::AlignCenter, "ChartMark");
        };
        return chart;
    });
    const fs::path file = folder.path() / "preview.pdf";
    bool shown = false;
    context.dialogSink = [&](QDialog& dialog) {
        auto* preview = qobject_cast<ui::PrintPreviewDialog*>(&dialog);
        EXPECT_NE(preview, nullptr);
        if (!preview) return int(QDialog::Rejected);
        shown = true;
        preview->printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->printer()->setOutputFileName(QString::fromStdString(file.string()));
        EXPECT_TRUE(preview->printTo(*preview->printer()));
        return int(QDialog::Rejected);
    };
    click(w, "cmdPrintPreview");
    ASSERT_TRUE(shown);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(messages.empty());
    const auto words = words_of(file);
    const Word* chart = find_word(words, "ChartMark");
    const Word* total = find_word(words, "16.596");
    ASSERT_TRUE(chart && total);
    EXPECT_LT(chart->y, total->y);  // on the first page, above the table
    EXPECT_NE(find_word(words, "Page"), nullptr);
}

// A long report's preview opens at once: it paints the pages in view, and
// the next ones as they are scrolled to, never all of them.
TEST_F(ReportWindowTest, PrintPreviewOfALongReportPaintsOnlyThePagesInView) {
    ReportTable t;
    t.caption = "Downline of the Affiliate with ID= 0  Report";
    t.setHeader(" Sub-level  |  ID |Name     |Surname  | E-mail    |Phone  ");
    for (int k = 1; k <= 200'000; ++k) {
        const std::string id = std::to_string(k);
        t.appendTextRow({std::to_string(k % 12 + 1), id, "Name" + id, "Surname" + id,
                         "affiliate" + id + "@example.com", "+49 30 5555 " + id});
    }
    t.setPrintLayout({0, 7, 14, 25, 50, 65}, 6);
    ui::ReportWindow* w = open(std::move(t));
    int pages = 0, paintedFirst = 0, paintedLater = 0, paintedEnd = 0;
    context.dialogSink = [&](QDialog& dialog) {
        auto* preview = qobject_cast<ui::PrintPreviewDialog*>(&dialog);
        EXPECT_NE(preview, nullptr);
        if (!preview) return int(QDialog::Rejected);
        dialog.show();
        QWidget* strip = dialog.findChild<QWidget*>("pagePreview");
        (void)strip->grab();  // paints it as the screen would
        pages = preview->pageCount();
        paintedFirst = preview->pagesPainted();
        auto* bar = dialog.findChild<QAbstractScrollArea*>("scrPages")->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        (void)strip->grab();  // paints it as the screen would
        paintedLater = preview->pagesPainted();
        bar->setValue(bar->maximum());  // the last page can be scrolled to
        (void)strip->grab();            // paints it as the screen would
        paintedEnd = preview->pagesPainted();
        return int(QDialog::Rejected);
    };
    click(w, "cmdPrintPreview");
    EXPECT_GT(pages, 3000);
    EXPECT_GE(paintedFirst, 1);
    EXPECT_LE(paintedFirst, 3);
    EXPECT_GT(paintedLater, paintedFirst);  // the pages scrolled to
    EXPECT_LE(paintedLater, 6);
    EXPECT_GT(paintedEnd, paintedLater);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ReportWindowTest, PrintWithoutAPrinterWritesAPdfIntoOutputWithoutAMessageBox) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    ui::ReportWindow* w = open(full_accounts());
    click(w, "cmdPrint");
    fs::path file = folder.path() / "output" / "Accounts_Report.pdf";
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);  // no temporary
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(w->statusText().contains("Accounts_Report.pdf"));
    EXPECT_NE(find_word(words_of(file), "16.596"), nullptr);
}

TEST_F(ReportWindowTest, RegisterPaymentsAsksFirstAndAgainBeforeTheSamePaymentsTwice) {
    write_money(state, file::kPayments, {{9, 1.5f, ole_from_ymd(2003, 1, 2)}});
    ui::ReportWindow* w = open(payments_table({{3, 12.5f}, {7, 4}}));
    answer = ui::MessageAnswer::Cancel;
    click(w, "cmdRegistrePayments");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Warninig");
    EXPECT_EQ(messages[0].buttons, ui::MessageButtons::OkCancel);
    EXPECT_EQ(paymentCount(), 1);

    answer = ui::MessageAnswer::Ok;
    click(w, "cmdRegistrePayments");
    EXPECT_EQ(paymentCount(), 3);
    EXPECT_EQ(messages.size(), 2u);  // the first time, the confirmation only
    const auto runs = read_payment_runs(state.dataDir());
    ASSERT_EQ(runs.size(), 1u);
    const std::string question = "These payments were registered already on " +
                                 shown_time(runs[0].time) + " (run 1). Register them again?";
    // Asked after the confirmation: No (and OK, which is no answer to it) writes nothing.
    for (auto no : {ui::MessageAnswer::No, ui::MessageAnswer::Ok}) {
        answer = no;
        context.messageSink = [this](const ui::MessageRequest& request) {
            messages.push_back(request);
            return request.title == "Warninig" ? ui::MessageAnswer::Ok : answer;
        };
        click(w, "cmdRegistrePayments");
        ASSERT_EQ(messages.back().text.toStdString(), question);
        EXPECT_EQ(messages.back().buttons, ui::MessageButtons::YesNo);
        EXPECT_EQ(paymentCount(), 3);
    }
    answer = ui::MessageAnswer::Yes;
    click(w, "cmdRegistrePayments");
    EXPECT_EQ(paymentCount(), 5);
    EXPECT_EQ(read_payment_runs(state.dataDir()).size(), 2u);
    // Other payments over the same range are not asked about.
    const size_t asked = messages.size();
    w->showTable(payments_table({{3, 12.5f}}));
    click(w, "cmdRegistrePayments");
    EXPECT_EQ(messages.size(), asked + 1);
    EXPECT_EQ(paymentCount(), 6);
}

TEST_F(ReportWindowTest, RegisterPaymentsThatFailsPartWayWritesNoneAndSaysSo) {
    write_money(state, file::kPayments, {{9, 1.5f, ole_from_ymd(2003, 1, 2)}});
    ReportTable table = payments_table({{3, 12.5f}, {7, 4}});
    table.put(2, 0, "7", std::nan(""));  // the second row names no affiliate
    ui::ReportWindow* w = open(std::move(table));
    click(w, "cmdRegistrePayments");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.startsWith("The payments could not be registered"));
    EXPECT_EQ(paymentCount(), 1);
}

// Save as .csv, Write payout file... and the line beside Register payments.
TEST_F(ReportWindowTest, PayoutFileCsvAndTheRegisterSummaryBesideAPaymentsDueGrid) {
    AffiliateRecord ann = affiliate(3, 0, 1, ole_from_ymd(2003, 1, 1));
    ann.email = "ann@example.com";
    write_affiliates(state,
                     {affiliate(1, 0, 1, 0), affiliate(2, 0, 1, 0), ann, affiliate(4, 0, 1, 0),
                      affiliate(5, 0, 1, 0), affiliate(6, 0, 1, 0), affiliate(7, 0, 1, 0)});
    ui::ReportWindow* w = open(accounts_table());
    EXPECT_FALSE(child<QPushButton>(w, "cmdWritePayout")->isVisible());
    w->writePayoutFile();  // as the File menu asks it
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, ui::kMakePaymentsDueFirst);

    w->showTable(payments_table({{3, 12.5f}, {7, 4}}));
    EXPECT_EQ(child<QLabel>(w, "lblRegisterSummary")->text(),
              "Would write 2 payment(s), 16.5 in all (the rows' exact sum), dated 31/03/2003");

    click(w, "cmdSaveCSV");
    EXPECT_EQ(read_file(folder.path() / "output" / "Payments_Report.csv"),
              "\xEF\xBB\xBF"
              "Affiliate's ID,Payments Due\r\n3,12.5\r\n7,4\r\nTotal,16.5\r\n");

    // The dialog is answered as a person would: the mass-payment form in
    // francs. The next time it offers the same currency.
    context.dialogSink = [&](QDialog& dialog) {
        child<QRadioButton>(&dialog, "optPayoutMass")->click();
        child<QLineEdit>(&dialog, "txtCurrency")->setText("chf");
        return int(QDialog::Accepted);
    };
    click(w, "cmdWritePayout");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.contains("lists 1 payment(s), 12.50 in all"));
    EXPECT_TRUE(messages[1].text.contains("no e-mail to pay to: affiliate ID 7."));
    EXPECT_EQ(read_file(folder.path() / "output" / "payout_2003-03-31.csv"),
              "ann@example.com,12.50,CHF,3,Qdx payout 2003-03-01 to 2003-03-31\r\n");
    QString offered;
    context.dialogSink = [&](QDialog& dialog) {
        offered = child<QLineEdit>(&dialog, "txtCurrency")->text();
        return int(QDialog::Rejected);
    };
    click(w, "cmdWritePayout");
    EXPECT_EQ(offered, "CHF");
    EXPECT_EQ(messages.size(), 2u);
}

// The SEPA layout asks for the account it pays from, remembers it with the
// version chosen, and names who was left out. Its boxes are labelled and in
// reading order.
TEST_F(ReportWindowTest, PayoutDialogWritesASepaFileAndKeepsTheDebtor) {
    write_affiliates(state, {affiliate(1, 0, 1, 0), affiliate(2, 0, 1, 0), affiliate(3, 0, 1, 0)});
    write_payee_file(payee_file_path(state),
                     {{PayMethod::BankTransfer, "Zoë Müller", "DE89370400440532013000", "", ""},
                      {PayMethod::PayPal, "", "", "", "b@example.com"},
                      {PayMethod::BankTransfer, "Bad", "DE89370400440532013001", "", ""}});
    ui::ReportWindow* w = open(payments_table({{1, 12.5f}, {2, 4}, {3, 7}}));
    const auto xml = folder.path() / "output" / "payout_2003-03-31.xml";
    context.dialogSink = [&](QDialog& dialog) {
        EXPECT_FALSE(child<QLineEdit>(&dialog, "txtDebtorIban")->isEnabled());
        child<QRadioButton>(&dialog, "optPayoutSepa03")->click();
        EXPECT_TRUE(child<QLineEdit>(&dialog, "txtDebtorIban")->isEnabled());
        EXPECT_FALSE(child<QLineEdit>(&dialog, "txtCurrency")->isEnabled());
        EXPECT_TRUE(child<QLineEdit>(&dialog, "txtPayoutFile")->text().endsWith(".xml"));
        for (const char* name :
             {"txtDebtorName", "txtDebtorIban", "txtDebtorBic", "txtExecutionDate"}) {
            auto* box = child<QLineEdit>(&dialog, name);
            EXPECT_FALSE(box->accessibleName().isEmpty()) << name;
            bool labelled = false;
            for (QLabel* label : dialog.findChildren<QLabel*>()) labelled |= label->buddy() == box;
            EXPECT_TRUE(labelled) << name;
        }
        QWidget* next = child<QLineEdit>(&dialog, "txtDebtorIban")->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
        EXPECT_EQ(next, child<QLineEdit>(&dialog, "txtDebtorBic"));
        child<QLineEdit>(&dialog, "txtDebtorName")->setText("Owner");
        child<QLineEdit>(&dialog, "txtDebtorIban")->setText("nl91 abna 0417 1643 00");
        return int(QDialog::Accepted);
    };
    click(w, "cmdWritePayout");
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(messages.back().text.contains("lists 1 payment(s), 12.50 EUR in all."))
        << messages.back().text.toStdString();
    EXPECT_TRUE(messages.back().text.contains("Left out: affiliate ID 2, paid by PayPal."));
    EXPECT_TRUE(messages.back().text.contains(
        "Left out: affiliate ID 3, the IBAN \"DE89370400440532013001\" has wrong check digits"));
    const std::string written = read_file(xml);
    EXPECT_NE(written.find("<Nm>Zoe Muller</Nm>"), std::string::npos) << written;
    EXPECT_NE(written.find("pain.001.001.03"), std::string::npos);

    // The next time: the same version and account, offered as they were kept.
    QString iban;
    bool sepa03 = false;
    context.dialogSink = [&](QDialog& dialog) {
        iban = child<QLineEdit>(&dialog, "txtDebtorIban")->text();
        sepa03 = child<QRadioButton>(&dialog, "optPayoutSepa03")->isChecked();
        return int(QDialog::Rejected);
    };
    click(w, "cmdWritePayout");
    EXPECT_EQ(iban, "NL91ABNA0417164300");
    EXPECT_TRUE(sepa03);
}

// After the file, the offer to register exactly what it pays: whole cents,
// dated the range's end, in one append; the fractions stay owed.
TEST_F(ReportWindowTest, RegisterThesePaymentsRegistersTheFilesCentsAfterAPayoutFile) {
    write_money(state, file::kPayments, {{9, 1.5f, ole_from_ymd(2003, 1, 2)}});
    write_affiliates(state, {affiliate(1, 0, 1, 0), affiliate(2, 0, 1, 0), affiliate(3, 0, 1, 0)});
    ui::ReportWindow* w = open(payments_table({{1, 12.346f}, {2, 0.004f}, {3, 4.999f}}));
    context.dialogSink = [](QDialog&) { return int(QDialog::Accepted); };

    answer = ui::MessageAnswer::Cancel;
    click(w, "cmdWritePayout");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, ui::kRegisterThesePayments);
    EXPECT_EQ(messages[0].buttons, ui::MessageButtons::OkCancel);
    EXPECT_TRUE(messages[0].text.contains("lists 2 payment(s), 17.33 in all"));
    EXPECT_TRUE(messages[0].text.contains("less than 0.01: affiliate ID 2."));
    EXPECT_TRUE(
        messages[0].text.contains("2 payment(s) of the file, 17.33 in all, dated 31/03/2003"));
    EXPECT_EQ(paymentCount(), 1);  // Cancel registers nothing

    answer = ui::MessageAnswer::Ok;
    click(w, "cmdWritePayout");
    ASSERT_EQ(messages.size(), 2u);
    ASSERT_EQ(paymentCount(), 3);
    RecordFile payments(state.dataFile(file::kPayments), MoneyRecord::kSize);
    const auto first = payments.read<MoneyRecord>(2);
    const auto second = payments.read<MoneyRecord>(3);
    EXPECT_EQ(first.affiliateId, 1);
    EXPECT_EQ(first.sum, 12.34f);
    EXPECT_EQ(first.date, ole_from_ymd(2003, 3, 31));
    EXPECT_EQ(second.affiliateId, 3);
    EXPECT_EQ(second.sum, 4.99f);
    EXPECT_TRUE(w->statusText().contains("2 payment(s) registered, 17.33 in all"));
}

}  // namespace
}  // namespace qdx::test
