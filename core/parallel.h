#pragma once
// Work split over the machine's cores: the caller's thread takes part 0 and
// one thread each the others. What a part throws reaches the caller once every
// part has ended, so no thread outlives the data it works on.
#include <algorithm>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace qdx {

// The threads worth starting for work that keeps every core busy (at most 16).
inline size_t core_count() {
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 16);
}

// Calls work(0..parts-1), each part on a thread of its own.
template <class Work>
void run_parts(size_t parts, const Work& work) {
    std::vector<std::exception_ptr> failures(parts);
    {
        std::vector<std::jthread> others;
        others.reserve(parts > 0 ? parts - 1 : 0);
        for (size_t t = 1; t < parts; ++t)
            others.emplace_back([&work, &failures, t] {
                try {
                    work(t);
                } catch (...) {
                    failures[t] = std::current_exception();
                }
            });
        try {
            if (parts > 0) work(size_t{0});
        } catch (...) {
            failures[0] = std::current_exception();
        }
    }
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace qdx
