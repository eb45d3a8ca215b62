#include "core/ui/ui_context.h"

#include <QFileDialog>
#include <QMessageBox>

#include "core/ui/qt_text.h"
#include "core/ui/window_memory.h"

namespace qdx::ui {

const char* const kProgramTitle = "Qdx";

MessageAnswer show_message_box(const MessageRequest& request) {
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (request.buttons == MessageButtons::OkCancel)
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
    if (request.buttons == MessageButtons::YesNo) buttons = QMessageBox::Yes | QMessageBox::No;
    QMessageBox box(QMessageBox::NoIcon, request.title, request.text, buttons, request.parent);
    box.setAccessibleName(request.title);
    box.setAccessibleDescription(request.text);
    if (request.buttons == MessageButtons::YesNo) {
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

QString show_file_dialog(const FileRequest& request) {
    if (request.save)
        return QFileDialog::getSaveFileName(request.parent, request.caption, request.suggested,
                                            request.filter);
    return QFileDialog::getOpenFileName(request.parent, request.caption, request.suggested,
                                        request.filter);
}

UiContext::UiContext(AppState& s)
    : state(s),
      messageSink(show_message_box),
      fileSink(show_file_dialog),
      dialogSink([](QDialog& dialog) { return dialog.exec(); }) {}

MessageAnswer UiContext::message(QWidget* parent, const QString& text, MessageButtons buttons,
                                 const QString& title) {
    return messageSink({parent, title.isEmpty() ? QString(kProgramTitle) : title, text, buttons});
}

void UiContext::message(QWidget* parent, const std::string& ansiText, QWidget* focus) {
    message(parent, fromAnsi(ansiText));
    if (focus) focus->setFocus(Qt::OtherFocusReason);
}

QWidget* UiContext::showOnce(const QString& key, const std::function<QWidget*()>& create) {
    QPointer<QWidget>& slot = windows_[key];
    if (!slot) {
        slot = create();
        slot->setAttribute(Qt::WA_DeleteOnClose);
        remember_geometry(slot, key);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

QWidget* UiContext::openWindow(const QString& key) const {
    auto it = windows_.find(key);
    return it == windows_.end() ? nullptr : it->data();
}

}  // namespace qdx::ui
