#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

namespace qdx::cli {

namespace {

// --help prints the program's own usage text, laid out by hand.
class UsageFormatter : public CLI::FormatterBase {
  public:
    explicit UsageFormatter(std::string usage) : usage_(std::move(usage)) {}
    std::string make_help(const CLI::App*, std::string, CLI::AppFormatMode) const override {
        return usage_;
    }

  private:
    std::string usage_;
};

// What an option given without its value holds: a NUL, which no typed
// argument can contain.
const std::string kNoValue(1, '\0');

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// What a short option group such as "-xy" names: one option per letter, -h
// being the one known.
void add_short_names(const std::string& arg, std::vector<std::string>& names) {
    for (char c : arg.substr(1))
        if (c != 'h') names.emplace_back(1, c);
}

}  // namespace

struct CommandLine::Value {
    std::string name;
    CLI::Option* option;
    std::optional<std::string>* into;
};

CommandLine::CommandLine(std::string program, std::string usage, Wording wording)
    : program_(std::move(program)),
      usage_(std::move(usage)),
      wording_(wording),
      app_(std::make_unique<CLI::App>()) {
    app_->name(program_);
    app_->set_help_flag();
    app_->allow_extras();
    app_->formatter(std::make_shared<UsageFormatter>(usage_));
    app_->add_flag("-h,--help", help_)->disable_flag_override();
    flags_.push_back("help");
    flag("version", version_);
}

CommandLine::~CommandLine() = default;

void CommandLine::flag(const std::string& name, bool& into) {
    app_->add_flag("--" + name, into)->disable_flag_override();
    flags_.push_back(name);
}

void CommandLine::value(const std::string& name, std::optional<std::string>& into) {
    // No value is a mistake worded here, not CLI11's.
    CLI::Option* option =
        app_->add_option("--" + name)->expected(0, 1)->take_last()->default_str(kNoValue);
    values_.push_back({name, option, &into});
}

void CommandLine::positionals(std::vector<std::string>& into) {
    app_->add_option("arguments", into);
    positionals_ = &into;
}

bool CommandLine::takes_value(std::string_view name) const {
    return std::any_of(values_.begin(), values_.end(),
                       [&](const Value& v) { return v.name == name; });
}

int CommandLine::usage_error(const std::string& message) const {
    std::cerr << program_ << ": " << message << "\n" << app_->help();
    return 2;
}

std::optional<int> CommandLine::parse(int argc, char** argv) {
    return parse(std::vector<std::string>(argv + 1, argv + argc));
}

std::optional<int> CommandLine::parse(const std::vector<std::string>& args) {
    // CLI11 reads the arguments from the back. "--to=" gives --to an empty value, as
    // "--to ''" does, rather than taking the next argument as its value.
    std::vector<std::string> reversed;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        optionsEnded = optionsEnded || arg == "--";
        const bool emptyValue = !optionsEnded && arg.size() > 3 && arg.starts_with("--") &&
                                arg.ends_with('=') && takes_value(arg.substr(2, arg.size() - 3));
        if (emptyValue) {
            reversed.push_back(arg.substr(0, arg.size() - 1));
            reversed.emplace_back();
        } else {
            reversed.push_back(arg);
        }
    }
    std::reverse(reversed.begin(), reversed.end());
    try {
        app_->parse(reversed);
    } catch (const CLI::ParseError& error) {
        // Options are strings and extras are allowed: only a flag given a value
        // ("--full=yes") ends the parse.
        for (const std::string& arg : args)
            for (const std::string& name : flags_)
                if (arg.starts_with("--" + name + "="))
                    return usage_error(wording_ == Wording::Options
                                           ? "Unexpected value after '--" + name + "'."
                                           : "unknown argument: " + arg);
        return usage_error(error.what());
    }
    if (auto message = mistake(args)) return usage_error(*message);
    if (help_ || version_) {
        std::cout << (help_ ? app_->help() : program_ + " " QDX_VERSION "\n");
        return 0;
    }
    for (const Value& v : values_)
        if (!v.option->results().empty()) *v.into = v.option->results().back();
    return std::nullopt;
}

std::optional<std::string> CommandLine::mistake(const std::vector<std::string>& args) const {
    std::vector<std::string> unknown;
    for (const std::string& arg : app_->remaining())
        if (arg != "--") unknown.push_back(arg);
    // An argument like "-3" is an unknown option too, unless it follows "--".
    if (positionals_) {
        const auto mark = std::find(args.begin(), args.end(), "--");
        const size_t afterMark =
            mark == args.end() ? 0 : static_cast<size_t>(args.end() - mark - 1);
        for (size_t i = 0; i + afterMark < positionals_->size(); ++i) {
            const std::string& arg = (*positionals_)[i];
            if (arg.size() > 1 && arg[0] == '-') unknown.push_back(arg);
        }
    }
    std::optional<std::string> missing;
    for (const CLI::Option* option : app_->parse_order()) {
        const auto& results = option->results();
        if (std::find(results.begin(), results.end(), kNoValue) != results.end()) {
            const std::string name = option->get_name();
            missing = wording_ == Wording::Options ? "Missing value after '" + name + "'."
                                                   : name + " needs a value";
            break;
        }
    }
    if (wording_ == Wording::Arguments) {
        if (!unknown.empty()) return "unknown argument: " + unknown.front();
        return missing;
    }
    if (missing) return missing;
    std::vector<std::string> names;
    for (const std::string& arg : unknown) {
        if (arg.starts_with("--"))
            names.push_back(arg.substr(2, arg.find('=') - 2));
        else
            add_short_names(arg, names);
    }
    if (names.size() == 1) return "Unknown option '" + names.front() + "'.";
    if (names.size() > 1) return "Unknown options: " + joined(names) + ".";
    return std::nullopt;
}

}  // namespace qdx::cli
