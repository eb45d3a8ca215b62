#pragma once
// The command line of qdx-report.
#include <optional>
#include <string>
#include <vector>

namespace qdx::cli {

enum class Report {
    Accounts,
    PaymentsDue,
    ApPerformance,
    Activities,
    IncomeStructure,
    Network,
    Downline
};

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
    bool help = false;
    bool version = false;
};

// The four reports of an affiliate's network take an ID.
bool takes_id(Report report);

// Parses the arguments after the program name; on a usage error returns
// nothing and sets `error`.
std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error);

extern const char* const kUsage;
extern const char* const kVersion;  // "qdx-report <version>\n"

}  // namespace qdx::cli
