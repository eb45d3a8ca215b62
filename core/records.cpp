#include "core/records.h"

#include <bit>
#include <cstring>

#include "core/text_field.h"

namespace qdx {
namespace le {

void put_i16(uint8_t* p, int16_t v) {
    auto u = static_cast<uint16_t>(v);
    p[0] = u & 0xFF;
    p[1] = u >> 8;
}
void put_i32(uint8_t* p, int32_t v) {
    auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = (u >> (8 * i)) & 0xFF;
}
void put_f32(uint8_t* p, float v) { put_i32(p, static_cast<int32_t>(std::bit_cast<uint32_t>(v))); }
void put_f64(uint8_t* p, double v) {
    auto u = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) p[i] = (u >> (8 * i)) & 0xFF;
}

}  // namespace le

namespace {

void put_text(uint8_t* p, const std::string& text, size_t width) {
    std::string field = fit_field(text, width);
    std::memcpy(p, field.data(), width);
}

std::string get_text(const uint8_t* p, size_t width) {
    return std::string(reinterpret_cast<const char*>(p), width);
}

}  // namespace

void AffiliateRecord::encode(uint8_t* out) const {
    put_text(out + 0, name, width::kName);
    put_text(out + 20, surname, width::kSurname);
    put_text(out + 40, street, width::kStreet);
    put_text(out + 60, city, width::kCity);
    put_text(out + 80, postCod, width::kPostCod);
    put_text(out + 90, country, width::kCountry);
    put_text(out + 110, phone, width::kPhone);
    put_text(out + 125, email, width::kEmail);
    put_text(out + 155, url, width::kUrl);
    le::put_i32(out + 185, id);
    le::put_i32(out + 189, referrerId);
    put_text(out + 193, additionalInfo, width::kAdditionalInfo);
    le::put_i32(out + 213, level);
    le::put_f64(out + 217, date);
}

AffiliateRecord AffiliateRecord::decode(const uint8_t* in) {
    AffiliateRecord r;
    r.name = get_text(in + 0, width::kName);
    r.surname = get_text(in + 20, width::kSurname);
    r.street = get_text(in + 40, width::kStreet);
    r.city = get_text(in + 60, width::kCity);
    r.postCod = get_text(in + 80, width::kPostCod);
    r.country = get_text(in + 90, width::kCountry);
    r.phone = get_text(in + 110, width::kPhone);
    r.email = get_text(in + 125, width::kEmail);
    r.url = get_text(in + 155, width::kUrl);
    r.id = le::get_i32(in + 185);
    r.referrerId = le::get_i32(in + 189);
    r.additionalInfo = get_text(in + 193, width::kAdditionalInfo);
    r.level = le::get_i32(in + 213);
    r.date = le::get_f64(in + 217);
    return r;
}

void SettingsRecord::encode(uint8_t* out) const {
    put_text(out + 0, type, width::kSettingsType);
    le::put_f32(out + 10, minPayment);
    le::put_i16(out + 14, periodicity);
    put_text(out + 16, unit, width::kUnit);
    for (size_t k = 0; k < 8; ++k) le::put_f32(out + 26 + 4 * k, levels[k]);
}

SettingsRecord SettingsRecord::decode(const uint8_t* in) {
    SettingsRecord r;
    r.type = get_text(in + 0, width::kSettingsType);
    r.minPayment = le::get_f32(in + 10);
    r.periodicity = le::get_i16(in + 14);
    r.unit = get_text(in + 16, width::kUnit);
    for (size_t k = 0; k < 8; ++k) r.levels[k] = le::get_f32(in + 26 + 4 * k);
    return r;
}

void MoneyRecord::encode(uint8_t* out) const {
    le::put_i32(out + 0, affiliateId);
    le::put_f32(out + 4, sum);
    le::put_f64(out + 8, date);
}

MoneyRecord MoneyRecord::decode(const uint8_t* in) {
    return {le::get_i32(in + 0), le::get_f32(in + 4), le::get_f64(in + 8)};
}

void CommunicationRecord::encode(uint8_t* out) const {
    le::put_i32(out + 0, affiliateId);
    put_text(out + 4, subject, width::kSubject);
    le::put_f64(out + 34, date);
    le::put_f64(out + 42, dateOfResponce);
}

CommunicationRecord CommunicationRecord::decode(const uint8_t* in) {
    CommunicationRecord r;
    r.affiliateId = le::get_i32(in + 0);
    r.subject = get_text(in + 4, width::kSubject);
    r.date = le::get_f64(in + 34);
    r.dateOfResponce = le::get_f64(in + 42);
    return r;
}

void ActivityRecord::encode(uint8_t* out) const {
    le::put_f32(out + 0, volume);
    le::put_i32(out + 4, newReferrals);
}

ActivityRecord ActivityRecord::decode(const uint8_t* in) {
    return {le::get_f32(in + 0), le::get_i32(in + 4)};
}

void AccountRecord::encode(uint8_t* out) const {
    le::put_f32(out + 0, income);
    le::put_f32(out + 4, payments);
}

AccountRecord AccountRecord::decode(const uint8_t* in) {
    return {le::get_f32(in + 0), le::get_f32(in + 4)};
}

}  // namespace qdx
