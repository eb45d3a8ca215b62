#pragma once
// Readable failed checks in test output.
#include <ostream>

#include "core/edit_checks.h"

namespace qdx {

inline void PrintTo(const CheckFailure& failure, std::ostream* os) {
    static const char* const names[] = {"EnterData",   "IncorrectValue", "NoRecord",
                                        "NoAffiliate", "CreateRecord",   "SelectValue"};
    *os << names[static_cast<int>(failure.message)] << " -> field "
        << static_cast<int>(failure.field);
}

}  // namespace qdx
