#pragma once
// The header row of an imported file matched to a register's fields: a
// column is known by any of its names, compared without regard to case and
// blanks, in any order; columns no field claims are listed and left alone.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fields.h"

namespace qdx {

struct ImportColumn {
    Field field;
    std::vector<std::string> names;  // the first is the one messages use
    bool required = false;
};

// The columns of sales and payments, and of affiliates.
std::vector<ImportColumn> money_columns();
std::vector<ImportColumn> affiliate_columns();
// Refunds: the sale by its record number or by the order its details hold
// (one of the two), the date, the sum, optional details.
std::vector<ImportColumn> refund_columns();

// A title as compared: lower case, without blanks.
std::string column_key(std::string_view title);

class ColumnMap {
  public:
    // Matches `header`; problems (a required column missing, one given twice)
    // go to `problems` as messages about the header row.
    ColumnMap(const std::vector<ImportColumn>& columns, const std::vector<std::string>& header,
              std::vector<std::string>& problems);

    // The cell of `field` in `row`; empty when the file has no such column.
    const std::string& cell(const std::vector<std::string>& row, Field field) const;
    bool has(Field field) const { return index(field).has_value(); }
    // The column's title as the file writes it, or its first name.
    std::string title(Field field) const;
    const std::vector<std::string>& ignored() const { return ignored_; }
    // Whether the header's column `index` is one of the register's, and its title.
    bool uses(size_t index) const;
    const std::string& title_at(size_t index) const { return header_.at(index); }

  private:
    std::optional<size_t> index(Field field) const;
    std::vector<ImportColumn> columns_;
    std::vector<std::string> header_;
    std::vector<std::optional<size_t>> indexes_;  // per column of columns_
    std::vector<std::string> ignored_;
};

}  // namespace qdx
