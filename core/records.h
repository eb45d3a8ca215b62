#pragma once
// The records of the data and working files, decoded. Each is encoded and
// decoded field by field at the offsets its layout gives, little-endian and
// packed (core/record_layouts.h).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/record_layouts.h"

namespace qdx {

struct AffiliateRecord {
    static constexpr size_t kSize = layout::affiliate::kSize;
    std::string name, surname, street, city, postCod, country, phone, email, url;
    int32_t id = 0;
    int32_t referrerId = 0;
    std::string additionalInfo;
    int32_t level = 0;
    double date = 0;

    void encode(uint8_t* out) const;
    static AffiliateRecord decode(const uint8_t* in);
};

// Widths of the affiliate's text fields.
namespace width {
constexpr size_t kName = layout::affiliate::kName.width,
                 kSurname = layout::affiliate::kSurname.width,
                 kStreet = layout::affiliate::kStreet.width, kCity = layout::affiliate::kCity.width,
                 kPostCod = layout::affiliate::kPostCod.width,
                 kCountry = layout::affiliate::kCountry.width,
                 kPhone = layout::affiliate::kPhone.width, kEmail = layout::affiliate::kEmail.width,
                 kUrl = layout::affiliate::kUrl.width,
                 kAdditionalInfo = layout::affiliate::kAdditionalInfo.width,
                 kSettingsType = layout::settings::kType.width,
                 kUnit = layout::settings::kUnit.width,
                 kSubject = layout::communication::kSubject.width;
}  // namespace width

struct SettingsRecord {
    static constexpr size_t kSize = layout::settings::kSize;
    std::string type;  // "Percents" or "Fixed"
    float minPayment = 0;
    int16_t periodicity = 0;
    std::string unit;
    std::array<float, 8> levels{};  // L1..L8

    void encode(uint8_t* out) const;
    static SettingsRecord decode(const uint8_t* in);
};

// A sale or a payment.
struct MoneyRecord {
    static constexpr size_t kSize = layout::money::kSize;
    int32_t affiliateId = 0;
    float sum = 0;
    double date = 0;

    void encode(uint8_t* out) const;
    static MoneyRecord decode(const uint8_t* in);
};

struct CommunicationRecord {
    static constexpr size_t kSize = layout::communication::kSize;
    int32_t affiliateId = 0;
    std::string subject;
    double date = 0;
    double responseDate = 0;

    void encode(uint8_t* out) const;
    static CommunicationRecord decode(const uint8_t* in);
};

struct ActivityRecord {
    static constexpr size_t kSize = layout::activity::kSize;
    float volume = 0;
    int32_t newReferrals = 0;

    void encode(uint8_t* out) const;
    static ActivityRecord decode(const uint8_t* in);
};

struct AccountRecord {
    static constexpr size_t kSize = layout::account::kSize;
    float income = 0;
    float payments = 0;

    void encode(uint8_t* out) const;
    static AccountRecord decode(const uint8_t* in);
};

}  // namespace qdx
