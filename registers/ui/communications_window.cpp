#include "registers/ui/communications_window.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "core/files.h"
#include "core/history.h"
#include "core/regional.h"
#include "core/ui/ui_context.h"
#include "registers/register_csv.h"
#include "registers/register_export.h"
#include "registers/register_search.h"
#include "registers/side_files.h"

namespace qdx::ui {

CommunicationsWindow::CommunicationsWindow(UiContext& context)
    : RecordEditor(context, "frmCommunications", file::kCommunications, CommunicationRecord::kSize,
                   communication_fields()) {
    setWindowTitle("Communications ");
    // The record's short fields in two columns, then its three texts.
    txtID = addBox(Field::AffiliateId, 0, 0, "lblLabel1", "txtID");
    txtSubject = addBox(Field::Subject, 0, 1, "lblLabel2", "txtSubject");
    txtDate = addBox(Field::Date, 1, 0, "lblLabel6", "txtDate");
    txtDate_R = addBox(Field::DateOfResponse, 1, 1, "lblLabel13", "txtDate_R");
    txtMessage = addTextArea(Field::Message, 2, 0, "lblLabel3", "txtMessage", true);
    txtResponce = addTextArea(Field::Response, 3, 0, "lblLabel8", "txtResponce", true);
    txtComments = addTextArea(Field::Comments, 4, 0, "lblLabel12", "txtComments", true);
    txtSID = addSearchBox(Field::FindAffiliateId, 0, "lblLabel15", "txtSID");
    txtSsubject = addSearchBox(Field::FindSubject, 1, "lblLabel16", "txtSsubject");
    txtSdate = addSearchBox(Field::FindDate, 2, "lblLabel17", "txtSdate");
    txtSdate_r = addSearchBox(Field::FindDateOfResponse, 3, "lblLabel18", "txtSdate_r");
    setGoToCaption("Go To the record N");
    resize(760, 680);
    start();
}

void CommunicationsWindow::readRecord(int64_t k) { buffer_ = file_.read<CommunicationRecord>(k); }

void CommunicationsWindow::toForm() {
    const Regional& regional = context_.state.regional;
    setAnsi(txtID, format_long(buffer_.affiliateId));
    setAnsi(txtSubject, buffer_.subject);
    setAnsi(txtDate, format_date(buffer_.date, regional));
    setAnsi(txtDate_R, format_date(buffer_.responseDate, regional));
    for (QPlainTextEdit* box : {txtMessage, txtResponce, txtComments}) box->clear();
    showCurrentNumber();
    const auto& appDir = context_.state.appDir;
    ensure_folder(appDir / "comm");
    if (auto text = read_side_file(message_file(appDir, current_))) setAnsi(txtMessage, *text);
    if (auto text = read_side_file(response_file(appDir, current_))) setAnsi(txtResponce, *text);
    if (auto text = read_side_file(comments_file(appDir, current_))) setAnsi(txtComments, *text);
}

void CommunicationsWindow::clearForm() {
    for (QLineEdit* box : {txtID, txtSubject, txtDate, txtDate_R, txtCurrent_Record}) box->clear();
    for (QPlainTextEdit* box : {txtMessage, txtResponce, txtComments}) box->clear();
}

void CommunicationsWindow::inputFields(bool enabled) {
    for (QWidget* box : std::initializer_list<QWidget*>{txtID, txtSubject, txtMessage, txtDate,
                                                        txtResponce, txtDate_R, txtComments}) {
        box->setEnabled(enabled);
    }
}

void CommunicationsWindow::newRecordDefaults() {
    std::string today = format_date(context_.state.today(), context_.state.regional);
    setAnsi(txtDate_R, today);
    setAnsi(txtDate, today);
}

bool CommunicationsWindow::checkAndWrite() {
    const AppState& state = context_.state;
    CommunicationBoxes typed{ansi(txtID),       ansi(txtSubject), ansi(txtMessage), ansi(txtDate),
                             ansi(txtResponce), ansi(txtDate_R),  ansi(txtComments)};
    if (failed(check_communication_boxes(typed, current_, state.regional))) return false;
    bool cut = communication_from_boxes(typed, buffer_, state.regional);
    if (cut) warnTruncated();
    setAnsi(txtSubject, typed.subject);
    log_record_save(state.appDir, file_, current_, buffer_);
    file_.write(current_, buffer_);
    // Empty texts write nothing and delete nothing.
    const auto& appDir = state.appDir;
    if (!typed.message.empty()) write_side_file(message_file(appDir, current_), typed.message);
    if (!typed.responce.empty()) write_side_file(response_file(appDir, current_), typed.responce);
    if (!typed.comments.empty()) write_side_file(comments_file(appDir, current_), typed.comments);
    return true;
}

RecordEditor::SearchJob CommunicationsWindow::searchJob() {
    auto request =
        communication_search(ansi(txtSID), ansi(txtSsubject), ansi(txtSdate), ansi(txtSdate_r));
    if (request.empty) return {};
    return [criteria = request.criteria, count = recordCount_, regional = context_.state.regional](
               const RecordFile& file, Progress& progress) {
        return find_communications(file, count, criteria, regional, progress);
    };
}

void CommunicationsWindow::exportRecords(int64_t from, int64_t to) {
    export_communications(context_.state, from, to);
}

std::filesystem::path CommunicationsWindow::exportCsv() {
    return export_communications_csv(context_.state);
}

}  // namespace qdx::ui
