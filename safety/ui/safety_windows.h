#pragma once
// The File menu's Check the data..., History..., Back up... and Restore...:
// the findings in a grid with a Repair button, the history in a grid that
// filters and saves as CSV, and the backup and restore of the whole data.
class QWidget;

namespace qdx::ui {

class UiContext;

// Checks the data on a worker and shows the findings window "frmCheck".
void check_the_data(UiContext& context, QWidget* parent);
// Shows the history window "frmHistory".
void show_history(UiContext& context, QWidget* parent);
// Asks for a file and writes the backup into it.
void back_up_the_data(UiContext& context, QWidget* parent);
// Asks for a backup, checks it, says what it holds and, once confirmed,
// restores it. Refused while a register or the settings window is open.
void restore_the_data(UiContext& context, QWidget* parent);

}  // namespace qdx::ui
