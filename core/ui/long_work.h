#pragma once
// Work that may take long (a report over ten million sales, the affiliate
// pages, a search through a large register) runs on a worker thread while
// the windows stay usable. A progress dialog appears once the work has run
// for half a second, says what it is doing and how far it is, and its Cancel
// asks the work to stop. The caller waits in a local event loop and gets the
// result, or the work's exception (Cancelled among them) rethrown on the
// window thread, so that its messages come in the order they always did.
//
// At most one piece of long work runs at a time; the worker gets copies of
// what it reads and never touches a widget.
#include <QString>
#include <functional>
#include <optional>
#include <utility>

#include "core/progress.h"

class QWidget;

namespace qdx::ui {

class UiContext;

struct LongWorkText {
    QString title;    // the dialog's title: "Making the report"
    QString refusal;  // what another start is told while this runs
};

// What a report, Register payments and the exports say.
extern const LongWorkText kReportWork;
extern const LongWorkText kRegisterWork;
extern const LongWorkText kSaveWork;
extern const LongWorkText kSearchWork;
extern const LongWorkText kBackupWork;

// The long work running now; UiContext points at it.
class LongWork {
  public:
    virtual ~LongWork() = default;
    // Asks the work to stop and waits until the worker has ended.
    virtual void stopAndWait() = 0;
    virtual QWidget* owner() const = 0;
    virtual const LongWorkText& text() const = 0;
};

// True (after saying why through the message sink) when long work runs.
bool refuse_while_busy(UiContext& context, QWidget* parent);
// Stops the running work when `owner` (the window it shows progress over)
// started it, or any running work when `owner` is null; returns once the
// worker has ended.
void stop_long_work(UiContext& context, QWidget* owner = nullptr);

// Runs `work` on a worker thread with its progress dialog over `owner`, and
// returns once it has ended; rethrows what it threw. The caller has asked
// refuse_while_busy first.
void run_long_work(UiContext& context, QWidget* owner, const LongWorkText& text,
                   std::function<void(Progress&)> work);

// The same for work that computes a result.
template <class Work>
auto long_work_result(UiContext& context, QWidget* owner, const LongWorkText& text, Work work) {
    using Result = decltype(work(std::declval<Progress&>()));
    std::optional<Result> result;
    run_long_work(context, owner, text,
                  std::function<void(Progress&)>(
                      [&result, &work](Progress& progress) { result.emplace(work(progress)); }));
    return std::move(*result);
}

}  // namespace qdx::ui
