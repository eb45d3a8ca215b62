#pragma once
// What every window gets from the application: the shared state, the one
// route for message boxes, and the registry that keeps each window single.
#include <QDialog>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <stop_token>

#include "core/app_state.h"
#include "core/progress.h"

class QProgressDialog;

namespace qdx::ui {

class LongWork;

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QWidget* parent;
    QString title;
    QString text;
    MessageButtons buttons;
};

// A file to open or to save to, as the file dialog asks for it.
struct FileRequest {
    QWidget* parent;
    QString caption;
    QString suggested;  // a folder, or a file to save to
    QString filter;     // "CSV files (*.csv)"
    bool save;
};

class UiContext {
  public:
    explicit UiContext(AppState& state);

    AppState& state;

    // Every message box of the program is shown through here: OK button (or
    // OK and Cancel, or Yes and No for a question), no icon, the program's
    // title unless one is given.
    // Tests replace `messageSink` to answer without a modal box.
    std::function<MessageAnswer(const MessageRequest&)> messageSink;
    MessageAnswer message(QWidget* parent, const QString& text,
                          MessageButtons buttons = MessageButtons::Ok,
                          const QString& title = QString());
    // Shows an engine text (Windows-1252) and then puts the focus on `focus`.
    void message(QWidget* parent, const std::string& ansiText, QWidget* focus);

    // File dialogs and other modal dialogs come through here too, so that
    // tests answer them: `fileSink` returns the chosen path (empty when
    // cancelled); `dialogSink` runs a dialog and returns its result.
    std::function<QString(const FileRequest&)> fileSink;
    std::function<int(QDialog&)> dialogSink;
    QString chooseFile(const FileRequest& request) { return fileSink(request); }
    int runDialog(QDialog& dialog) { return dialogSink(dialog); }

    // Each window exists once: show() brings an open one forward, otherwise
    // makes it with `create` (which gives it WA_DeleteOnClose), at the size
    // and place it had when last closed.
    QWidget* showOnce(const QString& key, const std::function<QWidget*()>& create);
    QWidget* openWindow(const QString& key) const;

    // Long work (long_work.h): the one running now and when its progress
    // dialog appears. Tests use the two hooks: `workerHook` is called on the
    // worker with every report (blocking there holds the work at a known
    // point), `progressShown` on the window thread when the dialog appears.
    LongWork* longWork = nullptr;
    int progressDelayMs = 500;
    std::function<void(const ProgressReport&, std::stop_token)> workerHook;
    std::function<void(QProgressDialog&)> progressShown;

  private:
    QMap<QString, QPointer<QWidget>> windows_;
};

MessageAnswer show_message_box(const MessageRequest& request);
QString show_file_dialog(const FileRequest& request);

extern const char* const kProgramTitle;

}  // namespace qdx::ui
