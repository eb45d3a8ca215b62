#pragma once
// How far qdx-report is, on a terminal: one line on standard error,
// rewritten in place ("Adding up the sales: 45 %") and cleared when the step
// ends. Nothing is written when standard error is a file or a pipe.
#include <cstddef>
#include <string>

#include "core/progress.h"

namespace qdx::cli {

class TerminalProgress {
  public:
    TerminalProgress();
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    Progress& progress() { return progress_; }

  private:
    void show(const ProgressReport& report);

    std::string line_;  // what the terminal shows now
    Progress progress_;
};

}  // namespace qdx::cli
