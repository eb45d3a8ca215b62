// Record decoders: any bytes decode, and encoding what was decoded gives the
// same bytes back (the editors rewrite records they did not change).
// Input: one byte choosing the record type, then the record's bytes (short
// input is padded with zeros, as a read past the end of a file is).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/records.h"

namespace {

template <class R>
void round_trip(const uint8_t* data, size_t size) {
    std::vector<uint8_t> in(R::kSize, 0), out(R::kSize, 0xEE);
    std::memcpy(in.data(), data, size < R::kSize ? size : R::kSize);
    R::decode(in.data()).encode(out.data());
    if (in != out) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t* record = data + 1;
    const size_t length = size - 1;
    switch (data[0] % 6) {
        case 0:
            round_trip<qdx::AffiliateRecord>(record, length);
            break;
        case 1:
            round_trip<qdx::SettingsRecord>(record, length);
            break;
        case 2:
            round_trip<qdx::MoneyRecord>(record, length);
            break;
        case 3:
            round_trip<qdx::CommunicationRecord>(record, length);
            break;
        case 4:
            round_trip<qdx::ActivityRecord>(record, length);
            break;
        case 5:
            round_trip<qdx::AccountRecord>(record, length);
            break;
    }
    return 0;
}
