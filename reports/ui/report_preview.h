#pragma once
// "Print preview...": the report laid out as print_preview lays it out, in a
// preview dialog whose page setup (size, orientation, margins) lays it out
// again; printing from there goes to the printer chosen in its print dialog.
#include <functional>
#include <optional>

#include "reports/print/print_preview.h"

class QWidget;

namespace qdx::ui {

class UiContext;

// Asked when the preview opens: the chart to print with the report, or
// nothing when none is shown.
using PreviewChartSource = std::function<std::optional<PreviewChart>()>;

// Opens the preview of `table` (through the context's dialog runner) on a
// printer in the report's preferred orientation.
void show_print_preview(UiContext& context, QWidget* parent, const ReportTable& table,
                        const PreviewChartSource& chartSource);

}  // namespace qdx::ui
