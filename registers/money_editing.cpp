#include "registers/money_editing.h"

#include "core/app_state.h"
#include "core/corrections.h"

namespace qdx {

namespace {

// The twins differ only in how they name the sum. The grid, sorted by date,
// shows the date right after the record number.
constexpr FieldEntry kSalesFields[] = {
    {Field::Record, 0, nullptr, nullptr, "N of Record", 0},
    {Field::AffiliateId, 0, "Affiliate's ID", "Affiliate ID", "Affiliate's ID", 2},
    {Field::Sum, 0, "Sum ", "Sum", "Sum ", 3},
    {Field::Date, 0, "Date", "Date", "Date", 1},
    {Field::Details, 0, "Details"},
    {Field::FindDate, 0, "Date"},
    {Field::FindAffiliateId, 0, "Affiliate's ID"},
};
constexpr FieldEntry kPaymentsFields[] = {
    {Field::Record, 0, nullptr, nullptr, "N of Record", 0},
    {Field::AffiliateId, 0, "Affiliate's ID", "Affiliate ID", "Affiliate's ID", 2},
    {Field::Sum, 0, "Sum of Payment", "Sum", "Sum of a payment", 3},
    {Field::Date, 0, "Date", "Date", "Date", 1},
    {Field::Details, 0, "Details"},
    {Field::FindDate, 0, "Date"},
    {Field::FindAffiliateId, 0, "Affiliate's ID"},
};

// Refunds have the layout of a sale: the first number is the sale's record
// number, and its search box looks for it.
constexpr FieldEntry kRefundsFields[] = {
    {Field::Record, 0, nullptr, nullptr, "N of Record", 0},
    {Field::Sale, 0, "Sale (record N)", "Sale", "Sale", 2},
    {Field::Sum, 0, "Sum refunded", "Sum", "Sum refunded", 3},
    {Field::Date, 0, "Date", "Date", "Date", 1},
    {Field::Details, 0, "Details"},
    {Field::FindDate, 0, "Date"},
    {Field::FindAffiliateId, 0, "Sale (record N)"},
};

}  // namespace

const MoneyRegister kRefundsRegister{"Refunds", file::kRefunds, "Refunds.txt", 'r', kRefundsFields};
const MoneyRegister kSalesRegister{"Sales", file::kSales, "Sales.txt", 's', kSalesFields};
const MoneyRegister kPaymentsRegister{"Payments", file::kPayments, "Payments.txt", 'p',
                                      kPaymentsFields};

std::string money_field_text(const MoneyRecord& r, Field field, const Regional& regional) {
    switch (field) {
        case Field::AffiliateId:
        case Field::Sale:
            return format_long(r.affiliateId);
        case Field::Sum:
            return format_single(r.sum, regional);
        case Field::Date:
            return format_date(r.date, regional);
        default:
            return {};
    }
}

CheckResult check_money_boxes(const MoneyBoxes& b, int64_t current, int32_t affiliateCount,
                              const Regional& regional) {
    if (b.affiliateId.empty()) return CheckFailure{Msg::EnterData, Field::AffiliateId};
    if (b.sum.empty()) return CheckFailure{Msg::EnterData, Field::Sum};
    if (b.date.empty()) return CheckFailure{Msg::EnterData, Field::Date};
    auto id = parse_long(b.affiliateId, regional);
    if (!id) return CheckFailure{Msg::IncorrectValue, Field::AffiliateId};
    auto sum = parse_single(b.sum, regional);
    if (!sum) return CheckFailure{Msg::IncorrectValue, Field::Sum};
    if (!parse_date(b.date, regional)) return CheckFailure{Msg::IncorrectValue, Field::Date};
    if (*id < 1) return CheckFailure{Msg::IncorrectValue, Field::AffiliateId};
    if (*id > affiliateCount) return CheckFailure{Msg::NoAffiliate, Field::AffiliateId};
    if (*sum < 0) return CheckFailure{Msg::IncorrectValue, Field::Sum};
    if (current < 1) return CheckFailure{Msg::CreateRecord, Field::Record};
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
