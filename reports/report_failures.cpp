#include "reports/report_failures.h"

#include "reports/reports.h"

namespace qdx {

const char* const kSaveTextFailed = "The report could not be saved as text: ";
const char* const kSaveHtmlFailed = "The report could not be saved as HTML: ";
const char* const kPrintFailed = "The report could not be printed: ";
const char* const kSaveCsvFailed = "The report could not be saved as CSV: ";
const char* const kPayoutFailed = "The payout file could not be written; it is as it was: ";
const char* const kRegisterFailed = "The payments could not be registered; none was written: ";

std::string report_failure_message(const Messages& messages, OnFailure rule,
                                   const std::exception& error) {
    if (rule == OnFailure::SayIncorrectValue) return messages.incorrectValue;
    if (dynamic_cast<const ReportError*>(&error)) return error.what();
    return std::string("The report could not be made: ") + error.what();
}

std::string report_failure_detail(OnFailure rule, const std::exception& error) {
    if (rule == OnFailure::SayIncorrectValue && dynamic_cast<const DamagedRecordError*>(&error))
        return error.what();
    return {};
}

std::string id_check_message(const Messages& messages, IdCheck check) {
    switch (check) {
        case IdCheck::Ok:
            return {};
        case IdCheck::Empty:
            return messages.enterData;
        case IdCheck::NoAffiliate:
            return messages.noAffiliate;
        case IdCheck::NotANumber:
            break;
    }
    return messages.incorrectValue;
}

}  // namespace qdx
