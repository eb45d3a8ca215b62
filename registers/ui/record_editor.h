#pragma once
// The behaviour the four register windows share: the record file held open
// while the window is open, the edit modes, moving by record number, Create,
// Edit and the Save skeleton, the search grid, the text exports and the back
// copy made on closing. Each window supplies its boxes, its checks, its
// search and its export lines.
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/edit_checks.h"
#include "core/grid_sort.h"
#include "core/progress.h"
#include "core/record_file.h"
#include "core/ui/field_boxes.h"

class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace qdx::ui {

class UiContext;
class SearchGridModel;

class RecordEditor : public QWidget {
    Q_OBJECT
  public:
    enum Mode { kEmpty = 0, kCreating = 1, kEditing = 2, kBrowsing = 3 };

    int64_t currentRecord() const { return current_; }
    int64_t recordCount() const { return recordCount_; }
    int editMode() const { return editMode_; }
    // Records were appended elsewhere (an import): counts them and, unless a
    // record is being typed, shows the last one.
    void showAppendedRecords();
    // Shows record k as a double-click on its search row would, for another
    // window that points at it. A record being typed stays as it is: false
    // then, and when k is not on file.
    bool showRecordNumber(int64_t k);

  protected:
    RecordEditor(UiContext& context, const char* objectName, const char* fileName,
                 size_t recordLength, FieldTable fields);

    // Building the window: the boxes of the record's fields and of the
    // search, each with its caption from the field table on a label that is
    // its buddy, in reading order.
    QLineEdit* addBox(Field field, int row, int column, const char* labelName, const char* boxName);
    // A multi-line box; `wide` spans the width of both columns.
    QPlainTextEdit* addTextArea(Field field, int row, int column, const char* labelName,
                                const char* boxName, bool wide = false);
    QLineEdit* addSearchBox(Field field, int column, const char* labelName, const char* boxName);
    // A group of further boxes below the record's fields, across both columns;
    // `tabOrder` follows the fields' own in the window's tab order.
    void addFieldGroup(QWidget* group, int row, const std::vector<QWidget*>& tabOrder);
    void setGoToCaption(const QString& caption);
    // Opens the file and shows the last record (Form_Load); called by the
    // window once its boxes exist.
    void start();

    // What each window supplies.
    virtual void readRecord(int64_t k) = 0;  // into the record buffer
    virtual void toForm() = 0;               // the buffer and its side files into the boxes
    virtual void clearForm() = 0;
    virtual void inputFields(bool enabled) = 0;
    virtual void newRecordDefaults() = 0;  // after Create has cleared the boxes
    // The save's checks in order, then the writing; false when a check failed.
    virtual bool checkAndWrite() = 0;
    virtual void afterSave() {}
    // The search the boxes ask for, run on a worker over a handle of its
    // own to the register file; empty when there is nothing to show (empty
    // search texts, or a failed conversion already reported).
    using SearchJob = std::function<GridRows(const RecordFile& file, Progress& progress)>;
    virtual SearchJob searchJob() = 0;
    virtual int sortColumnAfterSearch() const { return -1; }
    virtual void exportRecords(int64_t from, int64_t to) = 0;
    // Every record as CSV; returns the file written.
    virtual std::filesystem::path exportCsv() = 0;

    // Shows a failed check's message and focuses its field's box; true if failed.
    bool failed(const CheckResult& result);
    void warnTruncated();
    void showCurrentNumber();
    const std::string& appText(Msg which) const;

    UiContext& context_;
    RecordFile file_;
    int64_t recordCount_ = 0;
    int64_t current_ = 0;
    int editMode_ = kEmpty;
    QLineEdit* txtCurrent_Record;
    QTableView* grid_;
    SearchGridModel* gridModel_;

    void closeEvent(QCloseEvent* event) override;

  private:
    void buildCommonControls();
    QLabel* makeLabel(const char* name, const char* caption, QWidget* buddy);
    void enabledFrm(int mode);
    void navigation(bool enabled);
    void showRecord(int64_t k);  // reads record k and shows it

    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();
    void goTo();
    void create();
    void edit();
    void save();
    void display();
    void gridClicked(const QModelIndex& index);
    void gridDoubleClicked();
    void exportRange(int64_t from, int64_t to);
    void saveCsv();
    void unload();

    std::string fileName_;
    size_t recordLength_;
    FieldTable fieldTable_;
    FieldBoxes boxes_;
    bool unloaded_ = false;
    QGridLayout* fields_;
    QGridLayout* search_;
    QPushButton *cmdFirst_, *cmdPrevious_, *cmdNext_, *cmdLast_, *cmdGoTo_;
    QPushButton *cmdCreate_, *cmdEdit_, *cmdSave_, *cmdSaveThisRecord_, *cmdSaveAllRecords_;
    QPushButton* cmdSaveCsv_;
    QLabel* csvSaved_;
    QPushButton* cmdDisplay_;
    std::vector<QWidget*> fieldOrder_, searchOrder_;
    std::vector<std::pair<Field, QWidget*>> inputBoxes_;  // the record's boxes
};

// Box texts in the engine's Windows-1252; multi-line boxes hold CR LF line ends.
std::string ansi(const QLineEdit* box);
std::string ansi(const QPlainTextEdit* box);
void setAnsi(QLineEdit* box, const std::string& text);
void setAnsi(QPlainTextEdit* box, const std::string& text);

}  // namespace qdx::ui
