#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/Date.h"

namespace platform {

class PropertyList;
class PropertyListDictionary;

// A keyed-archive object reference ("CF$UID").
struct Uid {
    uint64_t value = 0;
    friend bool operator==(const Uid& a, const Uid& b) { return a.value == b.value; }
};

// One property-list value. A default-constructed value is null: it stands for JSON null and
// keyed-archive "$null", and property-list writers refuse it.
class PropertyList {
  public:
    enum class Type { Null, String, Integer, Real, Boolean, Date, Data, Array, Dictionary, Uid };
    using Array = std::vector<PropertyList>;
    using Dictionary = PropertyListDictionary;
    using Data = std::vector<uint8_t>;

    PropertyList() = default;
    PropertyList(std::string s);       // NOLINT(google-explicit-constructor)
    PropertyList(std::string_view s);  // NOLINT(google-explicit-constructor)
    PropertyList(const char* s);       // NOLINT(google-explicit-constructor)
    PropertyList(bool b);              // NOLINT(google-explicit-constructor)
    PropertyList(long long v);         // NOLINT(google-explicit-constructor)
    PropertyList(int v) : PropertyList(static_cast<long long>(v)) {}            // NOLINT
    PropertyList(long v) : PropertyList(static_cast<long long>(v)) {}           // NOLINT
    PropertyList(unsigned v) : PropertyList(static_cast<long long>(v)) {}       // NOLINT
    PropertyList(unsigned long v) : PropertyList(static_cast<long long>(v)) {}  // NOLINT
    PropertyList(double d);      // NOLINT(google-explicit-constructor)
    PropertyList(Date d);        // NOLINT(google-explicit-constructor)
    PropertyList(Data d);        // NOLINT(google-explicit-constructor)
    PropertyList(Array a);       // NOLINT(google-explicit-constructor)
    PropertyList(Dictionary d);  // NOLINT(google-explicit-constructor)
    PropertyList(Uid u);         // NOLINT(google-explicit-constructor)

    PropertyList(const PropertyList& other);
    PropertyList(PropertyList&& other) noexcept;
    PropertyList& operator=(const PropertyList& other);
    PropertyList& operator=(PropertyList&& other) noexcept;
    ~PropertyList();

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }
    bool isString() const { return type_ == Type::String; }
    bool isInteger() const { return type_ == Type::Integer; }
    bool isReal() const { return type_ == Type::Real; }
    bool isNumber() const { return type_ == Type::Integer || type_ == Type::Real; }
    bool isBoolean() const { return type_ == Type::Boolean; }
    bool isDate() const { return type_ == Type::Date; }
    bool isData() const { return type_ == Type::Data; }
    bool isArray() const { return type_ == Type::Array; }
    bool isDictionary() const { return type_ == Type::Dictionary; }
    bool isUid() const { return type_ == Type::Uid; }

    // Typed access; nullptr / nothing when the value is of another type. No coercion.
    const std::string* asString() const;
    std::optional<int64_t> asInteger() const;
    std::optional<double> asReal() const;  // integers too, converted
    std::optional<bool> asBoolean() const;
    std::optional<Date> asDate() const;
    const Data* asData() const;
    const Array* asArray() const;
    Array* asArray();
    const Dictionary* asDictionary() const;
    Dictionary* asDictionary();
    std::optional<Uid> asUid() const;

    // Dictionary member lookup; nullptr when this is not a dictionary or the key is absent.
    const PropertyList* get(std::string_view key) const;

    static const char* typeName(Type t);

    friend bool operator==(const PropertyList& a, const PropertyList& b);
    friend bool operator!=(const PropertyList& a, const PropertyList& b) { return !(a == b); }

  private:
    void destroy();
    void copyFrom(const PropertyList& other);
    void moveFrom(PropertyList&& other) noexcept;

    Type type_ = Type::Null;
    union {
        bool b_;
        int64_t i_;
        double r_;
        double date_;
        uint64_t uid_;
        std::string* s_;
        Data* data_;
        Array* array_;
        Dictionary* dict_;
    };
};

// A dictionary that keeps its keys in insertion order, as written files and menus expect.
class PropertyListDictionary {
  public:
    using Entry = std::pair<std::string, PropertyList>;
    using const_iterator = std::vector<Entry>::const_iterator;
    using iterator = std::vector<Entry>::iterator;

    PropertyListDictionary();
    PropertyListDictionary(std::initializer_list<Entry> entries);
    PropertyListDictionary(const PropertyListDictionary& other);
    PropertyListDictionary(PropertyListDictionary&& other) noexcept;
    PropertyListDictionary& operator=(const PropertyListDictionary& other);
    PropertyListDictionary& operator=(PropertyListDictionary&& other) noexcept;
    ~PropertyListDictionary();

    // Replaces the value of an existing key in place, otherwise appends.
    void set(std::string key, PropertyList value);
    bool erase(std::string_view key);
    const PropertyList* find(std::string_view key) const;
    PropertyList* find(std::string_view key);
    bool contains(std::string_view key) const { return find(key) != nullptr; }

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    // Values may be changed through these; keys must not be.
    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }
    void reserve(size_t n) { entries_.reserve(n); }

    // Order matters for equality only as far as the OS's does: it does not.
    friend bool operator==(const PropertyListDictionary& a, const PropertyListDictionary& b);

  private:
    // Large dictionaries (a library's lookup table has thousands of keys) keep a hash index so
    // building and searching them stays linear; small ones are searched in order. The index is
    // only ever built by mutating calls, so concurrent readers of a shared value are safe.
    static constexpr size_t kIndexThreshold = 16;
    struct Index;
    void buildIndex();
    size_t indexOf(std::string_view key) const;

    std::vector<Entry> entries_;
    std::unique_ptr<Index> index_;
};

}  // namespace platform
