#include "core/ui/window_parts.h"

#include <QHBoxLayout>
#include <exception>

#include "core/files.h"

namespace qdx::ui {

void place(QWidget* widget, int x, int y, int width, int height) {
    widget->setGeometry(px(x), px(y), px(width), px(height));
}

QPushButton* make_button(QWidget* parent, const char* name, const QString& caption,
                         const QString& tooltip) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(tooltip.isEmpty() ? caption.trimmed() : tooltip);
    if (!tooltip.isEmpty()) b->setToolTip(tooltip);
    return b;
}

QPushButton* place_button(QWidget* parent, const char* name, const QString& caption, int x, int y,
                          int width, int height) {
    auto* b = make_button(parent, name, caption);
    place(b, x, y, width, height);
    return b;
}

QHBoxLayout* buttons_at_right(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons) row->addWidget(button);
    return row;
}

void write_back_copy(UiContext& context, QWidget* parent, const std::string& fileName) {
    const AppState& state = context.state;
    try {
        ensure_folder(state.appDir / "backcopies");
        const auto data = state.dataFile(fileName.c_str());
        if (file_exists(data)) copy_replacing(data, state.appDir / "backcopies" / fileName);
    } catch (const std::exception& e) {
        context.message(parent, QStringLiteral("Sorry, the back copy could not be written.\n") +
                                    QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace qdx::ui
