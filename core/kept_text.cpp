#include "core/kept_text.h"

#include <cstdio>

#include "core/cp1252.h"
#include "core/text_field.h"

namespace qdx {

bool is_typed_text(Field field) {
    switch (field) {
        case Field::Name:
        case Field::Surname:
        case Field::Street:
        case Field::City:
        case Field::PostCod:
        case Field::Country:
        case Field::Phone:
        case Field::Email:
        case Field::Url:
        case Field::AdditionalInfo:
        case Field::Details:
        case Field::Subject:
        case Field::Message:
        case Field::Response:
        case Field::Comments:
        case Field::Unit:
            return true;
        default:
            return false;
    }
}

std::vector<UnkeptField> fields_files_cannot_keep(
    const std::vector<std::pair<Field, std::string>>& typed) {
    std::vector<UnkeptField> unkept;
    for (const auto& [field, text] : typed) {
        if (!is_typed_text(field)) continue;
        FittedText fitted = fit_to_cp1252(text);
        if (fitted.changed()) unkept.push_back({field, std::move(fitted)});
    }
    return unkept;
}

namespace {

std::string utf8_of(char32_t c) {
    std::string s;
    append_utf8(s, c);
    return s;
}

// A character as the question names it: combining marks and blanks, which
// show nothing on their own, by their code.
std::string named(char32_t c) {
    const bool invisible = (c >= 0x300 && c < 0x370) || c == 0x200B || c == 0x200C || c == 0x200D ||
                           c == 0x2028 || c == 0x2029 || c < 0x20;
    if (!invisible) return "\"" + utf8_of(c) + "\"";
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    return code;
}

}  // namespace

std::string nearest_letters_question(const std::vector<UnkeptField>& fields, FieldTable table) {
    std::string q =
        "Some characters cannot be kept: the files hold only the letters of "
        "Windows-1252.\n";
    for (const UnkeptField& f : fields) {
        const FieldEntry& entry = field_entry(table, f.field);
        q += "\n";
        q += std::string(trim(entry.caption ? entry.caption : "")) + ": ";
        bool first = true;
        for (char32_t c : f.fitted.replaced) {
            if (!first) q += ", ";
            first = false;
            const std::string nearest = nearest_latin(c).value_or("");
            q += named(c) + (nearest.empty() ? " is left out" : " becomes \"" + nearest + "\"");
        }
        for (char32_t c : f.fitted.unknown) {
            if (!first) q += ", ";
            first = false;
            q += named(c) + " has no nearest Latin letters and becomes \"?\"";
        }
        // A short one-line text is shown as it would be kept.
        const std::u32string shown = utf8_code_points(f.fitted.text);
        if (shown.size() <= 40 && f.fitted.text.find('\n') == std::string::npos)
            q += " (kept as \"" + f.fitted.text + "\")";
    }
    q += "\n\nYes: save with the nearest Latin letters.\nNo: go back to the box; nothing is "
         "saved.";
    return q;
}

}  // namespace qdx
