// The payee record reader and the bank-detail checks over any bytes: nothing
// crashes, a record read without damage writes back as the same bytes'
// details, and whatever passes a check passes it again as it stands.
// Input: one byte choosing the reader (0: a payee record, 1: an IBAN,
// 2: a BIC, 3: a holder's name, 4: the debtor's settings text), then the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/bank_details.h"
#include "core/payee_file.h"
#include "reports/bank_payouts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 5) {
        case 0: {
            uint8_t record[qdx::payee::kRecordSize] = {};
            std::memcpy(record, bytes.data(), std::min(bytes.size(), sizeof record));
            qdx::PayeeDetails details;
            if (!qdx::decode_payee(record, details).empty()) return 0;
            uint8_t again[qdx::payee::kRecordSize];
            qdx::encode_payee(details, again);
            qdx::PayeeDetails reread;
            if (!qdx::decode_payee(again, reread).empty() || !(reread == details)) std::abort();
            qdx::check_payee(details);
            break;
        }
        case 1: {
            const qdx::BankCheck iban = qdx::check_iban(bytes);
            if (iban.ok() && (!qdx::check_iban(iban.value).ok() || iban.value.size() > 34))
                std::abort();
            break;
        }
        case 2: {
            const qdx::BankCheck bic = qdx::check_bic(bytes);
            if (bic.ok() && !qdx::check_bic(bic.value).ok()) std::abort();
            break;
        }
        case 4: {
            qdx::PayoutLayout layout;
            const qdx::SepaDebtor d = qdx::parse_debtor_text(std::string(bytes), &layout);
            for (const std::string* text : {&d.name, &d.iban, &d.bic})
                if (text->find('\n') != std::string::npos) std::abort();
            if (layout != qdx::PayoutLayout::Sepa09 && layout != qdx::PayoutLayout::Sepa03)
                std::abort();
            qdx::check_debtor(d);
            break;
        }
        default: {
            const qdx::BankCheck name = qdx::check_sepa_name(bytes);
            if (name.value.size() > 70 || !qdx::is_sepa_text(name.value)) std::abort();
            if (name.ok() && qdx::check_sepa_name(name.value).value != name.value) std::abort();
        }
    }
    return 0;
}
