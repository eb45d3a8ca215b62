#pragma once
// A window's boxes by the field they show: the engine names the field a
// failed check is about, and the window puts the focus on that field's box.
#include <utility>
#include <vector>

#include "core/edit_checks.h"
#include "core/fields.h"

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

// Before a save: when text boxes among `boxes` (a QLineEdit or a
// QPlainTextEdit each) hold characters the record files cannot keep, asks
// whether to take the nearest Latin letters, naming the characters field by
// field (captions from `table`). Yes puts the letters into the boxes and
// answers true; No puts the focus on the first such box and answers false,
// with nothing changed. True at once when nothing needs asking.
bool offer_nearest_letters(UiContext& context, QWidget* window, FieldTable table,
                           const std::vector<std::pair<Field, QWidget*>>& boxes);

// Shows a failed check's message and focuses its field's box; true if it failed.
bool report_failure(UiContext& context, QWidget* window, const CheckResult& result,
                    const FieldBoxes& boxes);

}  // namespace qdx::ui
