#pragma once
// The command line of qdx-report.
#include <optional>
#include <string>
#include <vector>

#include "reports/report_request.h"

namespace qdx::cli {

using Report = ReportKind;

struct Options {
    Report report = Report::Accounts;
    std::optional<std::string> id;  // the ID argument, as typed
    std::optional<std::string> app, from, to;
    bool full = false;
    char separator = ';';
    bool pages = false;
    bool registerPayments = false;
    bool save = false;
    std::optional<std::string> pdf;
    std::optional<std::string> previewPdf;  // the print preview, as a PDF
    bool csv = false;
    bool rawText = false;                 // CSV texts that look like formulas written as they are
    std::optional<std::string> payout;    // the payout file to write
    bool massPayment = false;             // its layout: the mass-payment form, else Qdx's own
    std::string payoutLayout = "qdx";     // qdx, mass, sepa, sepa03, paypal or wise
    std::optional<std::string> currency;  // of the mass-payment form and the provider files
    // The SEPA file's debtor (kept for the next run when given) and execution date.
    std::optional<std::string> debtorName, debtorIban, debtorBic, executionDate;
    std::optional<std::string> chart;  // the chart file to write, .png or .svg
    bool chartLines = false;           // drawn as lines, else as columns
    // The payment runs: listed ("payment-runs" as REPORT), or one reversed
    // (--reverse-run N) with voids dated --date, else today.
    bool paymentRuns = false;
    std::optional<std::string> reverseRun, date;
};

// Reads the arguments after the program name into `o`. Returns the exit code
// when the program is done: after --help or --version (0), after a mistake,
// printed with the usage (2), or after --pdf, --preview-pdf or --chart in a
// build without Qt, which has no printing or charts (1, with
// kNoPrintingOrCharts).
std::optional<int> parse_options(const std::vector<std::string>& args, Options& o);

extern const char* const kUsage;
// Whether this build prints (--pdf, --preview-pdf) and draws charts (--chart): with Qt only.
extern const bool kPrintsAndDraws;
extern const char* const kNoPrintingOrCharts;

}  // namespace qdx::cli
