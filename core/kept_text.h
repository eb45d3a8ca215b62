#pragma once
// What the record files can keep of texts typed in a window: they hold
// Windows-1252, so a character outside it is kept as its nearest Latin
// letters (ś → s) or, with none known, as "?". Before a save the window
// names those characters, field by field, and asks whether to take the
// nearest letters or go back to the box.
#include <string>
#include <utility>
#include <vector>

#include "core/fields.h"
#include "core/latin_letters.h"

namespace qdx {

// Whether a field's box holds text that is stored as it is typed (names,
// addresses, details, messages, the unit of payment), rather than a number
// or a date.
bool is_typed_text(Field field);

struct UnkeptField {
    Field field;
    FittedText fitted;  // the text as it would be kept
};

// The text fields among `typed` (field, UTF-8 text as typed) that hold
// characters Windows-1252 lacks, in the order given.
std::vector<UnkeptField> fields_files_cannot_keep(
    const std::vector<std::pair<Field, std::string>>& typed);

// The question asked before the save (UTF-8): each field by its caption in
// `table` with its characters and their nearest letters, the characters
// that have none, and what Yes and No do.
std::string nearest_letters_question(const std::vector<UnkeptField>& fields, FieldTable table);

}  // namespace qdx
