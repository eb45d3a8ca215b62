#include "cli/qdx_report_options.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <iterator>
#include <utility>

#include "cli/command_line.h"
#include "reports/report_chart.h"
#include "reports/report_kinds.h"

namespace qdx::cli {

#ifdef QDX_WITH_QT
const bool kPrintsAndDraws = true;
#else
const bool kPrintsAndDraws = false;
#endif
const char* const kNoPrintingOrCharts =
    "this build of qdx-report has no PDF or chart output (it was made without Qt)";

const char* const kUsage =
    "usage: qdx-report [options] REPORT [ID]\n"
    "       qdx-report [--app DIR] payment-runs\n"
    "       qdx-report [--app DIR] --reverse-run N [--date DATE]\n"
    "  REPORT: accounts | payments-due | ap-performance | activities | income-structure |\n"
    "          network | downline\n"
    "  ID: the affiliate ID, for the four reports that take one (0: the whole network)\n"
    "  --app DIR        the application folder (default: as the desktop program finds it)\n"
    "  --from DATE      start of the range (default: one month before today)\n"
    "  --to DATE        end of the range (default: today); dates as the regional short\n"
    "                   date format or yyyy-mm-dd\n"
    "  --full           Full report type (default Short)\n"
    "  --separator semicolon|comma|space   (default semicolon)\n"
    "  --pages          payments-due: also write the affiliate pages\n"
    "  --register       payments-due: register the listed payments\n"
    "  --save           also write output/<name>.txt and output/html/<name>.htm\n"
    "  --pdf FILE       print the short report into FILE\n"
    "  --preview-pdf FILE  write the print preview (columns laid out to fit, header\n"
    "                   on every page, pages numbered) into FILE\n"
    "  --csv            also write output/<name>.csv (decimal points, yyyy-mm-dd dates)\n"
    "  --raw-text       in the CSV, write texts beginning with =, +, -, @, tab or CR as\n"
    "                   they are (default: with a leading ' so no spreadsheet runs them)\n"
    "  --payout FILE    payments-due: write the payout file of the listed rows to FILE\n"
    "  --payout-layout qdx|mass|sepa|sepa03|paypal|wise   Qdx's own columns (default),\n"
    "                   the mass-payment form, a SEPA credit transfer (pain.001.001.09,\n"
    "                   or .03), PayPal Payouts (5,000 rows a file) or a Wise batch\n"
    "                   (1,000 rows a file)\n"
    "  --currency CODE  the currency of the mass-payment form, PayPal and Wise (default:\n"
    "                   the one last used); SEPA pays EUR\n"
    "  --debtor-name TEXT, --debtor-iban IBAN, --debtor-bic BIC   the account a SEPA\n"
    "                   file pays from (default: the one last used; kept when given)\n"
    "  --execution-date DATE   the SEPA file's requested execution date (default: the\n"
    "                   next working day)\n"
    "  --chart FILE     ap-performance, network, income-structure: write the report's\n"
    "                   chart to FILE, a .png picture or an .svg drawing\n"
    "  --chart-style columns|lines   (default columns)\n"
    "  payment-runs     list the payment runs of Register payments, one line each\n"
    "  --reverse-run N  void every payment of payment run N not voided yet, in one\n"
    "                   piece, and note the run as reversed\n"
    "  --date DATE      the voids' date (default: today)\n"
    "  --help           this text\n"
    "  --version        the program's version\n"
    "The report is written to standard output as \"Save as .txt\" writes it.\n";

namespace {

std::optional<char> separator_named(const std::string& name) {
    if (name == "semicolon") return ';';
    if (name == "comma") return ',';
    if (name == "space") return ' ';
    return std::nullopt;
}

bool is_chart_file(std::string file) {
    for (char& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return file.ends_with(".png") || file.ends_with(".svg");
}

bool looks_negative(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-' &&
           arg.find_first_not_of("-0123456789.,", 1) == std::string::npos;
}

// A negative ID ("network -3") would read as options; it is taken out before
// parsing and reaches the ID check as it was typed.
std::optional<std::string> take_negative_id(const std::vector<std::string>& args,
                                            const CommandLine& line,
                                            std::vector<std::string>& rest) {
    std::optional<std::string> id;
    size_t positionals = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        rest.push_back(arg);
        if (arg.starts_with("--") && line.takes_value(arg.substr(2))) {
            if (i + 1 < args.size()) rest.push_back(args[++i]);
        } else if (!arg.starts_with('-') || arg == "-") {
            ++positionals;
        } else if (positionals == 1 && !id && looks_negative(arg)) {
            rest.pop_back();
            id = arg;
            ++positionals;
        }
    }
    return id;
}

// The options read, checked against each other; the mistake, if any.
std::optional<std::string> check(Options& o, std::vector<std::string> positional,
                                 const std::optional<std::string>& negativeId,
                                 const std::optional<std::string>& separator,
                                 const std::optional<std::string>& payoutLayout,
                                 const std::optional<std::string>& chartStyle) {
    if (separator) {
        auto chosen = separator_named(*separator);
        if (!chosen) return "unknown separator: " + *separator;
        o.separator = *chosen;
    }
    if (payoutLayout) {
        static const char* const kLayouts[] = {"qdx", "mass", "sepa", "sepa03", "paypal", "wise"};
        if (std::find(std::begin(kLayouts), std::end(kLayouts), *payoutLayout) ==
            std::end(kLayouts))
            return "unknown payout layout: " + *payoutLayout;
        o.massPayment = *payoutLayout == "mass";
        o.payoutLayout = *payoutLayout;
    }
    const bool sepa = o.payoutLayout == "sepa" || o.payoutLayout == "sepa03";
    if ((o.debtorName || o.debtorIban || o.debtorBic || o.executionDate) && !sepa)
        return "--debtor-name, --debtor-iban, --debtor-bic and --execution-date need "
               "--payout-layout sepa or sepa03";
    if (chartStyle) {
        if (*chartStyle != "columns" && *chartStyle != "lines")
            return "unknown chart style: " + *chartStyle;
        if (!o.chart) return "--chart-style needs --chart FILE";
        o.chartLines = *chartStyle == "lines";
    }
    if (o.chart && !is_chart_file(*o.chart))
        return "--chart FILE must end in .png or .svg: " + *o.chart;
    if (!o.payout && (payoutLayout || o.currency))
        return std::string(o.currency ? "--currency" : "--payout-layout") + " needs --payout FILE";

    if (negativeId) positional.insert(positional.begin() + 1, *negativeId);
    if (o.date && !o.reverseRun) return "--date needs --reverse-run N";
    o.paymentRuns = !positional.empty() && positional[0] == "payment-runs";
    if (o.reverseRun || o.paymentRuns) {
        const bool reportOptions = o.from || o.to || o.full || o.pages || o.registerPayments ||
                                   o.save || o.csv || o.pdf || o.previewPdf || o.payout ||
                                   o.chart || separator;
        if (o.reverseRun && !positional.empty())
            return "--reverse-run takes no REPORT: " + positional[0];
        if (positional.size() > 1) return "too many arguments for payment-runs";
        if (reportOptions)
            return std::string(o.reverseRun ? "--reverse-run" : "payment-runs") +
                   " takes no report options";
        return std::nullopt;
    }
    if (positional.empty()) return "no REPORT given";
    const ReportKindInfo* report = report_kind_named(positional[0]);
    if (!report) return "unknown REPORT: " + positional[0];
    o.report = report->kind;
    const size_t allowed = report->takesId ? 2 : 1;
    if (positional.size() > allowed) return "too many arguments for " + positional[0];
    if (positional.size() == 2) o.id = positional[1];
    if ((o.pages || o.registerPayments || o.payout) && o.report != Report::PaymentsDue)
        return std::string(o.pages    ? "--pages"
                           : o.payout ? "--payout"
                                      : "--register") +
               " applies to payments-due only";
    if (o.chart && !has_chart(o.report))
        return "--chart applies to ap-performance, network and income-structure only";
    return std::nullopt;
}

}  // namespace

std::optional<int> parse_options(const std::vector<std::string>& args, Options& o) {
    CommandLine line("qdx-report", kUsage);
    std::optional<std::string> separator, payoutLayout, chartStyle;
    std::vector<std::string> positional;
    line.folder(o.app);
    line.value("from", o.from);
    line.value("to", o.to);
    line.value("pdf", o.pdf);
    line.value("preview-pdf", o.previewPdf);
    line.value("separator", separator);
    line.flag("full", o.full);
    line.flag("pages", o.pages);
    line.flag("register", o.registerPayments);
    line.flag("save", o.save);
    line.flag("csv", o.csv);
    line.flag("raw-text", o.rawText);
    line.value("payout", o.payout);
    line.value("payout-layout", payoutLayout);
    line.value("currency", o.currency);
    line.value("chart", o.chart);
    line.value("chart-style", chartStyle);
    line.value("debtor-name", o.debtorName);
    line.value("debtor-iban", o.debtorIban);
    line.value("debtor-bic", o.debtorBic);
    line.value("execution-date", o.executionDate);
    line.value("reverse-run", o.reverseRun);
    line.value("date", o.date);
    line.positionals(positional);

    std::vector<std::string> rest;
    const std::optional<std::string> negativeId = take_negative_id(args, line, rest);
    if (auto done = line.parse(rest)) return done;
    if (auto mistake =
            check(o, std::move(positional), negativeId, separator, payoutLayout, chartStyle))
        return line.usage_error(*mistake);
    if (!kPrintsAndDraws && (o.pdf || o.previewPdf || o.chart)) {
        std::cerr << "qdx-report: "
                  << (o.pdf          ? "--pdf"
                      : o.previewPdf ? "--preview-pdf"
                                     : "--chart")
                  << ": " << kNoPrintingOrCharts << "\n";
        return 1;
    }
    return std::nullopt;
}

}  // namespace qdx::cli
