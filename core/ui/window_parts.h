#pragma once
// Pieces every window builds with: positions in twips, named buttons, and
// the back copy a data window leaves when it closes.
#include <QPushButton>
#include <QString>
#include <initializer_list>
#include <string>

#include "core/ui/ui_context.h"

class QHBoxLayout;

namespace qdx::ui {

// Positions are given in twips; 15 twips make a pixel at 96 dpi.
constexpr int px(int twips) { return twips / 15; }
// Places `widget` at a rectangle given in twips.
void place(QWidget* widget, int x, int y, int width, int height);

// A button with its object name; screen readers hear the tooltip when there
// is one, the caption otherwise.
QPushButton* make_button(QWidget* parent, const char* name, const QString& caption,
                         const QString& tooltip = {});
// The same, placed at a rectangle in twips.
QPushButton* place_button(QWidget* parent, const char* name, const QString& caption, int x, int y,
                          int width, int height = 495);

// The buttons a dialog ends with, in a row at its right.
QHBoxLayout* buttons_at_right(std::initializer_list<QPushButton*> buttons);

// Copies the data file `fileName` into <app>/backcopies; a failure is shown
// as a message and leaves the back copy as it was.
void write_back_copy(UiContext& context, QWidget* parent, const std::string& fileName);

}  // namespace qdx::ui
