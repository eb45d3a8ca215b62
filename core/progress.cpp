#include "core/progress.h"

#include <algorithm>
#include <utility>

namespace qdx {

Progress::Progress(std::stop_token stop, Listener listener)
    : stop_(std::move(stop)), listener_(std::move(listener)) {}

void Progress::stage(std::string what, int64_t total, std::string unit) {
    check();
    finalStage(std::move(what), total, std::move(unit));
}

void Progress::finalStage(std::string what, int64_t total, std::string unit) {
    current_ = {std::move(what), 0, std::max<int64_t>(total, 0), std::move(unit)};
    stride_ = current_.total > 0 ? std::max<int64_t>(1, current_.total / 200) : 65536;
    nextReport_ = listener_ ? stride_ : INT64_MAX;
    if (listener_) listener_(current_);
}

void Progress::report(int64_t done) {
    current_.done = done;
    nextReport_ = done + stride_;
    listener_(current_);
}

}  // namespace qdx
