#include "platform/coding/Decoder.h"

#include <cmath>

namespace platform {

namespace {

// An integral real read as an integer (JSON "1.0"); anything else, or out of int64, is not one.
std::optional<int64_t> integralValue(const PropertyList& v) {
    if (v.isInteger()) return v.asInteger();
    if (!v.isReal()) return std::nullopt;
    const double r = *v.asReal();
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0) || std::trunc(r) != r)
        return std::nullopt;
    return static_cast<int64_t>(r);
}

std::optional<uint8_t> base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c - 'A');
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 26);
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0' + 52);
    if (c == '+') return 62;
    if (c == '/') return 63;
    return std::nullopt;
}

// Data in JSON is base64 text, padded, as the OS's JSON coders write it.
std::optional<PropertyList::Data> decodeBase64(const std::string& text) {
    if (text.size() % 4 != 0) return std::nullopt;
    size_t pad = 0;
    if (!text.empty() && text.back() == '=') pad = text[text.size() - 2] == '=' ? 2 : 1;
    PropertyList::Data out;
    out.reserve(text.size() / 4 * 3);
    uint32_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        uint8_t digit = 0;
        if (i < text.size() - pad) {
            const auto d = base64Digit(text[i]);
            if (!d) return std::nullopt;
            digit = *d;
        }
        n = (n << 6) | digit;
        if (i % 4 == 3) {
            out.push_back(static_cast<uint8_t>(n >> 16));
            out.push_back(static_cast<uint8_t>(n >> 8));
            out.push_back(static_cast<uint8_t>(n));
            n = 0;
        }
    }
    out.resize(out.size() - pad);
    return out;
}

// Whether `v` can be read as a value of type `expected`. Numbers convert as the OS's decoders
// convert them; JSON carries dates as numbers or ISO 8601 text and data as base64 text.
bool convertible(const PropertyList& v, PropertyList::Type expected, Decoder::Source source) {
    using T = PropertyList::Type;
    const bool json = source == Decoder::Source::json;
    switch (expected) {
        case T::Integer:
            return integralValue(v).has_value();
        case T::Real:
            return v.isNumber();
        case T::Date: {
            Date d;
            return v.isDate() || (json && (v.isNumber() ||
                                           (v.isString() && Date::parseIso8601(*v.asString(), d))));
        }
        case T::Data:
            return v.isData() || (json && v.isString() && decodeBase64(*v.asString()));
        default:
            return v.type() == expected;
    }
}

}  // namespace

Decoder::Decoder(const PropertyList& value, Source source)
    : value_(&value), state_(std::make_shared<State>()) {
    state_->source = source;
}

Decoder::Decoder(const PropertyList& value, std::string path, std::shared_ptr<State> state)
    : value_(&value), path_(std::move(path)), state_(std::move(state)) {}

bool Decoder::failed() const {
    return state_->error.has_value();
}

const Error& Decoder::error() const {
    return *state_->error;
}

Status Decoder::status() const {
    if (failed()) return error();
    return Ok{};
}

void Decoder::fail(Error error) {
    if (!failed()) state_->error = std::move(error);
}

void Decoder::failBadValue(std::string_view key, const std::string& why) {
    const std::string path = childPath(key);
    fail(Error::corruptData((path.empty() ? std::string("top level") : path) + ": " + why));
}

bool Decoder::contains(std::string_view key) const {
    const auto* dict = value_->asDictionary();
    return dict && dict->contains(key);
}

std::string Decoder::childPath(std::string_view key) const {
    if (key.empty()) return path_;
    if (path_.empty()) return std::string(key);
    return path_ + "." + std::string(key);
}

std::string Decoder::elementPath(std::string_view key, size_t index) const {
    return childPath(key) + "[" + std::to_string(index) + "]";
}

void Decoder::typeMismatch(std::string_view key, PropertyList::Type expected,
                           const PropertyList& got) {
    const std::string path = childPath(key);
    // A null where a value belongs is missing, as the OS's decoders say, not the wrong type.
    if (got.isNull()) {
        fail(
            Error::valueMissing("No value at " + (path.empty() ? std::string("top level") : path)));
        return;
    }
    fail(Error::corruptData("Expected " + std::string(PropertyList::typeName(expected)) +
                            " but found " + PropertyList::typeName(got.type()) + " at " +
                            (path.empty() ? std::string("top level") : path)));
}

const PropertyList* Decoder::lookup(std::string_view key) {
    if (failed()) return nullptr;
    const auto* dict = value_->asDictionary();
    if (!dict) {
        typeMismatch({}, PropertyList::Type::Dictionary, *value_);
        return nullptr;
    }
    return dict->find(key);
}

const PropertyList* Decoder::require(std::string_view key, PropertyList::Type type) {
    if (failed()) return nullptr;
    const PropertyList* v = lookup(key);
    if (failed()) return nullptr;
    if (!v || v->isNull()) {
        fail(Error::valueMissing("No value for key \"" + std::string(key) + "\" at " +
                                 childPath(key)));
        return nullptr;
    }
    if (!convertible(*v, type, state_->source)) {
        typeMismatch(key, type, *v);
        return nullptr;
    }
    return v;
}

const PropertyList* Decoder::optional(std::string_view key, PropertyList::Type type) {
    if (failed()) return nullptr;
    const PropertyList* v = lookup(key);
    if (failed() || !v || v->isNull()) return nullptr;
    if (!convertible(*v, type, state_->source)) {
        typeMismatch(key, type, *v);
        return nullptr;
    }
    return v;
}

std::string Decoder::string(std::string_view key) {
    const PropertyList* v = require(key, PropertyList::Type::String);
    return v ? *v->asString() : std::string();
}

std::optional<std::string> Decoder::stringIfPresent(std::string_view key) {
    const PropertyList* v = optional(key, PropertyList::Type::String);
    if (!v) return std::nullopt;
    return *v->asString();
}

int64_t Decoder::integer(std::string_view key) {
    const PropertyList* v = require(key, PropertyList::Type::Integer);
    return v ? *integralValue(*v) : 0;
}

std::optional<int64_t> Decoder::integerIfPresent(std::string_view key) {
    const PropertyList* v = optional(key, PropertyList::Type::Integer);
    if (!v) return std::nullopt;
    return integralValue(*v);
}

double Decoder::real(std::string_view key) {
    const PropertyList* v = require(key, PropertyList::Type::Real);
    return v ? *v->asReal() : 0.0;
}

std::optional<double> Decoder::realIfPresent(std::string_view key) {
    const PropertyList* v = optional(key, PropertyList::Type::Real);
    if (!v) return std::nullopt;
    return v->asReal();
}

bool Decoder::boolean(std::string_view key) {
    const PropertyList* v = require(key, PropertyList::Type::Boolean);
    return v ? *v->asBoolean() : false;
}

std::optional<bool> Decoder::booleanIfPresent(std::string_view key) {
    const PropertyList* v = optional(key, PropertyList::Type::Boolean);
    if (!v) return std::nullopt;
    return v->asBoolean();
}

PropertyList::Data Decoder::data(std::string_view key) {
    const PropertyList* v = require(key, PropertyList::Type::Data);
    if (!v) return {};
    if (const auto* d = v->asData()) return *d;
    return decodeBase64(*v->asString()).value_or(PropertyList::Data{});
}

Date Decoder::date(std::string_view key) {
    const PropertyList* v = require(key, PropertyList::Type::Date);
    if (!v) return Date();
    if (v->isDate()) return *v->asDate();
    if (v->isNumber()) return Date(*v->asReal());
    Date d;
    Date::parseIso8601(*v->asString(), d);
    return d;
}

std::vector<std::string> Decoder::stringArray(std::string_view key) {
    const PropertyList* v = require(key, PropertyList::Type::Array);
    if (!v) return {};
    auto asString = [](Decoder& element) { return element.asString(); };
    return elements(*v, key, asString);
}

std::optional<std::vector<std::string>> Decoder::stringArrayIfPresent(std::string_view key) {
    const PropertyList* v = optional(key, PropertyList::Type::Array);
    if (!v) return std::nullopt;
    auto asString = [](Decoder& element) { return element.asString(); };
    auto out = elements(*v, key, asString);
    if (failed()) return std::nullopt;
    return out;
}

PropertyList Decoder::member(std::string_view key) {
    const PropertyList* v = lookup(key);
    if (failed()) return {};
    if (!v) {
        fail(Error::valueMissing("No value for key \"" + std::string(key) + "\" at " +
                                 childPath(key)));
        return {};
    }
    return *v;
}

std::string Decoder::asString() {
    if (failed()) return {};
    if (!value_->isString()) {
        typeMismatch({}, PropertyList::Type::String, *value_);
        return {};
    }
    return *value_->asString();
}

int64_t Decoder::asInteger() {
    if (failed()) return 0;
    if (const auto i = integralValue(*value_)) return *i;
    typeMismatch({}, PropertyList::Type::Integer, *value_);
    return 0;
}

double Decoder::asReal() {
    if (failed()) return 0.0;
    if (const auto r = value_->asReal()) return *r;
    typeMismatch({}, PropertyList::Type::Real, *value_);
    return 0.0;
}

bool Decoder::asBoolean() {
    if (failed()) return false;
    if (const auto b = value_->asBoolean()) return *b;
    typeMismatch({}, PropertyList::Type::Boolean, *value_);
    return false;
}

}  // namespace platform
