#include "cli/qdx_report_options.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>
#include <utility>

#include "reports/report_chart.h"
#include "reports/report_kinds.h"

namespace qdx::cli {

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

const char* const kVersion = "qdx-report " QDX_VERSION "\n";

namespace {

std::optional<char> separator_named(const std::string& name) {
    if (name == "semicolon") return ';';
    if (name == "comma") return ',';
    if (name == "space") return ' ';
    return std::nullopt;
}

// Arguments pass through Latin-1 so that every byte of a path comes back as
// it was typed, whatever the locale.
QString text_of(const std::string& arg) { return QString::fromLatin1(arg); }
std::string bytes_of(const QString& text) { return text.toLatin1().toStdString(); }

bool is_chart_file(const std::string& file) {
    const QString name = text_of(file).toLower();
    return name.endsWith(".png") || name.endsWith(".svg");
}

const QStringList kValueOptions = {
    "app",         "from",          "to",          "pdf",        "preview-pdf",
    "payout",      "payout-layout", "currency",    "separator",  "chart",
    "chart-style", "debtor-name",   "debtor-iban", "debtor-bic", "execution-date",
    "reverse-run", "date"};

// A negative ID ("network -3") would read as options; it is taken out before
// parsing and reaches the ID check as it was typed.
std::optional<std::string> take_negative_id(const std::vector<std::string>& args,
                                            QStringList& rest) {
    static const QRegularExpression number("^-[-0-9.,]+$");
    std::optional<std::string> id;
    size_t positionals = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const QString arg = text_of(args[i]);
        rest << arg;
        if (arg.startsWith("--") && kValueOptions.contains(arg.mid(2))) {
            if (i + 1 < args.size()) rest << text_of(args[++i]);
        } else if (!arg.startsWith('-') || arg == "-") {
            ++positionals;
        } else if (positionals == 1 && !id && number.match(arg).hasMatch()) {
            rest.removeLast();
            id = args[i];
            ++positionals;
        }
    }
    return id;
}

}  // namespace

std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error) {
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{"h", "help"}), version("version"),
        app("app", "", "DIR"), from("from", "", "DATE"), to("to", "", "DATE"),
        pdf("pdf", "", "FILE"), previewPdf("preview-pdf", "", "FILE"),
        separator("separator", "", "NAME"), full("full"), pages("pages"),
        registerPayments("register"), save("save"), csv("csv"), rawText("raw-text"),
        payout("payout", "", "FILE"), payoutLayout("payout-layout", "", "LAYOUT"),
        currency("currency", "", "CODE"), chart("chart", "", "FILE"),
        chartStyle("chart-style", "", "STYLE"), debtorName("debtor-name", "", "TEXT"),
        debtorIban("debtor-iban", "", "IBAN"), debtorBic("debtor-bic", "", "BIC"),
        executionDate("execution-date", "", "DATE"), reverseRun("reverse-run", "", "N"),
        voidDate("date", "", "DATE");
    parser.addOptions({help,
                       version,
                       app,
                       from,
                       to,
                       pdf,
                       previewPdf,
                       separator,
                       full,
                       pages,
                       registerPayments,
                       save,
                       csv,
                       rawText,
                       payout,
                       payoutLayout,
                       currency,
                       chart,
                       chartStyle,
                       debtorName,
                       debtorIban,
                       debtorBic,
                       executionDate,
                       reverseRun,
                       voidDate});

    QStringList rest{"qdx-report"};
    const std::optional<std::string> negativeId = take_negative_id(args, rest);
    if (!parser.parse(rest)) {
        error = bytes_of(parser.errorText());
        return std::nullopt;
    }

    Options o;
    o.help = parser.isSet(help);
    o.version = parser.isSet(version);
    if (o.help || o.version) return o;
    auto value = [&](const QCommandLineOption& option) -> std::optional<std::string> {
        if (!parser.isSet(option)) return std::nullopt;
        return bytes_of(parser.value(option));
    };
    o.app = value(app);
    o.from = value(from);
    o.to = value(to);
    o.pdf = value(pdf);
    o.previewPdf = value(previewPdf);
    if (auto name = value(separator)) {
        auto chosen = separator_named(*name);
        if (!chosen) {
            error = "unknown separator: " + *name;
            return std::nullopt;
        }
        o.separator = *chosen;
    }
    o.full = parser.isSet(full);
    o.pages = parser.isSet(pages);
    o.registerPayments = parser.isSet(registerPayments);
    o.save = parser.isSet(save);
    o.csv = parser.isSet(csv);
    o.rawText = parser.isSet(rawText);
    o.payout = value(payout);
    o.currency = value(currency);
    if (auto layout = value(payoutLayout)) {
        static const char* const kLayouts[] = {"qdx", "mass", "sepa", "sepa03", "paypal", "wise"};
        if (std::find(std::begin(kLayouts), std::end(kLayouts), *layout) == std::end(kLayouts)) {
            error = "unknown payout layout: " + *layout;
            return std::nullopt;
        }
        o.massPayment = *layout == "mass";
        o.payoutLayout = *layout;
    }
    o.debtorName = value(debtorName);
    o.debtorIban = value(debtorIban);
    o.debtorBic = value(debtorBic);
    o.executionDate = value(executionDate);
    const bool sepa = o.payoutLayout == "sepa" || o.payoutLayout == "sepa03";
    if ((o.debtorName || o.debtorIban || o.debtorBic || o.executionDate) && !sepa) {
        error =
            "--debtor-name, --debtor-iban, --debtor-bic and --execution-date need "
            "--payout-layout sepa or sepa03";
        return std::nullopt;
    }
    o.chart = value(chart);
    if (auto style = value(chartStyle)) {
        if (*style != "columns" && *style != "lines") {
            error = "unknown chart style: " + *style;
            return std::nullopt;
        }
        if (!o.chart) {
            error = "--chart-style needs --chart FILE";
            return std::nullopt;
        }
        o.chartLines = *style == "lines";
    }
    if (o.chart && !is_chart_file(*o.chart)) {
        error = "--chart FILE must end in .png or .svg: " + *o.chart;
        return std::nullopt;
    }
    if (!o.payout && (parser.isSet(payoutLayout) || o.currency)) {
        error = std::string(o.currency ? "--currency" : "--payout-layout") + " needs --payout FILE";
        return std::nullopt;
    }

    std::vector<std::string> positional;
    for (const QString& arg : parser.positionalArguments()) positional.push_back(bytes_of(arg));
    if (negativeId) positional.insert(positional.begin() + 1, *negativeId);
    o.reverseRun = value(reverseRun);
    o.date = value(voidDate);
    if (o.date && !o.reverseRun) {
        error = "--date needs --reverse-run N";
        return std::nullopt;
    }
    o.paymentRuns = !positional.empty() && positional[0] == "payment-runs";
    if (o.reverseRun || o.paymentRuns) {
        const bool reportOptions = o.from || o.to || o.full || o.pages || o.registerPayments ||
                                   o.save || o.csv || o.pdf || o.previewPdf || o.payout ||
                                   o.chart || parser.isSet(separator);
        if (o.reverseRun && !positional.empty()) {
            error = "--reverse-run takes no REPORT: " + positional[0];
            return std::nullopt;
        }
        if (positional.size() > 1) {
            error = "too many arguments for payment-runs";
            return std::nullopt;
        }
        if (reportOptions) {
            error = std::string(o.reverseRun ? "--reverse-run" : "payment-runs") +
                    " takes no report options";
            return std::nullopt;
        }
        return o;
    }
    if (positional.empty()) {
        error = "no REPORT given";
        return std::nullopt;
    }
    const ReportKindInfo* report = report_kind_named(positional[0]);
    if (!report) {
        error = "unknown REPORT: " + positional[0];
        return std::nullopt;
    }
    o.report = report->kind;
    const size_t allowed = report->takesId ? 2 : 1;
    if (positional.size() > allowed) {
        error = "too many arguments for " + positional[0];
        return std::nullopt;
    }
    if (positional.size() == 2) o.id = positional[1];
    if ((o.pages || o.registerPayments || o.payout) && o.report != Report::PaymentsDue) {
        error = std::string(o.pages    ? "--pages"
                            : o.payout ? "--payout"
                                       : "--register") +
                " applies to payments-due only";
        return std::nullopt;
    }
    if (o.chart && !has_chart(o.report)) {
        error = "--chart applies to ap-performance, network and income-structure only";
        return std::nullopt;
    }
    return o;
}

}  // namespace qdx::cli
