#pragma once
// The affiliate pages written by the payments-due report when the main
// window's HTM box is ticked: an earnings page " <ID>.html" and a downline
// page " <ID>d.html" per affiliate, in <app>/HTML.
#include <cstdint>
#include <memory>

#include "core/app_state.h"
#include "core/date_range.h"
#include "core/progress.h"

namespace qdx {

class PageWriter {
  public:
    // Builds the activity file for the range and brings the downline cache
    // up to date (build_activity, refresh_downline_cache), then loads what the pages
    // need once.
    PageWriter(const AppState& state, const DateRange& range, Progress& progress);
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    // HtmlRep: the two pages of affiliate `id` with the income of the range,
    // appended to the staging file HTML.partial beside HTML.
    void write(int32_t id, float income);
    // Copies the staged pages into HTML ("Putting the pages in place", not
    // stopped once begun), syncs them once for the whole batch, where a
    // sync per page would take hours for a large network, and removes the
    // staging file. A writer destroyed before finish() (a stopped or failed
    // run) removes its staging file and leaves HTML as it was.
    void finish();

  private:
    struct Impl;
    struct Staging;
    std::unique_ptr<Impl> impl_;
    Progress& progress_;
    std::unique_ptr<Staging> staging_;  // from the first page written
};

}  // namespace qdx
