#pragma once
// The affiliates window's save: the checks on the boxes, the record built
// from them (texts trimmed and cut to their widths, the Level taken from the
// referrer), the referrer checks, and the writing of record and side file.
#include <cstdint>
#include <string>

#include "core/edit_checks.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/regional.h"

namespace qdx {

// The affiliate's fields in the order of the text export, then the search's.
FieldTable affiliate_fields();

// A field of the record as the export writes it: texts at their stored width.
std::string affiliate_field_text(const AffiliateRecord& record, const FieldEntry& entry,
                                 const Regional& regional);
// The stored text of a text field, or null for a number or a date.
const std::string* affiliate_text(const AffiliateRecord& record, Field field);

// The boxes as typed, in Windows-1252.
struct AffiliateBoxes {
    std::string name, surname, street, city, postCod, country, phone, email, url;
    std::string affiliateId, refId, additionalInfo, date;
};

// The checks that look at the boxes alone, in their order.
CheckResult check_affiliate_boxes(const AffiliateBoxes& boxes, int64_t current,
                                  const Regional& regional);

// Copies the boxes into the record: each text trimmed and, when longer than
// its field, cut (the box too). Additional information longer than the field
// is left to the side file and the record's field keeps its value. Sets the
// current record number to the ID and the Level from the referrer's record.
// Answers whether any text was cut.
bool affiliate_from_boxes(AffiliateBoxes& boxes, AffiliateRecord& record, int64_t& current,
                          const RecordFile& file, const Regional& regional);

// The checks on the referrer once the record is built: it must exist (when
// the register holds more than one record), be 0 or a record in range, and
// not be the affiliate itself.
CheckResult check_referrer(const AffiliateRecord& record, int64_t recordCount,
                           const RecordFile& file);

// Writes record `current` and, when the additional information as typed is
// longer than the field, addinfo/<ID>.txt.
void write_affiliate(RecordFile& file, const std::filesystem::path& appDir, int64_t current,
                     const AffiliateRecord& record, const std::string& additionalInfoBox);

}  // namespace qdx
