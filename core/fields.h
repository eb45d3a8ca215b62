#pragma once
// The fields of the registers and of the settings record, and the tables that
// describe them: each register lists its fields once, with the width of a
// stored text, the caption of its box, its title in the text export and its
// column in the search grid. The windows build their boxes from a table and
// map each field to a box of their own.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qdx {

enum class Field {
    // The record as a whole: there is none yet to save (the remedy is to
    // create one), and in the search grid the record number.
    Record,
    // Affiliates.
    Name,
    Surname,
    Street,
    City,
    PostCod,
    Country,
    Phone,
    Email,
    Url,
    AffiliateId,
    ReferrerId,
    AdditionalInfo,
    Level,
    Date,
    // Sales and payments.
    Sum,
    Details,
    // Communications.
    Subject,
    Message,
    Response,
    DateOfResponse,
    Comments,
    // The search boxes.
    FindName,
    FindSurname,
    FindEmail,
    FindReferrer,
    FindDate,
    FindAffiliateId,
    FindSubject,
    FindDateOfResponse,
    // The settings.
    PaymentType,
    MinPayment,
    Periodicity,
    Unit,
    Level1,
    Level2,
    Level3,
    Level4,
    Level5,
    Level6,
    Level7,
    Level8,
    // An affiliate's payment details (data/payees.qdx), as CSV columns.
    PayMethod,
    PayHolder,
    PayIban,
    PayBic,
    PayEmail,
    // A refund: the sale's record number, or the order text its details hold.
    Sale,
    Order,
};

// The reward field of a level, 1 to 8.
constexpr Field reward_level(int level) {
    return static_cast<Field>(static_cast<int>(Field::Level1) + level - 1);
}

// The level, 1 to 8, of a reward field.
constexpr int level_of(Field reward) {
    return static_cast<int>(reward) - static_cast<int>(Field::Level1) + 1;
}

struct FieldEntry {
    Field field;
    size_t width = 0;                   // of a stored text; 0 for numbers, dates and side texts
    const char* caption = nullptr;      // of its box in the window
    const char* exportTitle = nullptr;  // in the export's header; none when not exported
    const char* gridTitle = nullptr;    // of its column in the search grid
    int gridColumn = -1;                // -1 when not shown in the grid
};
using FieldTable = std::span<const FieldEntry>;

// The entry of `field`; every field a window or a line asks for is listed.
const FieldEntry& field_entry(FieldTable table, Field field);

// The export titles in table order, separated by semicolons, ending in CR LF.
std::string export_header(FieldTable table);
// A record's export line: `text(entry)` of each exported field in table order,
// separated by semicolons, ending in CR LF.
template <class TextOf>
std::string export_line(FieldTable table, TextOf text) {
    std::string line;
    bool first = true;
    for (const FieldEntry& entry : table) {
        if (!entry.exportTitle) continue;
        if (!first) line += ';';
        first = false;
        line += text(entry);
    }
    return line + "\r\n";
}

// The titles of the search grid's columns.
std::vector<std::string> grid_titles(FieldTable table);

// The search grid's columns as a table places them: the record number first.
class GridColumns {
  public:
    explicit GridColumns(FieldTable table);
    // Record k's row: `text(entry)` of each field shown.
    template <class TextOf>
    std::vector<std::string> row(int64_t k, TextOf text) const {
        std::vector<std::string> cells(count_);
        cells[0] = std::to_string(k);
        for (const FieldEntry* entry : shown_) cells[entry->gridColumn] = text(*entry);
        return cells;
    }

  private:
    size_t count_;
    std::vector<const FieldEntry*> shown_;
};

}  // namespace qdx
