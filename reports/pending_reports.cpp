// Reports whose procedures are still to come answer that they are not
// available yet.
#include "reports/affiliate_pages.h"
#include "reports/reports.h"

namespace qdx {

namespace {
[[noreturn]] void not_yet() { throw ReportError("not available yet"); }
}  // namespace

ReportTable activities_report(AppState&, int32_t, bool) { not_yet(); }
ReportTable income_structure_report(AppState&, int32_t, bool) { not_yet(); }
ReportTable network_report(AppState&, int32_t) { not_yet(); }
ReportTable downline_report(AppState&, int32_t, bool) { not_yet(); }

struct PageWriter::Impl {};
PageWriter::PageWriter(const AppState&) { not_yet(); }
PageWriter::~PageWriter() = default;
void PageWriter::write(int32_t, float) { not_yet(); }

}  // namespace qdx
