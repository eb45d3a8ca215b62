#include "qdx_report_options.h"

#include <utility>

#include "reports/report_kinds.h"

namespace qdx::cli {

const char* const kUsage =
    "usage: qdx-report [options] REPORT [ID]\n"
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
    "  --help           this text\n"
    "The report is written to standard output as \"Save as .txt\" writes it.\n";

namespace {

std::optional<char> separator_named(const std::string& name) {
    if (name == "semicolon") return ';';
    if (name == "comma") return ',';
    if (name == "space") return ' ';
    return std::nullopt;
}

}  // namespace

std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error) {
    Options o;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            if (auto eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        // The value of an option that takes one: "--app DIR" or "--app=DIR".
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < args.size()) return args[++i];
            error = "option " + arg + " needs a value";
            return std::nullopt;
        };
        auto flag = [&](bool& target) {
            if (inlineValue) {
                error = "option " + arg + " takes no value";
                return false;
            }
            target = true;
            return true;
        };
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--app") {
            ok = static_cast<bool>(o.app = value());
        } else if (arg == "--from") {
            ok = static_cast<bool>(o.from = value());
        } else if (arg == "--to") {
            ok = static_cast<bool>(o.to = value());
        } else if (arg == "--pdf") {
            ok = static_cast<bool>(o.pdf = value());
        } else if (arg == "--separator") {
            auto name = value();
            auto separator = name ? separator_named(*name) : std::nullopt;
            if (name && !separator) error = "unknown separator: " + *name;
            ok = static_cast<bool>(separator);
            if (ok) o.separator = *separator;
        } else if (arg == "--full") {
            ok = flag(o.full);
        } else if (arg == "--pages") {
            ok = flag(o.pages);
        } else if (arg == "--register") {
            ok = flag(o.registerPayments);
        } else if (arg == "--save") {
            ok = flag(o.save);
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            // Negative IDs reach the ID check as they were typed.
            if (positional.size() == 1 &&
                arg.find_first_not_of("-0123456789.,") == std::string::npos)
                positional.push_back(arg);
            else
                error = "unknown option: " + arg, ok = false;
        } else {
            positional.push_back(arg);
        }
        if (!ok) return std::nullopt;
    }
    if (o.help) return o;

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
    if ((o.pages || o.registerPayments) && o.report != Report::PaymentsDue) {
        error = std::string(o.pages ? "--pages" : "--register") + " applies to payments-due only";
        return std::nullopt;
    }
    return o;
}

}  // namespace qdx::cli
