#pragma once
// The command line of a batch program, read by CLI11: what every program has
// (--help, --version, the usage printed with each mistake and exit 2) in one
// place. Arguments are taken as the bytes typed, whatever the locale.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace qdx::cli {

// How mistakes are worded: qdx-report, qdx-import and qdx-demo name unknown
// options ("Unknown option 'x'.", "Missing value after '--app'."); qdx-check
// names the first argument it cannot use ("unknown argument: x", "--app
// needs a value").
enum class Wording { Options, Arguments };

class CommandLine {
  public:
    // `usage` is what --help prints and what follows a mistake.
    CommandLine(std::string program, std::string usage, Wording wording = Wording::Options);
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // --NAME, without a value.
    void flag(const std::string& name, bool& into);
    // --NAME VALUE or --NAME=VALUE; given twice, the last one counts.
    void value(const std::string& name, std::optional<std::string>& into);
    // --app DIR: the application folder.
    void folder(std::optional<std::string>& into) { value("app", into); }
    // The arguments that are not options; without it any such is a mistake.
    void positionals(std::vector<std::string>& into);
    // Whether --NAME takes a value.
    bool takes_value(std::string_view name) const;

    // Reads `args` (without the program's name). Returns the exit code when
    // the program is done: 0 after printing --help or --version, 2 after a
    // mistake (printed with the usage).
    std::optional<int> parse(const std::vector<std::string>& args);
    std::optional<int> parse(int argc, char** argv);

    // Prints "<program>: <message>", then the usage, on standard error; returns 2.
    int usage_error(const std::string& message) const;

  private:
    std::optional<std::string> mistake(const std::vector<std::string>& args) const;

    std::string program_, usage_;
    Wording wording_;
    std::unique_ptr<CLI::App> app_;
    bool help_ = false, version_ = false;
    struct Value;
    std::vector<Value> values_;
    std::vector<std::string> flags_;
    std::vector<std::string>* positionals_ = nullptr;
};

}  // namespace qdx::cli
