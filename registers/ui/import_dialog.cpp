#include "registers/ui/import_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/progress.h"
#include "core/record_file.h"
#include "core/regional.h"
#include "core/ui/long_work.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"
#include "registers/ui/record_editor.h"
#include "safety/backup.h"

namespace qdx::ui {

namespace {

constexpr const char* kImportCancelled = "The import was cancelled.";

const char* register_caption(ImportKind kind) {
    switch (kind) {
        case ImportKind::Sales:
            return "Sales";
        case ImportKind::Payments:
            return "Payments";
        case ImportKind::Refunds:
            return "Refunds";
        case ImportKind::Affiliates:
            break;
    }
    return "Affiliates";
}

// The key under which the register's window is open (open_register_window).
QString window_key(ImportKind kind) { return QString("frm") + register_caption(kind); }

QComboBox* make_choice(QWidget* parent, const char* name, QLabel* caption,
                       std::initializer_list<const char*> items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const char* item : items) box->addItem(item);
    box->setAccessibleName(caption->text().remove('&').remove(':'));
    caption->setBuddy(box);
    return box;
}

QTableWidget* make_table(QWidget* parent, const char* name, const QString& spoken) {
    auto* table = new QTableWidget(parent);
    table->setObjectName(name);
    table->setAccessibleName(spoken);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void fill(QTableWidget* table, const std::vector<std::string>& header,
          const std::vector<std::vector<std::string>>& rows) {
    table->clear();
    table->setColumnCount(static_cast<int>(header.size()));
    table->setRowCount(static_cast<int>(rows.size()));
    QStringList titles;
    for (const auto& h : header) titles << fromAnsi(h);
    table->setHorizontalHeaderLabels(titles);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size() && c < header.size(); ++c)
            table->setItem(static_cast<int>(r), static_cast<int>(c),
                           new QTableWidgetItem(fromAnsi(rows[r][c])));
    table->resizeColumnsToContents();
}

}  // namespace

ImportDialog::ImportDialog(UiContext& context, QWidget* parent, ImportKind kind,
                           const std::filesystem::path& file)
    : QDialog(parent), context_(context) {
    setObjectName("dlgImport");
    setWindowTitle(QString("Import %1").arg(QString(register_caption(kind)).toLower()));
    plan_.kind = kind;
    plan_.file = file;
    buildControls();
    checkFile();
    resize(760, 520);
}

void ImportDialog::buildControls() {
    auto* fileLabel =
        new QLabel("File: " + QString::fromStdString(plan_.file.filename().string()), this);
    fileLabel->setObjectName("lblImportFile");
    fileLabel->setToolTip(QString::fromStdString(plan_.file.string()));

    auto* delimiterLabel = new QLabel("&Delimiter:", this);
    delimiterLabel->setObjectName("lblImportDelimiter");
    delimiter_ = make_choice(this, "cboImportDelimiter", delimiterLabel,
                             {"Found in the header line", "Comma", "Semicolon", "Tab"});
    auto* datesLabel = new QLabel("D&ates:", this);
    datesLabel->setObjectName("lblImportDates");
    dates_ = make_choice(this, "cboImportDates", datesLabel,
                         {"yyyy-mm-dd", "As the regional settings write them"});
    latin_ = new QCheckBox("Keep characters the files cannot hold as their nearest &Latin letters",
                           this);
    latin_->setObjectName("chkImportLatin");
    latin_->setAccessibleName(
        "Keep characters the files cannot hold as their nearest Latin letters");
    latin_->setToolTip(
        "Otherwise a text holding such a character (an emoji, a Greek or Cyrillic "
        "letter) is a problem of its row");
    again_ = new QCheckBox("Import this file again", this);
    again_->setObjectName("chkImportAgain");
    again_->setAccessibleName("Import this file again");
    again_->hide();

    summary_ = new QLabel(this);
    summary_->setObjectName("lblImportSummary");
    summary_->setAccessibleName("What the file holds");
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* previewLabel = new QLabel("&First records as they will be stored:", this);
    previewLabel->setObjectName("lblImportPreview");
    preview_ = make_table(this, "tblImportPreview", "First records as they will be stored");
    previewLabel->setBuddy(preview_);
    problemsCaption_ = new QLabel("&Problems:", this);
    problemsCaption_->setObjectName("lblImportProblems");
    problems_ = make_table(this, "tblImportProblems", "Problems");
    problemsCaption_->setBuddy(problems_);

    progress_ = new QProgressBar(this);
    progress_->setObjectName("barImport");
    progress_->setAccessibleName("Import progress");
    progress_->hide();

    import_ = make_button(this, "cmdImport", "Import");
    auto* cancel = make_button(this, "cmdImportCancel", "Cancel");

    auto* options = new QHBoxLayout;
    options->addWidget(delimiterLabel);
    options->addWidget(delimiter_);
    options->addSpacing(16);
    options->addWidget(datesLabel);
    options->addWidget(dates_);
    options->addSpacing(16);
    options->addWidget(again_);
    options->addStretch();
    auto* latin = new QHBoxLayout;
    latin->addWidget(latin_);
    latin->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_, 1);
    buttons->addStretch();
    buttons->addWidget(import_);
    buttons->addWidget(cancel);
    auto* page = new QVBoxLayout(this);
    page->addWidget(fileLabel);
    page->addLayout(options);
    page->addLayout(latin);
    page->addWidget(summary_);
    page->addWidget(previewLabel);
    page->addWidget(preview_, 2);
    page->addWidget(problemsCaption_);
    page->addWidget(problems_, 1);
    page->addLayout(buttons);

    QWidget* order[] = {delimiter_, dates_, again_, latin_, preview_, problems_, import_, cancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(delimiter_, &QComboBox::currentIndexChanged, this, &ImportDialog::checkFile);
    connect(dates_, &QComboBox::currentIndexChanged, this, &ImportDialog::checkFile);
    connect(again_, &QCheckBox::toggled, this, &ImportDialog::checkFile);
    connect(latin_, &QCheckBox::toggled, this, &ImportDialog::checkFile);
    connect(import_, &QPushButton::clicked, this, &ImportDialog::runImport);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

Progress ImportDialog::progressBar() {
    stop_ = std::stop_source();
    return Progress(stop_.get_token(), [this](const ProgressReport& report) {
        // Scaled to an int range whatever the line count.
        const int value =
            report.total > 0 ? static_cast<int>(report.done * 1000 / report.total) : 0;
        if (isVisible()) {
            progress_->show();
            progress_->setRange(0, 1000);
            progress_->setValue(value);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return;
        }
        if (!checking_) {
            checking_ =
                new QProgressDialog("Checking the file...", "Cancel", 0, 1000, parentWidget());
            checking_->setObjectName("dlgImportChecking");
            checking_->setWindowModality(Qt::WindowModal);
            checking_->setMinimumDuration(400);
        }
        checking_->setValue(value);
        cancelled_ = checking_->wasCanceled();
        if (cancelled_) stop_.request_stop();
    });
}

void ImportDialog::checkFile() {
    ImportOptions options;
    constexpr char kDelimiters[] = {0, ',', ';', '\t'};
    options.delimiter = kDelimiters[std::clamp(delimiter_->currentIndex(), 0, 3)];
    options.latin = latin_->isChecked();
    options.dates = dates_->currentIndex() == 1 ? ImportDates::Regional : ImportDates::Iso;
    options.force = again_->isChecked();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto unchecked = [&](const std::string& why) {
        ImportPlan unreadable;
        unreadable.kind = plan_.kind;
        unreadable.file = plan_.file;
        unreadable.options = options;
        plan_ = std::move(unreadable);
        plan_.problems.push_back({0, "", why});
        plan_.problemCount = 1;
    };
    try {
        Progress progress = progressBar();
        plan_ = plan_import(context_.state, plan_.kind, plan_.file, options, progress);
    } catch (const Cancelled&) {
        unchecked(kImportCancelled);
    } catch (const std::exception& e) {
        unchecked(e.what());
    }
    QApplication::restoreOverrideCursor();
    progress_->hide();
    delete checking_;
    checking_ = nullptr;
    showPlan();
}

void ImportDialog::showPlan() {
    const Regional& regional = context_.state.regional;
    QString text = QString("%1 record(s) to import into %2")
                       .arg(plan_.rows)
                       .arg(QString(register_caption(plan_.kind)).toLower());
    if (plan_.kind != ImportKind::Affiliates)
        text += ", " + fromAnsi(format_double(plan_.totalSum, regional)) + " in all";
    text += ".";
    if (plan_.rows > 0 || plan_.problemCount > 0) {
        const char* name = plan_.delimiter == ';'    ? "semicolon"
                           : plan_.delimiter == '\t' ? "tab"
                                                     : "comma";
        text += QString("\nRead with the %1 as delimiter%2.")
                    .arg(name)
                    .arg(plan_.delimiterFound ? " (found in the header line)" : "");
    }
    if (plan_.alreadyImported) text += "\nRefused: " + fromAnsi(*plan_.alreadyImported) + ".";
    if (!plan_.ignoredColumns.empty()) {
        QStringList names;
        for (const auto& c : plan_.ignoredColumns) names << fromAnsi(c);
        text += "\nColumns ignored: " + names.join(", ") + ".";
    }
    if (plan_.unkeptLines > 0 && !latin_->isChecked())
        text += QString(
                    "\n%1 line(s) hold characters the files cannot keep; tick the box above "
                    "to keep them as their nearest Latin letters.")
                    .arg(plan_.unkeptLines);
    if (plan_.problemCount > 0 && !plan_.importable())
        text += "\nNothing is imported while a row has a problem.";
    summary_->setText(text);
    again_->setVisible(plan_.alreadyImported.has_value() || again_->isChecked());

    fill(preview_, plan_.header, plan_.preview);
    std::vector<std::vector<std::string>> rows;
    for (const auto& p : plan_.problems)
        rows.push_back({p.line > 0 ? std::to_string(p.line) : "", p.column, p.message});
    for (const auto& w : plan_.warnings)
        rows.push_back({std::to_string(w.line), w.column, w.message});
    fill(problems_, {"Line", "Column", "Message"}, rows);
    // A message quoting characters the code page lacks is kept in UTF-8.
    for (size_t r = 0; r < plan_.problems.size(); ++r)
        if (plan_.problems[r].utf8)
            problems_->item(static_cast<int>(r), 2)
                ->setText(QString::fromStdString(plan_.problems[r].message));
    const int64_t more = plan_.problemCount - static_cast<int64_t>(plan_.problems.size());
    problemsCaption_->setText(
        more > 0
            ? QString("&Problems (the first %1; %2 more):").arg(plan_.problems.size()).arg(more)
            : QString("&Problems:"));
    import_->setEnabled(plan_.importable());
}

void ImportDialog::runImport() {
    import_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        // The data as it was is kept first; without a backup nothing is imported.
        try {
            run_long_work(context_, this, kBackupWork,
                          [appDir = context_.state.appDir](Progress& p) {
                              automatic_backup(appDir, "import", p);
                          });
        } catch (const Cancelled&) {
            throw;
        } catch (const std::exception& e) {
            throw FileError(std::string("the backup before it could not be made: ") + e.what());
        }
        Progress progress = progressBar();
        result_ = run_import(context_.state, plan_, progress);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        progress_->hide();
        const bool stopped = dynamic_cast<const Cancelled*>(&e) != nullptr;
        context_.message(
            this, "Nothing was imported: " + fromAnsi(stopped ? kImportCancelled : e.what()));
        checkFile();
        return;
    }
    QApplication::restoreOverrideCursor();
    accept();
}

void import_from_file(UiContext& context, QWidget* parent, ImportKind kind) {
    // A record being typed in the register's window would take a number the
    // import is about to give.
    auto* open = qobject_cast<RecordEditor*>(context.openWindow(window_key(kind)));
    if (open && (open->editMode() == RecordEditor::kCreating ||
                 open->editMode() == RecordEditor::kEditing)) {
        context.message(parent, QString("Save the record in the %1 window first, or leave it.")
                                    .arg(register_caption(kind)));
        return;
    }
    const QString chosen = context.chooseFile(
        {parent, QString("Import %1").arg(QString(register_caption(kind)).toLower()),
         QString::fromStdString(context.state.appDir.string()),
         "CSV files (*.csv *.txt);;All files (*)", false});
    if (chosen.isEmpty()) return;
    ImportDialog dialog(context, parent, kind, std::filesystem::path(chosen.toStdString()));
    if (dialog.cancelled()) return;
    if (context.runDialog(dialog) != QDialog::Accepted || !dialog.result()) return;
    if (open) open->showAppendedRecords();
    QString done = QString("%1 record(s) imported into %2, numbers %3 to %4.")
                       .arg(dialog.result()->records)
                       .arg(QString(register_caption(kind)).toLower())
                       .arg(dialog.result()->firstRecord)
                       .arg(dialog.result()->firstRecord + dialog.result()->records - 1);
    if (dialog.result()->rejected)
        done += "\nThe rows left out are in " +
                QString::fromStdString(dialog.result()->rejected->string()) + ".";
    for (const std::string& left : dialog.result()->leftToDo) done += "\n" + fromAnsi(left);
    context.message(parent, done);
}

}  // namespace qdx::ui
