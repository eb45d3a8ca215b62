#include "core/fields.h"

#include <stdexcept>

namespace qdx {

const FieldEntry& field_entry(FieldTable table, Field field) {
    for (const FieldEntry& entry : table) {
        if (entry.field == field) return entry;
    }
    throw std::logic_error("a field missing from its table");
}

std::string export_header(FieldTable table) {
    return export_line(table, [](const FieldEntry& entry) { return entry.exportTitle; });
}

std::vector<std::string> grid_titles(FieldTable table) {
    std::vector<std::string> titles;
    for (const FieldEntry& entry : table) {
        if (entry.gridColumn < 0) continue;
        if (titles.size() <= static_cast<size_t>(entry.gridColumn))
            titles.resize(entry.gridColumn + 1);
        titles[entry.gridColumn] = entry.gridTitle;
    }
    return titles;
}

GridColumns::GridColumns(FieldTable table) : count_(grid_titles(table).size()) {
    for (const FieldEntry& entry : table) {
        if (entry.gridColumn > 0) shown_.push_back(&entry);
    }
}

}  // namespace qdx
