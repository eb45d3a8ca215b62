#pragma once
// Habits every window shares: its size and place kept between runs, for
// each user in the program's settings (QSettings under the organisation and
// application names), never in the application folder, so that a window not
// seen before opens at its own size; and Escape for the windows that hold
// nothing typed.
#include <QRect>
#include <QString>

class QWidget;

namespace qdx::ui {

// Gives `window` the size and place it had when it was last closed (under
// `key`), moved and if need be shrunk into the available area of the screen
// it comes back on, and keeps them when it closes or the program ends.
void remember_geometry(QWidget* window, const QString& key);

// A window's frame moved into `available`, and shrunk to it when larger.
QRect placed_inside(const QRect& frame, const QRect& available);

// Makes Escape close `window`: for windows that hold nothing typed.
void close_on_escape(QWidget* window);

}  // namespace qdx::ui
