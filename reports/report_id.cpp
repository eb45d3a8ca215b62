#include "core/text_field.h"
#include "core/tree.h"
#include "reports/reports.h"

namespace qdx {

IdCheck check_report_id(const AppState& state, std::string_view text, int32_t& id) {
    if (text.empty()) return IdCheck::Empty;
    auto value = parse_long(text, state.regional);
    if (!value) return IdCheck::NotANumber;
    if (*value < 0 || *value > count_affiliates(state)) return IdCheck::NoAffiliate;
    id = *value;
    return IdCheck::Ok;
}

}  // namespace qdx
