#include "platform/coding/Json.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/core/WholeFile.h"

namespace platform {

namespace {

constexpr size_t kMaxDepth = Json::kMaxNestingDepth;

// Year 0000 to 9999, the range ISO 8601 text can show with four digits.
constexpr double kMinDateUnix = -62167219200.0;
constexpr double kMaxDateUnix = 253402300799.0;

Error writeInvalid(std::string detail) {
    return Error::other(
        "The data couldn\u2019t be written because it isn\u2019t in the correct format.",
        std::move(detail), Error::kPropertyListWriteInvalid);
}

Error syntaxError(std::string detail) {
    return Error::corruptData(std::move(detail), Error::kPropertyListReadCorrupt);
}

std::string base64(const PropertyList::Data& data) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const uint32_t n = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    if (const size_t rest = data.size() - i; rest > 0) {
        uint32_t n = uint32_t{data[i]} << 16;
        if (rest == 2) n |= uint32_t{data[i + 1]} << 8;
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Builds the value straight from parser events, so objects keep the document's key order and
// nesting is bounded before anything deep is built.
class Builder {
  public:
    using json = nlohmann::json;

    bool null() { return add(PropertyList()); }
    bool boolean(bool b) { return add(PropertyList(b)); }
    bool number_integer(json::number_integer_t v) {
        return add(PropertyList(static_cast<long long>(v)));
    }
    bool number_unsigned(json::number_unsigned_t v) {
        // The parser reports every non-negative integer here; past int64 only a real can hold it.
        if (v <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            return add(PropertyList(static_cast<long long>(v)));
        return add(PropertyList(static_cast<double>(v)));
    }
    bool number_float(json::number_float_t v, const json::string_t&) {
        return add(PropertyList(v));
    }
    bool string(json::string_t& s) { return add(PropertyList(std::move(s))); }
    bool binary(json::binary_t&) { return fail("binary values are not JSON"); }

    bool start_object(std::size_t) { return open(PropertyList(PropertyList::Dictionary())); }
    bool key(json::string_t& k) {
        stack_.back().key = std::move(k);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(PropertyList(PropertyList::Array())); }
    bool end_array() { return close(); }

    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& e) {
        std::string what = e.what();
        // Drop the library's "[json.exception.parse_error.101] " tag; keep its explanation.
        if (const auto end = what.find("] ");
            what.rfind("[json.", 0) == 0 && end != std::string::npos)
            what.erase(0, end + 2);
        return fail("Invalid JSON at byte " + std::to_string(position) + ": " + what);
    }

    std::optional<Error> error;
    PropertyList result;

  private:
    struct Frame {
        PropertyList container;
        std::string key;
    };

    bool fail(std::string detail) {
        if (!error) error = syntaxError(std::move(detail));
        return false;
    }

    bool add(PropertyList v) {
        if (stack_.empty()) {
            result = std::move(v);
            return true;
        }
        Frame& top = stack_.back();
        if (auto* dict = top.container.asDictionary())
            dict->set(std::move(top.key), std::move(v));  // a repeated key: the last one wins
        else
            top.container.asArray()->push_back(std::move(v));
        return true;
    }

    bool open(PropertyList container) {
        if (stack_.size() >= kMaxDepth)
            return fail("JSON nested deeper than " + std::to_string(kMaxDepth) + " levels");
        stack_.push_back({std::move(container), {}});
        return true;
    }

    bool close() {
        PropertyList done = std::move(stack_.back().container);
        stack_.pop_back();
        return add(std::move(done));
    }

    std::vector<Frame> stack_;
};

using ordered_json = nlohmann::ordered_json;

// `depth` counts the arrays and objects around `value`.
Result<ordered_json> toJson(const PropertyList& value, size_t depth) {
    if ((value.isArray() || value.isDictionary()) && depth >= kMaxDepth)
        return writeInvalid("value nested deeper than " + std::to_string(kMaxDepth) + " levels");
    switch (value.type()) {
        case PropertyList::Type::Null:
            return ordered_json(nullptr);
        case PropertyList::Type::String:
            return ordered_json(*value.asString());
        case PropertyList::Type::Integer:
            return ordered_json(*value.asInteger());
        case PropertyList::Type::Boolean:
            return ordered_json(*value.asBoolean());
        case PropertyList::Type::Real: {
            const double r = *value.asReal();
            if (!std::isfinite(r)) return writeInvalid("JSON has no form for a non-finite number");
            return ordered_json(r);
        }
        case PropertyList::Type::Date: {
            const double unix = value.asDate()->timeIntervalSince1970();
            if (!(unix >= kMinDateUnix && unix <= kMaxDateUnix))
                return writeInvalid("date outside the years 0 to 9999");
            return ordered_json(value.asDate()->iso8601());
        }
        case PropertyList::Type::Data:
            return ordered_json(base64(*value.asData()));
        case PropertyList::Type::Uid:
            return writeInvalid("a uid value has no JSON form");
        case PropertyList::Type::Array: {
            ordered_json out = ordered_json::array();
            for (const auto& element : *value.asArray()) {
                auto j = toJson(element, depth + 1);
                if (!j) return j.error();
                out.push_back(std::move(j).value());
            }
            return out;
        }
        case PropertyList::Type::Dictionary: {
            ordered_json out = ordered_json::object();
            for (const auto& [key, member] : *value.asDictionary()) {
                auto j = toJson(member, depth + 1);
                if (!j) return j.error();
                out[key] = std::move(j).value();
            }
            return out;
        }
    }
    return writeInvalid("unknown value type");
}

}  // namespace

Result<PropertyList> Json::parse(std::string_view text) {
    Builder builder;
    try {
        const bool ok = nlohmann::json::sax_parse(text.begin(), text.end(), &builder);
        if (!ok || builder.error)
            return builder.error ? *builder.error : syntaxError("Invalid JSON");
    } catch (const std::exception& e) {
        return syntaxError(std::string("Invalid JSON: ") + e.what());
    }
    return std::move(builder.result);
}

Result<std::string> Json::serialize(const PropertyList& value, bool pretty) {
    try {
        auto j = toJson(value, 0);
        if (!j) return j.error();
        // Strict: text that is not UTF-8 is refused instead of being written out broken.
        return j->dump(pretty ? 2 : -1, ' ', false, ordered_json::error_handler_t::strict);
    } catch (const std::exception& e) {
        return writeInvalid(e.what());
    }
}

Result<PropertyList> Json::readFile(const std::filesystem::path& path) {
    Result<std::string> bytes = WholeFile::contents(path);
    if (!bytes) return bytes.error();
    return parse(*bytes);
}

}  // namespace platform
