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

namespace A = layout::affiliate;
namespace S = layout::settings;
namespace M = layout::money;
namespace C = layout::communication;
using layout::get;
using layout::put;

void put_text(uint8_t* out, layout::Span span, const std::string& text) {
    std::string field = fit_field(text, span.width);
    std::memcpy(out + span.offset, field.data(), span.width);
}

template <layout::Span F>
std::string text(const uint8_t* in) {
    return std::string(get<F>(in));
}

}  // namespace

void AffiliateRecord::encode(uint8_t* out) const {
    put_text(out, A::kName, name);
    put_text(out, A::kSurname, surname);
    put_text(out, A::kStreet, street);
    put_text(out, A::kCity, city);
    put_text(out, A::kPostCod, postCod);
    put_text(out, A::kCountry, country);
    put_text(out, A::kPhone, phone);
    put_text(out, A::kEmail, email);
    put_text(out, A::kUrl, url);
    put<A::kId>(out, id);
    put<A::kReferrerId>(out, referrerId);
    put_text(out, A::kAdditionalInfo, additionalInfo);
    put<A::kLevel>(out, level);
    put<A::kDate>(out, date);
}

AffiliateRecord AffiliateRecord::decode(const uint8_t* in) {
    AffiliateRecord r;
    r.name = text<A::kName>(in);
    r.surname = text<A::kSurname>(in);
    r.street = text<A::kStreet>(in);
    r.city = text<A::kCity>(in);
    r.postCod = text<A::kPostCod>(in);
    r.country = text<A::kCountry>(in);
    r.phone = text<A::kPhone>(in);
    r.email = text<A::kEmail>(in);
    r.url = text<A::kUrl>(in);
    r.id = get<A::kId>(in);
    r.referrerId = get<A::kReferrerId>(in);
    r.additionalInfo = text<A::kAdditionalInfo>(in);
    r.level = get<A::kLevel>(in);
    r.date = get<A::kDate>(in);
    return r;
}

void SettingsRecord::encode(uint8_t* out) const {
    put_text(out, S::kType, type);
    put<S::kMinPayment>(out, minPayment);
    put<S::kPeriodicity>(out, periodicity);
    put_text(out, S::kUnit, unit);
    for (int k = 1; k <= 8; ++k)
        le::put_f32(out + S::level(k).offset, levels[static_cast<size_t>(k - 1)]);
}

SettingsRecord SettingsRecord::decode(const uint8_t* in) {
    SettingsRecord r;
    r.type = text<S::kType>(in);
    r.minPayment = get<S::kMinPayment>(in);
    r.periodicity = get<S::kPeriodicity>(in);
    r.unit = text<S::kUnit>(in);
    for (int k = 1; k <= 8; ++k)
        r.levels[static_cast<size_t>(k - 1)] = le::get_f32(in + S::level(k).offset);
    return r;
}

void MoneyRecord::encode(uint8_t* out) const {
    put<M::kAffiliateId>(out, affiliateId);
    put<M::kSum>(out, sum);
    put<M::kDate>(out, date);
}

MoneyRecord MoneyRecord::decode(const uint8_t* in) {
    return {get<M::kAffiliateId>(in), get<M::kSum>(in), get<M::kDate>(in)};
}

void CommunicationRecord::encode(uint8_t* out) const {
    put<C::kAffiliateId>(out, affiliateId);
    put_text(out, C::kSubject, subject);
    put<C::kDate>(out, date);
    put<C::kDateOfResponse>(out, responseDate);
}

CommunicationRecord CommunicationRecord::decode(const uint8_t* in) {
    CommunicationRecord r;
    r.affiliateId = get<C::kAffiliateId>(in);
    r.subject = text<C::kSubject>(in);
    r.date = get<C::kDate>(in);
    r.responseDate = get<C::kDateOfResponse>(in);
    return r;
}

void ActivityRecord::encode(uint8_t* out) const {
    put<layout::activity::kVolume>(out, volume);
    put<layout::activity::kNewReferrals>(out, newReferrals);
}

ActivityRecord ActivityRecord::decode(const uint8_t* in) {
    return {get<layout::activity::kVolume>(in), get<layout::activity::kNewReferrals>(in)};
}

void AccountRecord::encode(uint8_t* out) const {
    put<layout::account::kIncome>(out, income);
    put<layout::account::kPayments>(out, payments);
}

AccountRecord AccountRecord::decode(const uint8_t* in) {
    return {get<layout::account::kIncome>(in), get<layout::account::kPayments>(in)};
}

}  // namespace qdx
