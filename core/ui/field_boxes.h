#pragma once
// A window's boxes by the field they show: the engine names the field a
// failed check is about, and the window puts the focus on that field's box.
#include <utility>
#include <vector>

#include "core/edit_checks.h"

class QWidget;

namespace qdx::ui {

class UiContext;

class FieldBoxes {
  public:
    void add(Field field, QWidget* box) { boxes_.emplace_back(field, box); }
    // The box of `field`, or null when the window has none.
    QWidget* box(Field field) const;

  private:
    std::vector<std::pair<Field, QWidget*>> boxes_;
};

// Shows a failed check's message and focuses its field's box; true if it failed.
bool report_failure(UiContext& context, QWidget* window, const CheckResult& result,
                    const FieldBoxes& boxes);

}  // namespace qdx::ui
