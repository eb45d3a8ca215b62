#include "core/ui/long_work.h"

#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <climits>
#include <exception>
#include <mutex>
#include <thread>

#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"

namespace qdx::ui {

const LongWorkText kReportWork{"Making the report",
                               "A report is being made: wait for it or cancel it."};
const LongWorkText kRegisterWork{"Registering the payments",
                                 "The payments are being registered: wait for it or cancel it."};
const LongWorkText kSaveWork{"Saving the report",
                             "The report is being saved: wait for it or cancel it."};
const LongWorkText kBackupWork{"Backing up the data",
                               "The data is being backed up: wait for it or cancel it."};
const LongWorkText kSearchWork{"Searching", "A search is running: wait for it or cancel it."};

namespace {

// The progress dialog's scale: reports count in thousandths, so that ten
// million sales fit an int.
constexpr int kScale = 1000;

QString report_label(const ProgressReport& report) {
    QString text = fromAnsi(report.what);
    if (report.total > 0)
        return text + QString(": %1 of %2 %3")
                          .arg(report.done)
                          .arg(report.total)
                          .arg(fromAnsi(report.unit));
    if (report.done > 0)
        return text + QString(": %1 %2").arg(report.done).arg(fromAnsi(report.unit));
    return text;
}

// One run: the worker, the dialog and what the worker hands over.
class Run final : public LongWork {
  public:
    Run(UiContext& context, QWidget* owner, const LongWorkText& text)
        : context_(context), owner_(owner), text_(text), dialog_(new QProgressDialog(owner)) {
        // The owner may go while the work stops; the dialog goes with it.
        dialog_->setObjectName("dlgLongWork");
        dialog_->setWindowTitle(text.title);
        dialog_->setAccessibleName(text.title);
        dialog_->setLabelText(text.title);
        dialog_->setWindowModality(Qt::NonModal);  // the other windows stay usable
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(INT_MAX);  // shown by the timer below
        dialog_->setRange(0, 0);
        auto* cancel = new QPushButton("Cancel", dialog_);
        cancel->setObjectName("cmdCancelWork");
        cancel->setAccessibleName("Cancel");
        dialog_->setCancelButton(cancel);
        dialog_->hide();
        QObject::connect(dialog_, &QProgressDialog::canceled, &relay_, [this] {
            worker_.request_stop();
            if (dialog_) dialog_->setLabelText("Stopping...");
        });
        QTimer::singleShot(context.progressDelayMs, Qt::PreciseTimer, &relay_,
                           [this] { showDialog(); });
    }

    ~Run() override {
        stopAndWait();
        delete dialog_.data();
    }

    void run(std::function<void(Progress&)> work) {
        std::function<void(const ProgressReport&, std::stop_token)> hook = context_.workerHook;
        worker_ = std::jthread([this, work = std::move(work), hook](std::stop_token stop) {
            Progress progress(stop, [this, hook, stop](const ProgressReport& report) {
                if (hook) hook(report, stop);
                tell(report);
            });
            try {
                work(progress);
            } catch (...) {
                error_ = std::current_exception();
            }
            QMetaObject::invokeMethod(
                &relay_, [this] { loop_.quit(); }, Qt::QueuedConnection);
        });
        // Ends when the worker says so, or when the application quits.
        loop_.exec();
        stopAndWait();
        if (error_) std::rethrow_exception(error_);
    }

    void stopAndWait() override {
        if (!worker_.joinable()) return;
        worker_.request_stop();
        worker_.join();
    }
    QWidget* owner() const override { return owner_; }
    const LongWorkText& text() const override { return text_; }

  private:
    // On the worker: keeps the latest report and asks the window thread to
    // show it, once for every batch of reports.
    void tell(const ProgressReport& report) {
        std::lock_guard lock(mutex_);
        latest_ = report;
        if (posted_) return;
        posted_ = true;
        QMetaObject::invokeMethod(
            &relay_, [this] { showReport(); }, Qt::QueuedConnection);
    }

    void showReport() {
        ProgressReport report;
        {
            std::lock_guard lock(mutex_);
            report = latest_;
            posted_ = false;
        }
        if (!dialog_ || dialog_->wasCanceled()) return;
        dialog_->setLabelText(report_label(report));
        if (report.total > 0) {
            dialog_->setRange(0, kScale);
            dialog_->setValue(
                static_cast<int>(std::min(report.done, report.total) * kScale / report.total));
        } else {
            dialog_->setRange(0, 0);
        }
    }

    void showDialog() {
        if (!dialog_) return;
        dialog_->show();
        if (context_.progressShown) context_.progressShown(*dialog_);
    }

    UiContext& context_;
    QPointer<QWidget> owner_;
    LongWorkText text_;
    QPointer<QProgressDialog> dialog_;
    QObject relay_;  // what the worker's reports are queued to
    QEventLoop loop_;
    std::jthread worker_;
    std::exception_ptr error_;
    std::mutex mutex_;
    ProgressReport latest_;
    bool posted_ = false;
};

}  // namespace

bool refuse_while_busy(UiContext& context, QWidget* parent) {
    if (!context.longWork) return false;
    context.message(parent, context.longWork->text().refusal);
    return true;
}

void stop_long_work(UiContext& context, QWidget* owner) {
    if (context.longWork && (!owner || context.longWork->owner() == owner))
        context.longWork->stopAndWait();
}

void run_long_work(UiContext& context, QWidget* owner, const LongWorkText& text,
                   std::function<void(Progress&)> work) {
    Run run(context, owner, text);
    context.longWork = &run;
    struct Clear {
        UiContext& context;
        ~Clear() { context.longWork = nullptr; }
    } clear{context};
    run.run(std::move(work));
}

}  // namespace qdx::ui
