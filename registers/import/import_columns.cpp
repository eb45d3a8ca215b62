#include "registers/import/import_columns.h"

#include <algorithm>

#include "core/text_field.h"

namespace qdx {

std::vector<ImportColumn> money_columns() {
    // The export's and the window's titles are understood too, so that a
    // register's own export comes back in.
    return {
        {Field::AffiliateId, {"affiliate_id", "Affiliate ID", "Affiliate's ID"}, true},
        {Field::Date, {"date"}, true},
        {Field::Sum, {"sum", "Sum of Payment"}, true},
        {Field::Details, {"details"}, false},
    };
}

std::vector<ImportColumn> refund_columns() {
    return {
        {Field::Sale, {"sale", "Sale", "N of Sale"}, false},
        {Field::Order, {"order"}, false},
        {Field::Date, {"date"}, true},
        {Field::Sum, {"sum"}, true},
        {Field::Details, {"details"}, false},
    };
}

std::vector<ImportColumn> affiliate_columns() {
    return {
        {Field::Name, {"Name"}, true},
        {Field::Surname, {"Surname"}},
        {Field::Street, {"Street"}},
        {Field::City, {"City"}},
        {Field::PostCod, {"Post Cod", "Post_Cod", "Post Code"}},
        {Field::Country, {"Country"}},
        {Field::Phone, {"Phone"}},
        {Field::Email, {"E_mail", "E-mail", "Email"}},
        {Field::Url, {"URL"}},
        {Field::AffiliateId, {"Affiliate ID", "Affiliate's ID"}},
        {Field::ReferrerId, {"Referrer's ID", "Refference ID", "Referrer ID"}, true},
        {Field::AdditionalInfo, {"Additional Info"}},
        // The Level is computed from the referrer; a column of it is compared.
        {Field::Level, {"Level"}},
        {Field::Date, {"Date"}, true},
        // How the affiliate is paid, kept beside its record.
        {Field::PayMethod, {"Payment method"}},
        {Field::PayHolder, {"Account holder"}},
        {Field::PayIban, {"IBAN"}},
        {Field::PayBic, {"BIC"}},
        {Field::PayEmail, {"Payment e-mail", "PayPal/Wise e-mail"}},
    };
}

std::string column_key(std::string_view title) {
    std::string key;
    for (char c : title)
        if (c != ' ' && c != '\t' && c != '\xA0') key += c;
    return to_lower(key);
}

ColumnMap::ColumnMap(const std::vector<ImportColumn>& columns,
                     const std::vector<std::string>& header, std::vector<std::string>& problems)
    : columns_(columns), header_(header), indexes_(columns.size()) {
    for (size_t i = 0; i < header.size(); ++i) {
        const std::string key = column_key(header[i]);
        bool claimed = false;
        for (size_t c = 0; c < columns_.size() && !claimed; ++c) {
            for (const std::string& name : columns_[c].names) {
                if (column_key(name) != key) continue;
                claimed = true;
                if (indexes_[c])
                    problems.push_back("the column \"" + columns_[c].names[0] +
                                       "\" is given twice");
                else
                    indexes_[c] = i;
                break;
            }
        }
        if (!claimed) ignored_.push_back(header[i]);
    }
    for (size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c].required && !indexes_[c])
            problems.push_back("the header has no column \"" + columns_[c].names[0] + "\"");
}

std::optional<size_t> ColumnMap::index(Field field) const {
    for (size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c].field == field) return indexes_[c];
    return std::nullopt;
}

const std::string& ColumnMap::cell(const std::vector<std::string>& row, Field field) const {
    static const std::string none;
    auto i = index(field);
    return i && *i < row.size() ? row[*i] : none;
}

bool ColumnMap::uses(size_t index) const {
    return std::find(indexes_.begin(), indexes_.end(), std::optional<size_t>(index)) !=
           indexes_.end();
}

std::string ColumnMap::title(Field field) const {
    if (auto i = index(field)) return header_[*i];
    for (const ImportColumn& column : columns_)
        if (column.field == field) return column.names[0];
    return {};
}

}  // namespace qdx
