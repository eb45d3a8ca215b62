#pragma once
// The sales and payments windows' save: the ordered checks on the boxes and
// the record built from them. The two registers differ only in the constants
// of MoneyRegister.
#include <cstdint>
#include <string>

#include "core/edit_checks.h"
#include "core/records.h"
#include "core/regional.h"

namespace qdx {

struct MoneyRegister {
    const char* caption;  // Sales, Payments
    const char* dataFile;
    const char* exportFile;
    char detailsPrefix;  // addinfo/s<N>.txt or addinfo/p<N>.txt
    FieldTable fields;   // in the order of the text export, then the search's
};
extern const MoneyRegister kSalesRegister;
extern const MoneyRegister kPaymentsRegister;
// data/refunds.qdx read as a register: browsed, searched and exported like
// the sales, but only ever added to.
extern const MoneyRegister kRefundsRegister;

// A field of the record as the export and the grid write it.
std::string money_field_text(const MoneyRecord& record, Field field, const Regional& regional);

struct MoneyBoxes {
    std::string affiliateId, sum, date;
};

// The eight checks in their order; `affiliateCount` is the number of
// registered affiliates.
CheckResult check_money_boxes(const MoneyBoxes& boxes, int64_t current, int32_t affiliateCount,
                              const Regional& regional);
// The record of boxes that passed the checks.
MoneyRecord money_from_boxes(const MoneyBoxes& boxes, const Regional& regional);

}  // namespace qdx
