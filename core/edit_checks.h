#pragma once
// What a failed input check tells the window: which of the six shared
// messages to show and which field is at fault; the window focuses its box.
#include <optional>
#include <string>

#include "core/app_state.h"
#include "core/fields.h"

namespace qdx {

enum class Msg { EnterData, IncorrectValue, NoRecord, NoAffiliate, CreateRecord, SelectValue };

struct CheckFailure {
    Msg message;
    Field field;
    bool operator==(const CheckFailure&) const = default;
};
using CheckResult = std::optional<CheckFailure>;

// The current wording of a shared message.
const std::string& message_text(const Messages& messages, Msg which);

// Shown when typed text had to be cut to its field's width; the save goes on.
inline constexpr const char* kTruncationWarning =
    "Warning !!! Some text will be truncated to the required format. ";

}  // namespace qdx
