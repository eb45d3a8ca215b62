#pragma once
// The registers' searches: the search texts read into criteria (numbers and
// dates converted first), and the grid rows of the matching records, the
// record number in column 0 (the titles come from each register's field table).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/edit_checks.h"
#include "core/grid_sort.h"
#include "core/progress.h"
#include "core/record_file.h"
#include "core/regional.h"
#include "registers/money_editing.h"

namespace qdx {

// What the search texts ask for: nothing at all (every text empty), a failed
// conversion, or criteria to scan with.
template <class Criteria>
struct SearchRequest {
    bool empty = false;
    CheckResult failure;
    Criteria criteria;
};

// Affiliates: whole-field matches ignoring case and surrounding blanks.
struct AffiliateCriteria {
    std::string name, surname, email;  // trimmed and lower-cased; empty = any
    std::optional<int32_t> referrer;
};
SearchRequest<AffiliateCriteria> affiliate_search(const std::string& name,
                                                  const std::string& surname,
                                                  const std::string& email,
                                                  const std::string& referrer,
                                                  const Regional& regional);
// Each search says how far it is through `progress` and stops when asked.
GridRows find_affiliates(const RecordFile& file, int64_t recordCount,
                         const AffiliateCriteria& criteria, const Regional& regional,
                         Progress& progress);
inline GridRows find_affiliates(const RecordFile& file, int64_t recordCount,
                                const AffiliateCriteria& criteria, const Regional& regional) {
    Progress none;
    return find_affiliates(file, recordCount, criteria, regional, none);
}

// Sales and payments: a date and an affiliate; rows sorted by the Date column.
struct MoneyCriteria {
    std::optional<double> date;
    std::optional<int32_t> affiliateId;
};
SearchRequest<MoneyCriteria> money_search(const std::string& date, const std::string& affiliateId,
                                          const Regional& regional);
GridRows find_money(const MoneyRegister& reg, const RecordFile& file, int64_t recordCount,
                    const MoneyCriteria& criteria, const Regional& regional, Progress& progress);
inline GridRows find_money(const MoneyRegister& reg, const RecordFile& file, int64_t recordCount,
                           const MoneyCriteria& criteria, const Regional& regional) {
    Progress none;
    return find_money(reg, file, recordCount, criteria, regional, none);
}
// The grid column of the date, by which the rows are sorted.
int money_sort_column(const MoneyRegister& reg);

// Communications: every criterion compares texts, as written by the system.
struct CommunicationCriteria {
    std::string id, subject, date, dateR;  // trimmed and lower-cased; empty = any
};
SearchRequest<CommunicationCriteria> communication_search(const std::string& id,
                                                          const std::string& subject,
                                                          const std::string& date,
                                                          const std::string& dateR);
GridRows find_communications(const RecordFile& file, int64_t recordCount,
                             const CommunicationCriteria& criteria, const Regional& regional,
                             Progress& progress);
inline GridRows find_communications(const RecordFile& file, int64_t recordCount,
                                    const CommunicationCriteria& criteria,
                                    const Regional& regional) {
    Progress none;
    return find_communications(file, recordCount, criteria, regional, none);
}

}  // namespace qdx
