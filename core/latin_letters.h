#pragma once
// Names typed or imported in other scripts are kept as their nearest Latin
// letters (ś → s, Ł → L, Ж → Zh) where a file cannot hold them: the record
// files hold Windows-1252, a bank's transfer file only plain Latin letters.
#include <optional>
#include <string>
#include <string_view>

namespace qdx {

// The nearest plain Latin letters of one character ("s" for ś, "ss" for ß,
// "Shch" for Щ, "" for a combining accent), or nothing when none is known.
std::optional<std::string> nearest_latin(char32_t c);

struct FittedText {
    std::string text;         // UTF-8, only characters the target holds
    std::u32string replaced;  // characters given as their nearest letters, each once, in order
    std::u32string unknown;   // characters with no nearest letters (written as '?'), each once
    bool changed() const { return !replaced.empty() || !unknown.empty(); }
};

// Characters Windows-1252 holds stay as they are; every other one becomes its
// nearest Latin letters.
FittedText fit_to_cp1252(std::string_view utf8);

// Only printable ASCII stays; every other character becomes its nearest
// Latin letters (é → e, “ → ", € → EUR).
FittedText fit_to_ascii(std::string_view utf8);

}  // namespace qdx
