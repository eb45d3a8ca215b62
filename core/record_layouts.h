#pragma once
// Where every field of every stored record lies: its offset, width and type,
// one table per record kind. The codecs, the bulk readers and the report
// table all read a field through its entry here. The entries are constants,
// so get<entry>(record) compiles to one load at a fixed offset: the passes
// over millions of records read single fields this way.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

#include "core/fields.h"

namespace qdx {

// Little-endian field access; the readers are inline for the bulk passes.
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
    // Spelled out, so that the compiler sees one 8-byte load (a loop over
    // the bytes stays a loop, and every date of every scan goes through it).
    const uint64_t v = uint64_t(p[0]) | (uint64_t(p[1]) << 8) | (uint64_t(p[2]) << 16) |
                       (uint64_t(p[3]) << 24) | (uint64_t(p[4]) << 32) | (uint64_t(p[5]) << 40) |
                       (uint64_t(p[6]) << 48) | (uint64_t(p[7]) << 56);
    return std::bit_cast<double>(v);
}
void put_i16(uint8_t* p, int16_t v);
void put_i32(uint8_t* p, int32_t v);
void put_f32(uint8_t* p, float v);
void put_f64(uint8_t* p, double v);
}  // namespace le

namespace layout {

// Text fields hold Windows-1252 bytes at their full width, blanks included.
enum class Type : uint8_t { Text, Int16, Int32, Float32, Float64 };

// One field of a stored record.
struct Span {
    size_t offset = 0;
    size_t width = 0;
    Type type = Type::Text;
};

constexpr Span text(size_t offset, size_t width) { return {offset, width, Type::Text}; }
constexpr Span int16(size_t offset) { return {offset, 2, Type::Int16}; }
constexpr Span int32(size_t offset) { return {offset, 4, Type::Int32}; }
constexpr Span float32(size_t offset) { return {offset, 4, Type::Float32}; }
constexpr Span float64(size_t offset) { return {offset, 8, Type::Float64}; }

// A register field and where it lies in its record.
struct Entry {
    Field field;
    Span span;
};

// The span of `field` in a record's list; a field the list lacks is a logic
// error (and, where asked at compile time, does not compile).
constexpr Span span_of(std::span<const Entry> entries, Field field) {
    for (const Entry& e : entries)
        if (e.field == field) return e.span;
    throw std::logic_error("a field its record does not hold");
}

// Field `S` of a stored record, as its type reads: a view of the bytes of a
// text, the number of a number.
template <Span S>
auto get(const uint8_t* record) {
    if constexpr (S.type == Type::Text)
        return std::string_view(reinterpret_cast<const char*>(record) + S.offset, S.width);
    else if constexpr (S.type == Type::Int16)
        return le::get_i16(record + S.offset);
    else if constexpr (S.type == Type::Int32)
        return le::get_i32(record + S.offset);
    else if constexpr (S.type == Type::Float32)
        return le::get_f32(record + S.offset);
    else
        return le::get_f64(record + S.offset);
}

// Stores number field `S`; texts are stored through fit_field by the codecs.
template <Span S, class V>
void put(uint8_t* record, V value) {
    static_assert(S.type != Type::Text, "texts are fitted to their width first");
    if constexpr (S.type == Type::Int16)
        le::put_i16(record + S.offset, static_cast<int16_t>(value));
    else if constexpr (S.type == Type::Int32)
        le::put_i32(record + S.offset, static_cast<int32_t>(value));
    else if constexpr (S.type == Type::Float32)
        le::put_f32(record + S.offset, static_cast<float>(value));
    else
        le::put_f64(record + S.offset, static_cast<double>(value));
}

// The bytes of a text field whose span is known only at run time.
inline std::string_view text_at(const uint8_t* record, Span span) {
    return {reinterpret_cast<const char*>(record) + span.offset, span.width};
}

// Whether a span is as wide as its type (a text as wide as it is, not empty).
constexpr bool fits_type(Span s) {
    switch (s.type) {
        case Type::Int16:
            return s.width == 2;
        case Type::Int32:
        case Type::Float32:
            return s.width == 4;
        case Type::Float64:
            return s.width == 8;
        case Type::Text:
            break;
    }
    return s.width > 0;
}

// Whether spans laid end to end fill `size` bytes: the records are packed.
constexpr bool packed(std::span<const Span> spans, size_t size) {
    size_t at = 0;
    for (const Span& s : spans) {
        if (s.offset != at || !fits_type(s)) return false;
        at += s.width;
    }
    return at == size;
}
constexpr bool packed(std::span<const Entry> entries, size_t size) {
    size_t at = 0;
    for (const Entry& e : entries) {
        if (e.span.offset != at || !fits_type(e.span)) return false;
        at += e.span.width;
    }
    return at == size;
}

// data/affiliates.qdx: record k is affiliate k.
namespace affiliate {
inline constexpr size_t kSize = 225;
inline constexpr Span kName = text(0, 20);
inline constexpr Span kSurname = text(20, 20);
inline constexpr Span kStreet = text(40, 20);
inline constexpr Span kCity = text(60, 20);
inline constexpr Span kPostCod = text(80, 10);
inline constexpr Span kCountry = text(90, 20);
inline constexpr Span kPhone = text(110, 15);
inline constexpr Span kEmail = text(125, 30);
inline constexpr Span kUrl = text(155, 30);
inline constexpr Span kId = int32(185);
inline constexpr Span kReferrerId = int32(189);
inline constexpr Span kAdditionalInfo = text(193, 20);
inline constexpr Span kLevel = int32(213);
inline constexpr Span kDate = float64(217);
// The affiliate's fields in record order: the one list the registers, the
// imports, the exports and the report table's detail columns name.
inline constexpr Entry kFields[] = {
    {Field::Name, kName},
    {Field::Surname, kSurname},
    {Field::Street, kStreet},
    {Field::City, kCity},
    {Field::PostCod, kPostCod},
    {Field::Country, kCountry},
    {Field::Phone, kPhone},
    {Field::Email, kEmail},
    {Field::Url, kUrl},
    {Field::AffiliateId, kId},
    {Field::ReferrerId, kReferrerId},
    {Field::AdditionalInfo, kAdditionalInfo},
    {Field::Level, kLevel},
    {Field::Date, kDate},
};
static_assert(packed(kFields, kSize));
constexpr Span span(Field field) { return span_of(kFields, field); }
}  // namespace affiliate

// data/settings.qdx: one record.
namespace settings {
inline constexpr size_t kSize = 58;
inline constexpr Span kType = text(0, 10);  // "Percents" or "Fixed"
inline constexpr Span kMinPayment = float32(10);
inline constexpr Span kPeriodicity = int16(14);
inline constexpr Span kUnit = text(16, 10);
// The reward of level 1 to 8.
constexpr Span level(int k) { return float32(26 + 4 * static_cast<size_t>(k - 1)); }
inline constexpr Entry kFields[] = {
    {Field::PaymentType, kType},        {Field::MinPayment, kMinPayment},
    {Field::Periodicity, kPeriodicity}, {Field::Unit, kUnit},
    {Field::Level1, level(1)},          {Field::Level2, level(2)},
    {Field::Level3, level(3)},          {Field::Level4, level(4)},
    {Field::Level5, level(5)},          {Field::Level6, level(6)},
    {Field::Level7, level(7)},          {Field::Level8, level(8)},
};
static_assert(packed(kFields, kSize));
}  // namespace settings

// data/sales.qdx and data/payments.qdx.
namespace money {
inline constexpr size_t kSize = 16;
inline constexpr Span kAffiliateId = int32(0);
inline constexpr Span kSum = float32(4);
inline constexpr Span kDate = float64(8);
inline constexpr Entry kFields[] = {
    {Field::AffiliateId, kAffiliateId}, {Field::Sum, kSum}, {Field::Date, kDate}};
static_assert(packed(kFields, kSize));
}  // namespace money

// data/communications.qdx.
namespace communication {
inline constexpr size_t kSize = 50;
inline constexpr Span kAffiliateId = int32(0);
inline constexpr Span kSubject = text(4, 30);
inline constexpr Span kDate = float64(34);
inline constexpr Span kDateOfResponse = float64(42);
inline constexpr Entry kFields[] = {{Field::AffiliateId, kAffiliateId},
                                    {Field::Subject, kSubject},
                                    {Field::Date, kDate},
                                    {Field::DateOfResponse, kDateOfResponse}};
static_assert(packed(kFields, kSize));
}  // namespace communication

// data/refunds.qdx and data/voids.qdx: the corrected sale's or payment's
// record number, the sum, the date.
namespace correction {
inline constexpr size_t kSize = 16;
inline constexpr Span kTarget = int32(0);
inline constexpr Span kSum = float32(4);
inline constexpr Span kDate = float64(8);
inline constexpr Span kSpans[] = {kTarget, kSum, kDate};
static_assert(packed(kSpans, kSize));
}  // namespace correction

// The working file activity.qdx: record k is affiliate k's.
namespace activity {
inline constexpr size_t kSize = 8;
inline constexpr Span kVolume = float32(0);
inline constexpr Span kNewReferrals = int32(4);
inline constexpr Span kSpans[] = {kVolume, kNewReferrals};
static_assert(packed(kSpans, kSize));
}  // namespace activity

// The working file accounts.qdx: record k is affiliate k's.
namespace account {
inline constexpr size_t kSize = 8;
inline constexpr Span kIncome = float32(0);
inline constexpr Span kPayments = float32(4);
inline constexpr Span kSpans[] = {kIncome, kPayments};
static_assert(packed(kSpans, kSize));
}  // namespace account

}  // namespace layout
}  // namespace qdx
