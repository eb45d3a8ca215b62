#include "registers/ui/record_editor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

#include "core/files.h"
#include "core/regional.h"
#include "core/ui/long_work.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"
#include "registers/ui/search_grid_model.h"

namespace qdx::ui {

std::string ansi(const QLineEdit* box) { return toAnsi(box->text()); }

// The text as typed: toPlainText() would turn non-breaking spaces into
// blanks, so the raw text is read and only its line breaks are converted.
std::string ansi(const QPlainTextEdit* box) {
    QString text = box->document()->toRawText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = QLatin1Char('\n');
    }
    return toAnsi(text.replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
}

void setAnsi(QLineEdit* box, const std::string& text) { box->setText(fromAnsi(text)); }

void setAnsi(QPlainTextEdit* box, const std::string& text) {
    box->setPlainText(fromAnsi(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

namespace {

// Writes failures the windows cannot prevent (a full disk, a read-only
// folder) as a message instead of letting them pass.
QString file_failure(const char* what, const std::exception& e) {
    return QString::fromUtf8(what) + QStringLiteral("\n") + QString::fromLocal8Bit(e.what());
}

}  // namespace

RecordEditor::RecordEditor(UiContext& context, const char* objectName, const char* fileName,
                           size_t recordLength, FieldTable fields)
    : context_(context), fileName_(fileName), recordLength_(recordLength), fieldTable_(fields) {
    setObjectName(objectName);
    buildCommonControls();
}

void RecordEditor::buildCommonControls() {
    auto* page = new QVBoxLayout(this);

    auto* fieldsBox = new QWidget(this);
    fieldsBox->setObjectName("fieldsArea");
    fields_ = new QGridLayout(fieldsBox);
    fields_->setContentsMargins(0, 0, 0, 0);
    fields_->setColumnStretch(1, 1);
    fields_->setColumnStretch(3, 1);
    fields_->setColumnMinimumWidth(2, 110);
    page->addWidget(fieldsBox);

    auto* nav = new QGroupBox(this);
    nav->setObjectName("frmNavigation");
    nav->setAccessibleName("Navigation");
    auto* navRow = new QHBoxLayout(nav);
    cmdFirst_ = make_button(nav, "cmdFirst", "I<", "Move to the first record");
    cmdPrevious_ = make_button(nav, "cmdPrevious", "<", "Move to the previous record");
    txtCurrent_Record = new QLineEdit(nav);
    txtCurrent_Record->setObjectName("txtCurrent_Record");
    txtCurrent_Record->setAccessibleName("Current record number");
    txtCurrent_Record->setMaximumWidth(90);
    cmdNext_ = make_button(nav, "cmdNext", ">", "Move to the next record");
    cmdLast_ = make_button(nav, "cmdLast", ">I", "Move to the last record");
    cmdGoTo_ = make_button(nav, "cmdGoTo", "Go To the record N");
    for (QPushButton* b : {cmdFirst_, cmdPrevious_, cmdNext_, cmdLast_}) b->setMaximumWidth(40);
    navRow->addWidget(cmdFirst_);
    navRow->addWidget(cmdPrevious_);
    navRow->addWidget(makeLabel("lblCurrent_Record", "Record", txtCurrent_Record));
    navRow->addWidget(txtCurrent_Record);
    navRow->addWidget(cmdNext_);
    navRow->addWidget(cmdLast_);
    navRow->addWidget(cmdGoTo_);
    navRow->addStretch();
    page->addWidget(nav);

    auto* actions = new QHBoxLayout;
    cmdCreate_ = make_button(this, "cmdCreate", "Create a new record");
    cmdEdit_ = make_button(this, "cmdEdit", "Edit this record");
    cmdSave_ = make_button(this, "cmdSave", "Save this record");
    cmdSaveThisRecord_ = make_button(this, "cmdSaveThisRecord", "Save this record as txt");
    cmdSaveAllRecords_ = make_button(this, "cmdSaveAllRecords", "Save all records as txt");
    cmdSaveCsv_ = make_button(this, "cmdSaveCsv", "Save as .csv",
                              "Save all records as .csv, for a spreadsheet");
    for (QPushButton* b :
         {cmdCreate_, cmdEdit_, cmdSave_, cmdSaveThisRecord_, cmdSaveAllRecords_, cmdSaveCsv_}) {
        actions->addWidget(b);
    }
    csvSaved_ = new QLabel(this);
    csvSaved_->setObjectName("lblCsvSaved");
    csvSaved_->setAccessibleName("Where the CSV file was saved");
    csvSaved_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    actions->addWidget(csvSaved_, 1);
    // With no record to save, the way on is to create one.
    boxes_.add(Field::Record, cmdCreate_);
    page->addLayout(actions);

    auto* frame = new QGroupBox("Search", this);
    frame->setObjectName("frameView");
    auto* frameLayout = new QVBoxLayout(frame);
    search_ = new QGridLayout;
    frameLayout->addLayout(search_);
    cmdDisplay_ = make_button(frame, "cmdDisplay", "Find");
    grid_ = new QTableView(frame);
    gridModel_ = new SearchGridModel(grid_);
    grid_->setModel(gridModel_);
    grid_->setObjectName("MSFGView");
    grid_->setAccessibleName("Search results");
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setMinimumHeight(140);
    frameLayout->addWidget(grid_, 1);
    page->addWidget(frame, 1);

    connect(cmdFirst_, &QPushButton::clicked, this, &RecordEditor::moveFirst);
    connect(cmdPrevious_, &QPushButton::clicked, this, &RecordEditor::movePrevious);
    connect(cmdNext_, &QPushButton::clicked, this, &RecordEditor::moveNext);
    connect(cmdLast_, &QPushButton::clicked, this, &RecordEditor::moveLast);
    connect(cmdGoTo_, &QPushButton::clicked, this, &RecordEditor::goTo);
    connect(cmdCreate_, &QPushButton::clicked, this, &RecordEditor::create);
    connect(cmdEdit_, &QPushButton::clicked, this, &RecordEditor::edit);
    connect(cmdSave_, &QPushButton::clicked, this, &RecordEditor::save);
    connect(cmdDisplay_, &QPushButton::clicked, this, &RecordEditor::display);
    connect(grid_, &QTableView::clicked, this, &RecordEditor::gridClicked);
    connect(grid_, &QTableView::doubleClicked, this, &RecordEditor::gridDoubleClicked);
    // Enter on a search row opens its record, as a double-click does.
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* open = new QShortcut(QKeySequence(key), grid_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(open, &QShortcut::activated, this, &RecordEditor::gridDoubleClicked);
    }
    connect(cmdSaveThisRecord_, &QPushButton::clicked, this,
            [this] { exportRange(current_, current_); });
    connect(cmdSaveAllRecords_, &QPushButton::clicked, this,
            [this] { exportRange(1, recordCount_); });
    connect(cmdSaveCsv_, &QPushButton::clicked, this, &RecordEditor::saveCsv);
}

QLabel* RecordEditor::makeLabel(const char* name, const char* caption, QWidget* buddy) {
    auto* label = new QLabel(QString::fromUtf8(caption), buddy->parentWidget());
    label->setObjectName(name);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString::fromUtf8(caption).trimmed());
    return label;
}

QLineEdit* RecordEditor::addBox(Field field, int row, int column, const char* labelName,
                                const char* boxName) {
    auto* box = new QLineEdit(fields_->parentWidget());
    box->setObjectName(boxName);
    boxes_.add(field, box);
    const char* caption = field_entry(fieldTable_, field).caption;
    fields_->addWidget(makeLabel(labelName, caption, box), row, column * 2);
    fields_->addWidget(box, row, column * 2 + 1);
    fieldOrder_.push_back(box);
    inputBoxes_.emplace_back(field, box);
    return box;
}

QPlainTextEdit* RecordEditor::addTextArea(Field field, int row, int column, const char* labelName,
                                          const char* boxName, bool wide) {
    auto* box = new QPlainTextEdit(fields_->parentWidget());
    box->setObjectName(boxName);
    boxes_.add(field, box);
    const char* caption = field_entry(fieldTable_, field).caption;
    box->setTabChangesFocus(true);
    box->setFixedHeight(64);
    fields_->addWidget(makeLabel(labelName, caption, box), row, column * 2, Qt::AlignTop);
    fields_->addWidget(box, row, column * 2 + 1, 1, wide ? 3 : 1);
    fieldOrder_.push_back(box);
    inputBoxes_.emplace_back(field, box);
    return box;
}

void RecordEditor::addFieldGroup(QWidget* group, int row, const std::vector<QWidget*>& tabOrder) {
    group->setParent(fields_->parentWidget());
    fields_->addWidget(group, row, 0, 1, 4);
    fieldOrder_.insert(fieldOrder_.end(), tabOrder.begin(), tabOrder.end());
}

QLineEdit* RecordEditor::addSearchBox(Field field, int column, const char* labelName,
                                      const char* boxName) {
    auto* box = new QLineEdit(cmdDisplay_->parentWidget());
    box->setObjectName(boxName);
    boxes_.add(field, box);
    const char* caption = field_entry(fieldTable_, field).caption;
    search_->addWidget(makeLabel(labelName, caption, box), 0, column * 2);
    search_->addWidget(box, 0, column * 2 + 1);
    searchOrder_.push_back(box);
    // Enter in a search box runs Find.
    connect(box, &QLineEdit::returnPressed, this, &RecordEditor::display);
    return box;
}

void RecordEditor::setGoToCaption(const QString& caption) {
    cmdGoTo_->setText(caption);
    cmdGoTo_->setAccessibleName(caption);
}

void RecordEditor::start() {
    search_->addWidget(cmdDisplay_, 0, static_cast<int>(searchOrder_.size()) * 2);
    search_->setColumnStretch(static_cast<int>(searchOrder_.size()) * 2 + 1, 1);
    // Tab order follows the reading order of the window.
    std::vector<QWidget*> order = fieldOrder_;
    order.insert(order.end(), {cmdFirst_, cmdPrevious_, txtCurrent_Record, cmdNext_, cmdLast_,
                               cmdGoTo_, cmdCreate_, cmdEdit_, cmdSave_, cmdSaveThisRecord_,
                               cmdSaveAllRecords_, cmdSaveCsv_});
    order.insert(order.end(), searchOrder_.begin(), searchOrder_.end());
    order.insert(order.end(), {cmdDisplay_, grid_});
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    gridModel_->setTitles(grid_titles(fieldTable_));
    grid_->resizeColumnsToContents();

    AppState& state = context_.state;
    try {
        ensure_folder(state.dataDir());
        file_.open(state.dataFile(fileName_.c_str()), recordLength_);
        recordCount_ = file_.count();
    } catch (const std::exception& e) {
        context_.message(this, file_failure("Sorry, the data file cannot be opened.", e));
        recordCount_ = 0;
    }
    current_ = recordCount_;
    if (recordCount_ > 0) {
        showRecord(current_);
        editMode_ = kBrowsing;
    } else {
        editMode_ = kEmpty;
    }
    enabledFrm(editMode_);
}

void RecordEditor::showAppendedRecords() {
    if (editMode_ == kCreating || editMode_ == kEditing || !file_.isOpen()) return;
    try {
        recordCount_ = file_.count();
    } catch (const std::exception& e) {
        context_.message(this, file_failure("Sorry, the data file cannot be read.", e));
        return;
    }
    current_ = recordCount_;
    if (recordCount_ > 0) {
        showRecord(current_);
        editMode_ = kBrowsing;
    }
    enabledFrm(editMode_);
}

bool RecordEditor::showRecordNumber(int64_t k) {
    if (editMode_ == kCreating || editMode_ == kEditing || !file_.isOpen()) return false;
    try {
        recordCount_ = file_.count();
    } catch (const std::exception& e) {
        context_.message(this, file_failure("Sorry, the data file cannot be read.", e));
        return false;
    }
    if (k < 1 || k > recordCount_) return false;
    current_ = k;
    showCurrentNumber();
    showRecord(current_);
    editMode_ = kBrowsing;
    enabledFrm(editMode_);
    return true;
}

void RecordEditor::navigation(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(cmdFirst_), static_cast<QWidget*>(cmdLast_),
                       static_cast<QWidget*>(cmdNext_), static_cast<QWidget*>(cmdPrevious_),
                       static_cast<QWidget*>(cmdGoTo_), static_cast<QWidget*>(txtCurrent_Record)}) {
        w->setEnabled(enabled);
    }
}

void RecordEditor::enabledFrm(int mode) {
    inputFields(true);
    cmdSave_->setEnabled(true);
    cmdCreate_->setEnabled(false);
    cmdEdit_->setEnabled(false);
    navigation(false);
    if (mode == kEmpty) {
        inputFields(false);
        cmdSave_->setEnabled(false);
        cmdCreate_->setEnabled(true);
    } else if (mode == kBrowsing) {
        cmdSave_->setEnabled(false);
        cmdCreate_->setEnabled(true);
        cmdEdit_->setEnabled(true);
        navigation(true);
    }
}

bool RecordEditor::failed(const CheckResult& result) {
    return report_failure(context_, this, result, boxes_);
}

void RecordEditor::warnTruncated() { context_.message(this, QString(kTruncationWarning)); }

void RecordEditor::showCurrentNumber() { txtCurrent_Record->setText(QString::number(current_)); }

const std::string& RecordEditor::appText(Msg which) const {
    return message_text(context_.state.messages, which);
}

void RecordEditor::showRecord(int64_t k) {
    try {
        readRecord(k);
        toForm();
    } catch (const std::exception& e) {
        context_.message(this, file_failure("Sorry, the record could not be read.", e));
    }
}

void RecordEditor::moveFirst() {
    current_ = 1;
    if (recordCount_ != 0) showRecord(current_);
}

void RecordEditor::movePrevious() {
    if (recordCount_ != 0 && current_ - 1 >= 1) showRecord(--current_);
}

void RecordEditor::moveNext() {
    if (recordCount_ != 0 && current_ + 1 <= recordCount_) showRecord(++current_);
}

void RecordEditor::moveLast() {
    current_ = recordCount_;
    if (current_ != 0) showRecord(current_);
}

void RecordEditor::goTo() {
    std::string typed = ansi(txtCurrent_Record);
    if (typed.empty()) {
        context_.message(this, appText(Msg::EnterData), txtCurrent_Record);
        return;
    }
    auto number = parse_long(typed, context_.state.regional);
    if (!number) {
        context_.message(this, appText(Msg::IncorrectValue), txtCurrent_Record);
        return;
    }
    current_ = *number;
    if (current_ > recordCount_ || current_ < 1) {
        context_.message(this, appText(Msg::NoRecord), txtCurrent_Record);
        current_ = 1;
    }
    showRecord(current_);
}

void RecordEditor::create() {
    // Numbered from the file as it is now: records may have been appended
    // elsewhere (payments registered from a report) since the window opened.
    try {
        recordCount_ = file_.count() + 1;
    } catch (const std::exception& e) {
        context_.message(this, file_failure("Sorry, the data file cannot be read.", e));
        return;
    }
    current_ = recordCount_;
    editMode_ = kCreating;
    clearForm();
    showCurrentNumber();
    newRecordDefaults();
    enabledFrm(kCreating);
}

void RecordEditor::edit() {
    if (current_ >= 1) {
        editMode_ = kEditing;
        enabledFrm(kEditing);
    } else {
        context_.message(this, appText(Msg::CreateRecord), cmdCreate_);
    }
}

void RecordEditor::save() {
    // Characters the file cannot keep are named first, and kept as their
    // nearest Latin letters only when the user says so.
    if (!offer_nearest_letters(context_, this, fieldTable_, inputBoxes_)) return;
    try {
        if (!checkAndWrite()) return;
    } catch (const std::exception& e) {
        context_.message(this, file_failure("Sorry, the record could not be saved.", e));
        return;
    }
    editMode_ = kBrowsing;
    enabledFrm(kBrowsing);
    afterSave();
}

void RecordEditor::display() {
    if (refuse_while_busy(context_, this)) return;
    cmdDisplay_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    GridRows rows;
    bool found = false;
    try {
        if (SearchJob job = searchJob()) {
            if (file_.isOpen() && recordCount_ > 0) {
                // The window may write to its file while the search runs.
                rows = long_work_result(
                    context_, this, kSearchWork,
                    [job, path = file_.path(), length = file_.recordLength()](Progress& progress) {
                        const RecordFile file(path, length);
                        return job(file, progress);
                    });
            } else {
                Progress none;
                rows = job(file_, none);
            }
            found = true;
        }
    } catch (const Cancelled&) {
        // The grid keeps the rows it showed.
    } catch (const std::exception&) {
        context_.message(this, appText(Msg::IncorrectValue), nullptr);
    }
    if (found) {
        grid_->clearSelection();
        gridModel_->setRows(std::move(rows));
        grid_->resizeColumnsToContents();
        if (int column = sortColumnAfterSearch(); column >= 0) {
            grid_->setCurrentIndex(gridModel_->index(0, column));
        }
    }
    QApplication::restoreOverrideCursor();
    cmdDisplay_->setEnabled(true);
}

void RecordEditor::gridClicked(const QModelIndex& index) {
    // The selection stays on its row while the rows under it are sorted.
    gridModel_->sortBy(index.column(), context_.state.regional);
    grid_->setCurrentIndex(index);
}

void RecordEditor::gridDoubleClicked() {
    std::string cell = gridModel_->cell(grid_->currentIndex().row(), 0);
    auto number = parse_long(cell, context_.state.regional);
    if (!number || *number < 1 || *number > recordCount_) {
        context_.message(this, appText(Msg::NoRecord), nullptr);
        return;
    }
    current_ = *number;
    showCurrentNumber();
    showRecord(current_);
}

void RecordEditor::exportRange(int64_t from, int64_t to) {
    try {
        exportRecords(from, to);
    } catch (const std::exception& e) {
        context_.message(this, file_failure("Sorry, the text file could not be written.", e));
    }
}

void RecordEditor::saveCsv() {
    try {
        csvSaved_->setText("Saved as " + QString::fromStdString(exportCsv().string()));
    } catch (const std::exception& e) {
        csvSaved_->clear();
        context_.message(this, file_failure("Sorry, the CSV file could not be written.", e));
    }
}

void RecordEditor::unload() {
    if (unloaded_) return;
    unloaded_ = true;
    file_.close();
    write_back_copy(context_, this, fileName_);
}

void RecordEditor::closeEvent(QCloseEvent* event) {
    stop_long_work(context_, this);
    unload();
    event->accept();
}

}  // namespace qdx::ui
