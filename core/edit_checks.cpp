#include "core/edit_checks.h"

namespace qdx {

const std::string& message_text(const Messages& m, Msg which) {
    switch (which) {
        case Msg::EnterData:
            return m.enterData;
        case Msg::IncorrectValue:
            return m.incorrectValue;
        case Msg::NoRecord:
            return m.noRecord;
        case Msg::NoAffiliate:
            return m.noAffiliate;
        case Msg::CreateRecord:
            return m.createRecord;
        case Msg::SelectValue:
            break;
    }
    return m.selectValue;
}

}  // namespace qdx
