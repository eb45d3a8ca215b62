#include "core/fields.h"

#include <stdexcept>

namespace qdx {

const FieldSpec& field_spec(FieldTable table, Field field) {
    for (const FieldSpec& spec : table) {
        if (spec.field == field) return spec;
    }
    throw std::logic_error("a field missing from its table");
}

std::string export_header(FieldTable table) {
    return export_line(table, [](const FieldSpec& spec) { return spec.exportTitle; });
}

std::vector<std::string> grid_titles(FieldTable table) {
    std::vector<std::string> titles;
    for (const FieldSpec& spec : table) {
        if (spec.gridColumn < 0) continue;
        if (titles.size() <= static_cast<size_t>(spec.gridColumn))
            titles.resize(spec.gridColumn + 1);
        titles[spec.gridColumn] = spec.gridTitle;
    }
    return titles;
}

GridColumns::GridColumns(FieldTable table) : count_(grid_titles(table).size()) {
    for (const FieldSpec& spec : table) {
        if (spec.gridColumn > 0) shown_.push_back(&spec);
    }
}

}  // namespace qdx
