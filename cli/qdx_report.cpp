// qdx-report: makes one report headless and writes on standard output the
// bytes "Save as .txt" would write. Failures print the message the report
// window would show, naming the step that failed, and exit 1; usage errors
// exit 2.
#ifdef QDX_WITH_QT
#include <QCoreApplication>
#include <QGuiApplication>
#endif
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>

#include "cli/batch_folder.h"
#include "cli/batch_regional.h"
#include "cli/qdx_report_options.h"
#include "cli/qdx_report_progress.h"
#include "core/app_folder.h"
#include "core/app_state.h"
#include "core/ole_date.h"
#include "core/payment_runs.h"
#include "core/platform/platform.h"
#include "core/settings.h"
#include "registers/void_editing.h"
#include "reports/bank_payouts.h"
#include "reports/csv_export.h"
#include "reports/payout_file.h"
#include "reports/report_export.h"
#include "reports/report_failures.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"
#include "safety/backup.h"
#ifdef QDX_WITH_QT
#include "reports/chart/chart_drawing.h"
#include "reports/print/print_preview.h"
#include "reports/print/report_printout.h"
#endif

namespace {

using qdx::cli::Options;

// A failure whose message is the one the report window would show.
struct Refusal {
    std::string message;
};

// The range as the main window reads it: each box parsed by the regional
// settings; the boxes open on one month before today and today.
void read_range(const qdx::AppState& state, const Options& o, qdx::ReportRequest& request) {
    const double today = state.today();
    for (auto [text, target, preset] :
         {std::tuple{&o.from, &request.range.from, qdx::one_month_before(today)},
          std::tuple{&o.to, &request.range.to, today}}) {
        if (!*text) {
            *target = preset;
            continue;
        }
        auto date = qdx::parse_date(**text, state.regional);
        if (!date) throw Refusal{state.messages.incorrectValue};
        *target = *date;
    }
}

int32_t read_id(const qdx::AppState& state, const Options& o) {
    int32_t id = 0;
    const qdx::IdCheck check = qdx::check_report_id(state, o.id.value_or(""), id);
    if (check != qdx::IdCheck::Ok) throw Refusal{qdx::id_check_message(state.messages, check)};
    return id;
}

// Runs one step after the report was made; a failure says which step failed,
// in the report window's words.
template <class Step>
void step(const char* failed, Step&& run) {
    try {
        run();
    } catch (const std::exception& error) {
        throw Refusal{failed + std::string(error.what())};
    }
}

// The text export, a piece at a time.
void print_to_stdout(const qdx::ReportTable& table, char separator, const qdx::AppState& state) {
    // The bytes as they are (Windows would add a CR before each LF).
    qdx::platform::binary_standard_output();
    bool written = true;
    qdx::stream_text(table, separator, state, [&](std::string_view piece) {
        written = written && std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
    });
    if (written && std::fflush(stdout) == 0) return;
    throw Refusal{"The report could not be written to standard output: " +
                  std::string(std::strerror(errno))};
}

// The payout file; what it holds (and who was left out) goes to standard
// error, as standard output carries the report.
void write_payout(const qdx::AppState& state, const Options& o, const qdx::ReportTable& table) {
    qdx::PayoutRequest request;
    qdx::parse_payout_layout(o.payoutLayout, request.layout);
    request.file = *o.payout;
    const bool sepa =
        request.layout == qdx::PayoutLayout::Sepa09 || request.layout == qdx::PayoutLayout::Sepa03;
    const bool needsCurrency = request.layout == qdx::PayoutLayout::MassPayment ||
                               request.layout == qdx::PayoutLayout::PayPal ||
                               request.layout == qdx::PayoutLayout::Wise;
    if (needsCurrency) {
        request.currency = o.currency.value_or(qdx::remembered_currency(state));
        if (request.currency.empty())
            throw Refusal{request.layout == qdx::PayoutLayout::MassPayment
                              ? "The mass-payment form needs a currency: --currency CODE"
                              : "The provider's file needs a currency: --currency CODE"};
    } else if (sepa) {
        request.currency = o.currency.value_or("EUR");
        request.debtor = qdx::remembered_debtor(state);
        if (o.debtorName) request.debtor.name = *o.debtorName;
        if (o.debtorIban) request.debtor.iban = *o.debtorIban;
        if (o.debtorBic) request.debtor.bic = *o.debtorBic;
        if (o.executionDate) {
            auto date = qdx::parse_date(*o.executionDate, state.regional);
            if (!date) throw Refusal{"--execution-date: not a date: " + *o.executionDate};
            request.executionDate = *date;
        }
    }
    qdx::PayoutResult result;
    step(qdx::kPayoutFailed, [&] {
        result = qdx::write_payout(state, table, request);
        if (needsCurrency) qdx::remember_currency(state, request.currency);
        if (sepa)
            qdx::remember_debtor(state, qdx::check_debtor(request.debtor).first, request.layout);
    });
    std::cerr << qdx::payout_summary(result, request.layout) << "\n";
}

#ifdef QDX_WITH_QT
// The PDFs and the chart as the report window prints and draws them, the
// chart on the application's palette.
void print_and_draw(const qdx::AppState& state, const Options& o, const qdx::ReportTable& table) {
    if (o.pdf) step(qdx::kPrintFailed, [&] { qdx::print_report_to_pdf(table, state, *o.pdf); });
    if (o.previewPdf)
        step(qdx::kPrintFailed, [&] { qdx::print_preview_to_pdf(table, state, *o.previewPdf); });
    if (!o.chart) return;
    const auto chart = qdx::chart_data(table, state);
    if (!chart) return;
    const auto style =
        o.chartLines ? qdx::chart::ChartStyle::Lines : qdx::chart::ChartStyle::Columns;
    step(qdx::chart::kSaveChartFailed, [&] {
        qdx::chart::save_chart(*chart, style, QGuiApplication::palette(), state.regional,
                               std::filesystem::path(*o.chart));
    });
}
#else
// parse_options refuses --pdf, --preview-pdf and --chart in a build without Qt.
void print_and_draw(const qdx::AppState&, const Options&, const qdx::ReportTable&) {}
#endif

// "payment-runs": one line per run of the ledger.
int list_payment_runs(const qdx::AppState& state) {
    const auto runs = qdx::read_payment_runs(state.dataDir());
    if (runs.empty()) std::cerr << "No payment run was registered yet.\n";
    for (const qdx::PaymentRun& run : runs)
        std::cout << qdx::run_summary(run, state.regional) << "\n";
    return 0;
}

// "--reverse-run N": says what it reverses, keeps a backup, writes the voids.
int reverse_payment_run(const qdx::AppState& state, const Options& o) {
    const std::string& typed = *o.reverseRun;
    if (typed.empty() || typed.size() > 18 ||
        typed.find_first_not_of("0123456789") != std::string::npos)
        throw Refusal{"--reverse-run: \"" + typed + "\" is not a payment run's number"};
    double date = state.today();
    if (o.date) {
        const auto parsed = qdx::parse_date(*o.date, state.regional);
        if (!parsed) throw Refusal{"--date: \"" + *o.date + "\" is not a date"};
        date = *parsed;
    }
    try {
        const qdx::ReversalPlan plan = qdx::plan_reversal(state, std::stoll(typed), date);
        std::cout << qdx::reversal_summary(plan, state.regional) << "\n";
        {
            qdx::cli::TerminalProgress shown;
            // The data as it was is kept first; without a backup nothing is voided.
            qdx::automatic_backup(state.appDir, "voids", shown.progress());
        }
        const qdx::RunReversal done = qdx::reverse_run(state, plan);
        std::cout << "Payment run " << plan.run.number << " reversed: voids " << done.firstVoid
                  << " to " << done.lastVoid << " written.\n";
    } catch (const qdx::ReversalRefused& refused) {
        throw Refusal{refused.what()};
    }
    return 0;
}

int run(qdx::AppState& state, const Options& o) {
    if (o.paymentRuns) return list_payment_runs(state);
    if (o.reverseRun) return reverse_payment_run(state, o);
    const qdx::ReportKindInfo& kind = qdx::report_kind(o.report);
    qdx::ReportRequest request;
    request.kind = o.report;
    // The ID reports check the ID box before the dates; the others have none.
    if (kind.takesId) request.id = read_id(state, o);
    read_range(state, o, request);
    request.full = o.full;
    request.pages = o.pages;
    qdx::load_settings(state);

    qdx::ReportTable table;
    try {
        qdx::cli::TerminalProgress shown;
        table = qdx::make_report(state, request, shown.progress());
    } catch (const std::exception& error) {
        // A damaged record is named on a line of its own below the message.
        std::string text = qdx::report_failure_message(state.messages, kind.onFailure, error);
        if (const std::string detail = qdx::report_failure_detail(kind.onFailure, error);
            !detail.empty())
            text += "\n" + detail;
        throw Refusal{text};
    }
    // What the report left out (and why) goes to standard error, as the
    // window says it in a message box; the report itself is made.
    if (!table.notice.empty()) std::cerr << table.notice << "\n";
    if (o.save) {
        step(qdx::kSaveTextFailed, [&] {
            qdx::cli::TerminalProgress shown;
            qdx::save_text(table, o.separator, state, shown.progress());
        });
        step(qdx::kSaveHtmlFailed, [&] {
            qdx::cli::TerminalProgress shown;
            qdx::save_html(table, state, shown.progress());
        });
    }
    if (o.csv)
        step(qdx::kSaveCsvFailed, [&] {
            qdx::cli::TerminalProgress shown;
            qdx::save_csv(table, state, shown.progress(),
                          o.rawText ? qdx::CsvTexts::Raw : qdx::CsvTexts::Guarded);
        });
    print_and_draw(state, o, table);
    if (o.payout) write_payout(state, o, table);
    print_to_stdout(table, o.separator, state);
    // Registering comes last: once the payments are written nothing else can
    // fail, so a failure never leaves them written without the report that
    // lists them.
    if (o.registerPayments)
        step(qdx::kRegisterFailed, [&] {
            qdx::cli::TerminalProgress shown;
            // The data as it was is kept first; without a backup nothing is registered.
            qdx::automatic_backup(state.appDir, "payments", shown.progress());
            qdx::register_payments(state, table, shown.progress());
        });
    return 0;
}

#ifdef QDX_WITH_QT
// Printing and charts need fonts, and so a GUI application; headless
// (offscreen) unless told otherwise, so that no display is needed.
std::unique_ptr<QCoreApplication> make_application(int& argc, char** argv, const Options& o) {
    if (!o.pdf && !o.previewPdf && !o.chart) return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (auto done =
            qdx::cli::parse_options(std::vector<std::string>(argv + 1, argv + argc), options))
        return *done;

#ifdef QDX_WITH_QT
    auto app = make_application(argc, argv, options);
    QCoreApplication::setApplicationName("Qdx");
#else
    std::setlocale(LC_ALL, "");  // the user's, as Qt sets it
#endif
    // The engine formats numbers itself; keep the C library's own in "C".
    std::setlocale(LC_NUMERIC, "C");

    qdx::AppState state;
    state.regional = qdx::cli::user_regional();

    qdx::FolderLock lock;
    try {
        qdx::cli::open_batch_folder(state, options.app, lock);
        return run(state, options);
    } catch (const Refusal& refusal) {
        std::cerr << refusal.message << "\n";
        return 1;
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << "\n";
        return 1;
    }
}
