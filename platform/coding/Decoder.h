#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

namespace platform {

// Decodes a PropertyList (or parsed JSON, with Source::json) into the system's records, the way the
// OS's decoders do: a required key that is absent (or null) fails with "missing", a value of the
// wrong type fails with "not in the correct format". The first failure sticks: later calls return
// empty values and change nothing, so a record decodes in straight-line code and is checked once:
//
//     Decoder d(value);
//     Item item{d.string("token"), d.integerIfPresent("color_tag").value_or(0)};
//     item.rows = d.array("rows", [](Decoder& row) { return Row{row.string("name")}; });
//     if (d.failed()) return d.error();
//
// Every Decoder made for a member or element shares the failure of the one it came from.
class Decoder {
  public:
    // Where the value came from. JSON has no date or data type, so JSON carries dates as numbers
    // or ISO 8601 text and data as base64 text, and only a JSON decoder reads them so; from a
    // property list a value of another type fails, as everywhere else.
    enum class Source { propertyList, json };

    explicit Decoder(const PropertyList& value, Source source = Source::propertyList);

    bool failed() const;
    // The first failure; only valid when failed().
    const Error& error() const;
    Status status() const;

    // Records a failure of the caller's own (a value out of range, say) unless one is recorded.
    void fail(Error error);
    // A bad value at `key` of this container: "not in the correct format", with `why` as detail.
    void failBadValue(std::string_view key, const std::string& why);

    // Where this decoder is in the whole value, for error details: "items[3].token".
    const std::string& codingPath() const { return path_; }
    const PropertyList& value() const { return *value_; }

    // --- keyed access (this value must be a dictionary) ---
    bool contains(std::string_view key) const;
    std::string string(std::string_view key);
    std::optional<std::string> stringIfPresent(std::string_view key);
    int64_t integer(std::string_view key);
    std::optional<int64_t> integerIfPresent(std::string_view key);
    double real(std::string_view key);  // integers accepted
    std::optional<double> realIfPresent(std::string_view key);
    bool boolean(std::string_view key);
    std::optional<bool> booleanIfPresent(std::string_view key);
    PropertyList::Data data(std::string_view key);
    Date date(std::string_view key);
    std::vector<std::string> stringArray(std::string_view key);
    std::optional<std::vector<std::string>> stringArrayIfPresent(std::string_view key);
    // Any value; a null PropertyList when absent (a failure).
    PropertyList member(std::string_view key);

    // A nested dictionary decoded by `f(Decoder&)`.
    template <class F>
    auto nested(std::string_view key, F&& f) -> std::invoke_result_t<F, Decoder&> {
        using R = std::invoke_result_t<F, Decoder&>;
        const PropertyList* v = require(key, PropertyList::Type::Dictionary);
        if (!v) return R{};
        Decoder child(*v, childPath(key), state_);
        return f(child);
    }

    // A required array whose elements are decoded by `f(Decoder&)`.
    template <class F>
    auto array(std::string_view key, F&& f) -> std::vector<std::invoke_result_t<F, Decoder&>> {
        const PropertyList* v = require(key, PropertyList::Type::Array);
        if (!v) return {};
        return elements(*v, key, f);
    }

    // An optional array: absent or null gives nothing; present but not an array fails.
    template <class F>
    auto arrayIfPresent(std::string_view key, F&& f)
        -> std::optional<std::vector<std::invoke_result_t<F, Decoder&>>> {
        const PropertyList* v = optional(key, PropertyList::Type::Array);
        if (!v) return std::nullopt;
        return elements(*v, key, f);
    }

    // --- single-value access (this value itself) ---
    std::string asString();
    int64_t asInteger();
    double asReal();
    bool asBoolean();
    // This value as an array of elements decoded by `f`.
    template <class F>
    auto asArray(F&& f) -> std::vector<std::invoke_result_t<F, Decoder&>> {
        if (failed()) return {};
        if (!value_->isArray()) {
            typeMismatch({}, PropertyList::Type::Array, *value_);
            return {};
        }
        return elements(*value_, {}, f);
    }

  private:
    struct State {
        std::optional<Error> error;
        Source source = Source::propertyList;
    };
    Decoder(const PropertyList& value, std::string path, std::shared_ptr<State> state);

    // The member of the given type; records a failure and returns nullptr when absent, null or
    // of another type.
    const PropertyList* require(std::string_view key, PropertyList::Type type);
    // The member of the given type, or nullptr when absent or null; a failure when of another
    // type.
    const PropertyList* optional(std::string_view key, PropertyList::Type type);
    const PropertyList* lookup(std::string_view key);
    void typeMismatch(std::string_view key, PropertyList::Type expected, const PropertyList& got);
    std::string childPath(std::string_view key) const;
    std::string elementPath(std::string_view key, size_t index) const;

    template <class F>
    auto elements(const PropertyList& array, std::string_view key, F& f)
        -> std::vector<std::invoke_result_t<F, Decoder&>> {
        std::vector<std::invoke_result_t<F, Decoder&>> out;
        const auto& items = *array.asArray();
        out.reserve(items.size());
        for (size_t i = 0; i < items.size() && !failed(); ++i) {
            Decoder child(items[i], elementPath(key, i), state_);
            out.push_back(f(child));
        }
        if (failed()) out.clear();
        return out;
    }

    const PropertyList* value_;
    std::string path_;
    std::shared_ptr<State> state_;
};

}  // namespace platform
