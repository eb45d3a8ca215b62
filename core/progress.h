#pragma once
// How long work says how far it is and learns that it should stop. The work
// names each part with stage() and counts with step(); step() and check()
// throw Cancelled once a stop was asked for, and the work undoes what it had
// begun to write. A default Progress tells nobody and never stops. One thread
// calls a Progress; parts that run on several threads ask stopRequested().
#include <cstdint>
#include <exception>
#include <functional>
#include <stop_token>
#include <string>

namespace qdx {

// The work stopped because it was asked to; nothing it began is left behind.
struct Cancelled : std::exception {
    const char* what() const noexcept override { return "Cancelled"; }
};

struct ProgressReport {
    std::string what;  // "Adding up the sales", "Writing the pages"
    int64_t done = 0;
    int64_t total = 0;  // 0 when not known
    std::string unit;   // "sales", "affiliates", "pages", "rows"
};

class Progress {
  public:
    using Listener = std::function<void(const ProgressReport&)>;

    Progress() = default;
    Progress(std::stop_token stop, Listener listener);

    // Starts a part of the work of `total` units (0 when not known) and tells
    // the listener.
    void stage(std::string what, int64_t total, std::string unit);
    // Starts a part that, once begun, runs to its end (putting files in
    // place): neither this nor tell() throws when a stop was asked for.
    void finalStage(std::string what, int64_t total, std::string unit);
    // Like step() within a final stage: tells, never stops.
    void tell(int64_t done) {
        if (done >= nextReport_) report(done);
    }
    // `done` units of the part are finished. Tells the listener about every
    // half percent (every 65,536 units when the total is not known), so it
    // may be called for every record.
    void step(int64_t done) {
        if (stop_.stop_requested()) throw Cancelled{};
        if (done >= nextReport_) report(done);
    }
    // Throws Cancelled when a stop was asked for.
    void check() const {
        if (stop_.stop_requested()) throw Cancelled{};
    }
    bool stopRequested() const { return stop_.stop_requested(); }
    std::stop_token token() const { return stop_; }

  private:
    void report(int64_t done);

    std::stop_token stop_;
    Listener listener_;
    ProgressReport current_;
    int64_t stride_ = 65536;
    int64_t nextReport_ = INT64_MAX;
};

}  // namespace qdx
