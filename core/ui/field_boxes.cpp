#include "core/ui/field_boxes.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "core/kept_text.h"
#include "core/ui/ui_context.h"

namespace qdx::ui {

QWidget* FieldBoxes::box(Field field) const {
    for (const auto& [f, box] : boxes_) {
        if (f == field) return box;
    }
    return nullptr;
}

namespace {

// The text of a box as typed, line breaks as '\n' (toPlainText() would turn
// non-breaking spaces into blanks).
QString typed_text(const QWidget* box) {
    if (auto* line = qobject_cast<const QLineEdit*>(box)) return line->text();
    if (auto* area = qobject_cast<const QPlainTextEdit*>(box)) {
        QString text = area->document()->toRawText();
        for (QChar& c : text) {
            if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = QLatin1Char('\n');
        }
        return text;
    }
    return QString();
}

void set_typed_text(QWidget* box, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) line->setText(text);
    if (auto* area = qobject_cast<QPlainTextEdit*>(box)) area->setPlainText(text);
}

}  // namespace

bool offer_nearest_letters(UiContext& context, QWidget* window, FieldTable table,
                           const std::vector<std::pair<Field, QWidget*>>& boxes) {
    std::vector<std::pair<Field, std::string>> typed;
    for (const auto& [field, box] : boxes) typed.emplace_back(field, typed_text(box).toStdString());
    const std::vector<UnkeptField> unkept = fields_files_cannot_keep(typed);
    if (unkept.empty()) return true;
    auto box_of = [&boxes](Field field) -> QWidget* {
        for (const auto& [f, box] : boxes) {
            if (f == field) return box;
        }
        return nullptr;
    };
    const QString question = QString::fromStdString(nearest_letters_question(unkept, table));
    if (context.message(window, question, MessageButtons::YesNo) != MessageAnswer::Yes) {
        if (QWidget* first = box_of(unkept.front().field)) first->setFocus(Qt::OtherFocusReason);
        return false;
    }
    for (const UnkeptField& f : unkept) {
        if (QWidget* box = box_of(f.field))
            set_typed_text(box, QString::fromStdString(f.fitted.text));
    }
    return true;
}

bool report_failure(UiContext& context, QWidget* window, const CheckResult& result,
                    const FieldBoxes& boxes) {
    if (!result) return false;
    context.message(window, message_text(context.state.messages, result->message),
                    boxes.box(result->field));
    return true;
}

}  // namespace qdx::ui
