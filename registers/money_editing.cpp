#include "registers/money_editing.h"

#include "core/app_state.h"

namespace qdx {

const MoneyRegister kSalesRegister{"frmSales", "Sales", file::kSales, "Sales.txt",
                                   's',        "Sum ",  "Sum ",       "Go to the record N"};
const MoneyRegister kPaymentsRegister{
    "frmPayments", "Payments",       file::kPayments,    "Payments.txt",
    'p',           "Sum of Payment", "Sum of a payment", "Go to the record N"};

CheckResult check_money_boxes(const MoneyBoxes& b, int64_t current, int32_t affiliateCount,
                              const Regional& regional) {
    if (b.affiliateId.empty()) return CheckFailure{Msg::EnterData, "txtAffiliateID"};
    if (b.sum.empty()) return CheckFailure{Msg::EnterData, "txtSum"};
    if (b.date.empty()) return CheckFailure{Msg::EnterData, "txtDate"};
    auto id = parse_long(b.affiliateId, regional);
    if (!id) return CheckFailure{Msg::IncorrectValue, "txtAffiliateID"};
    auto sum = parse_single(b.sum, regional);
    if (!sum) return CheckFailure{Msg::IncorrectValue, "txtSum"};
    if (!parse_date(b.date, regional)) return CheckFailure{Msg::IncorrectValue, "txtDate"};
    if (*id < 1) return CheckFailure{Msg::IncorrectValue, "txtAffiliateID"};
    if (*id > affiliateCount) return CheckFailure{Msg::NoAffiliate, "txtAffiliateID"};
    if (*sum < 0) return CheckFailure{Msg::IncorrectValue, "txtSum"};
    if (current < 1) return CheckFailure{Msg::CreateRecord, "cmdCreate"};
    return std::nullopt;
}

MoneyRecord money_from_boxes(const MoneyBoxes& b, const Regional& regional) {
    MoneyRecord r;
    r.affiliateId = parse_long(b.affiliateId, regional).value_or(0);
    r.sum = parse_single(b.sum, regional).value_or(0);
    r.date = parse_date(b.date, regional).value_or(0);
    return r;
}

}  // namespace qdx
