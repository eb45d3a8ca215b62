#pragma once
// The affiliate pages written by the payments-due report when the main
// window's HTM box is ticked: an earnings page " <ID>.html" and a downline
// page " <ID>d.html" per affiliate, in <app>/HTML.
#include <cstdint>
#include <memory>

#include "core/app_state.h"
#include "core/progress.h"

namespace qdx {

class PageWriter {
  public:
    // Builds the activity file for the range and brings the downline cache
    // up to date (build_activity, check_downline), then loads what the pages
    // need once.
    PageWriter(const AppState& state, Progress& progress);
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    // HtmlRep: the two pages of affiliate `id` with the income of the range,
    // written into a staging folder beside HTML.
    void write(int32_t id, float income);
    // Puts the pages on disk (one sync for the whole batch, where a sync per
    // page would take hours for a large network) and moves them into HTML.
    // A writer destroyed before finish() (a stopped or failed run) removes
    // its staging folder and leaves HTML as it was.
    void finish();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qdx
