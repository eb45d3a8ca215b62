#pragma once
// The record layouts of the data and working files. Each record is encoded
// and decoded field by field at its fixed offsets, little-endian and packed.
// Text fields hold Windows-1252 bytes at their full width, blanks included.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qdx {

struct AffiliateRecord {
    static constexpr size_t kSize = 225;
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
constexpr size_t kName = 20, kSurname = 20, kStreet = 20, kCity = 20, kPostCod = 10, kCountry = 20,
                 kPhone = 15, kEmail = 30, kUrl = 30, kAdditionalInfo = 20, kSettingsType = 10,
                 kUnit = 10, kSubject = 30;
}

struct SettingsRecord {
    static constexpr size_t kSize = 58;
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
    static constexpr size_t kSize = 16;
    int32_t affiliateId = 0;
    float sum = 0;
    double date = 0;

    void encode(uint8_t* out) const;
    static MoneyRecord decode(const uint8_t* in);
};

struct CommunicationRecord {
    static constexpr size_t kSize = 50;
    int32_t affiliateId = 0;
    std::string subject;
    double date = 0;
    double dateOfResponce = 0;

    void encode(uint8_t* out) const;
    static CommunicationRecord decode(const uint8_t* in);
};

struct ActivityRecord {
    static constexpr size_t kSize = 8;
    float volume = 0;
    int32_t newReferrals = 0;

    void encode(uint8_t* out) const;
    static ActivityRecord decode(const uint8_t* in);
};

struct AccountRecord {
    static constexpr size_t kSize = 8;
    float income = 0;
    float payments = 0;

    void encode(uint8_t* out) const;
    static AccountRecord decode(const uint8_t* in);
};

// Little-endian field access shared by the codecs and the bulk readers;
// the readers are inline, as the passes over millions of records call them.
namespace le {
inline int16_t get_i16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
inline int32_t get_i32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                (uint32_t(p[3]) << 24));
}
inline float get_f32(const uint8_t* p) {
    return std::bit_cast<float>(static_cast<uint32_t>(get_i32(p)));
}
inline double get_f64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return std::bit_cast<double>(v);
}
void put_i16(uint8_t* p, int16_t v);
void put_i32(uint8_t* p, int32_t v);
void put_f32(uint8_t* p, float v);
void put_f64(uint8_t* p, double v);
}  // namespace le

}  // namespace qdx
