#include "core/ui/field_boxes.h"

#include "core/ui/ui_context.h"

namespace qdx::ui {

QWidget* FieldBoxes::box(Field field) const {
    for (const auto& [f, box] : boxes_) {
        if (f == field) return box;
    }
    return nullptr;
}

bool report_failure(UiContext& context, QWidget* window, const CheckResult& result,
                    const FieldBoxes& boxes) {
    if (!result) return false;
    context.message(window, message_text(context.state.messages, result->message),
                    boxes.box(result->field));
    return true;
}

}  // namespace qdx::ui
