#include "platform/coding/PropertyList.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

namespace platform {

struct PropertyListDictionary::Index {
    // Looked up by string_view without building a string.
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    std::unordered_map<std::string, size_t, Hash, std::equal_to<>> positions;
};

PropertyListDictionary::PropertyListDictionary(std::initializer_list<Entry> entries) {
    for (const auto& e : entries) set(e.first, e.second);
}

PropertyListDictionary::PropertyListDictionary(const PropertyListDictionary& other)
    : entries_(other.entries_),
      index_(other.index_ ? std::make_unique<Index>(*other.index_) : nullptr) {}

PropertyListDictionary& PropertyListDictionary::operator=(const PropertyListDictionary& other) {
    if (this != &other) {
        PropertyListDictionary copy(other);  // other may live inside *this
        *this = std::move(copy);
    }
    return *this;
}

PropertyListDictionary::PropertyListDictionary() = default;
PropertyListDictionary::PropertyListDictionary(PropertyListDictionary&& other) noexcept = default;
PropertyListDictionary& PropertyListDictionary::operator=(PropertyListDictionary&& other) noexcept =
    default;
PropertyListDictionary::~PropertyListDictionary() = default;

void PropertyListDictionary::buildIndex() {
    index_ = std::make_unique<Index>();
    index_->positions.reserve(entries_.size() * 2);
    for (size_t i = 0; i < entries_.size(); ++i) index_->positions.emplace(entries_[i].first, i);
}

size_t PropertyListDictionary::indexOf(std::string_view key) const {
    if (index_) {
        auto it = index_->positions.find(key);
        return it == index_->positions.end() ? entries_.size() : it->second;
    }
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].first == key) return i;
    return entries_.size();
}

void PropertyListDictionary::set(std::string key, PropertyList value) {
    const size_t at = indexOf(key);
    if (at < entries_.size()) {
        entries_[at].second = std::move(value);
        return;
    }
    if (index_) index_->positions.emplace(key, entries_.size());
    entries_.emplace_back(std::move(key), std::move(value));
    if (!index_ && entries_.size() >= kIndexThreshold) buildIndex();
}

bool PropertyListDictionary::erase(std::string_view key) {
    const size_t at = indexOf(key);
    if (at >= entries_.size()) return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
    if (index_) {
        if (entries_.size() >= kIndexThreshold) {
            buildIndex();
        } else {
            index_.reset();
        }
    }
    return true;
}

const PropertyList* PropertyListDictionary::find(std::string_view key) const {
    const size_t at = indexOf(key);
    return at < entries_.size() ? &entries_[at].second : nullptr;
}

PropertyList* PropertyListDictionary::find(std::string_view key) {
    const size_t at = indexOf(key);
    return at < entries_.size() ? &entries_[at].second : nullptr;
}

bool operator==(const PropertyListDictionary& a, const PropertyListDictionary& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [key, value] : a) {
        const PropertyList* other = b.find(key);
        if (!other || !(*other == value)) return false;
    }
    return true;
}

PropertyList::PropertyList(std::string s)
    : type_(Type::String), s_(new std::string(std::move(s))) {}
PropertyList::PropertyList(std::string_view s) : type_(Type::String), s_(new std::string(s)) {}
PropertyList::PropertyList(const char* s) : type_(Type::String), s_(new std::string(s ? s : "")) {}
PropertyList::PropertyList(bool b) : type_(Type::Boolean), b_(b) {}
PropertyList::PropertyList(long long v) : type_(Type::Integer), i_(v) {}
PropertyList::PropertyList(double d) : type_(Type::Real), r_(d) {}
PropertyList::PropertyList(Date d) : type_(Type::Date), date_(d.timeIntervalSinceReferenceDate()) {}
PropertyList::PropertyList(Data d) : type_(Type::Data), data_(new Data(std::move(d))) {}
PropertyList::PropertyList(Array a) : type_(Type::Array), array_(new Array(std::move(a))) {}
PropertyList::PropertyList(Dictionary d)
    : type_(Type::Dictionary), dict_(new Dictionary(std::move(d))) {}
PropertyList::PropertyList(Uid u) : type_(Type::Uid), uid_(u.value) {}

PropertyList::PropertyList(const PropertyList& other) {
    copyFrom(other);
}
PropertyList::PropertyList(PropertyList&& other) noexcept {
    moveFrom(std::move(other));
}

PropertyList& PropertyList::operator=(const PropertyList& other) {
    if (this != &other) {
        PropertyList copy(other);  // other may live inside *this
        destroy();
        moveFrom(std::move(copy));
    }
    return *this;
}

PropertyList& PropertyList::operator=(PropertyList&& other) noexcept {
    if (this != &other) {
        PropertyList tmp(std::move(other));  // other may live inside *this
        destroy();
        moveFrom(std::move(tmp));
    }
    return *this;
}

PropertyList::~PropertyList() {
    destroy();
}

void PropertyList::destroy() {
    switch (type_) {
        case Type::String:
            delete s_;
            break;
        case Type::Data:
            delete data_;
            break;
        case Type::Array:
            delete array_;
            break;
        case Type::Dictionary:
            delete dict_;
            break;
        default:
            break;
    }
    type_ = Type::Null;
}

void PropertyList::copyFrom(const PropertyList& o) {
    type_ = Type::Null;
    switch (o.type_) {
        case Type::Null:
            break;
        case Type::String:
            s_ = new std::string(*o.s_);
            break;
        case Type::Integer:
            i_ = o.i_;
            break;
        case Type::Real:
            r_ = o.r_;
            break;
        case Type::Boolean:
            b_ = o.b_;
            break;
        case Type::Date:
            date_ = o.date_;
            break;
        case Type::Data:
            data_ = new Data(*o.data_);
            break;
        case Type::Array:
            array_ = new Array(*o.array_);
            break;
        case Type::Dictionary:
            dict_ = new Dictionary(*o.dict_);
            break;
        case Type::Uid:
            uid_ = o.uid_;
            break;
    }
    type_ = o.type_;
}

void PropertyList::moveFrom(PropertyList&& o) noexcept {
    // Every alternative is a scalar or an owning pointer of at most eight bytes: taking the
    // bits takes the value, and `o` is left null with nothing to free.
    static_assert(sizeof(void*) <= sizeof(int64_t) && sizeof(double) <= sizeof(int64_t));
    type_ = o.type_;
    std::memcpy(static_cast<void*>(&i_), static_cast<const void*>(&o.i_), sizeof(i_));
    o.type_ = Type::Null;
}

const std::string* PropertyList::asString() const {
    return type_ == Type::String ? s_ : nullptr;
}
std::optional<int64_t> PropertyList::asInteger() const {
    if (type_ == Type::Integer) return i_;
    return std::nullopt;
}
std::optional<double> PropertyList::asReal() const {
    if (type_ == Type::Real) return r_;
    if (type_ == Type::Integer) return static_cast<double>(i_);
    return std::nullopt;
}
std::optional<bool> PropertyList::asBoolean() const {
    if (type_ == Type::Boolean) return b_;
    return std::nullopt;
}
std::optional<Date> PropertyList::asDate() const {
    if (type_ == Type::Date) return Date(date_);
    return std::nullopt;
}
const PropertyList::Data* PropertyList::asData() const {
    return type_ == Type::Data ? data_ : nullptr;
}
const PropertyList::Array* PropertyList::asArray() const {
    return type_ == Type::Array ? array_ : nullptr;
}
PropertyList::Array* PropertyList::asArray() {
    return type_ == Type::Array ? array_ : nullptr;
}
const PropertyList::Dictionary* PropertyList::asDictionary() const {
    return type_ == Type::Dictionary ? dict_ : nullptr;
}
PropertyList::Dictionary* PropertyList::asDictionary() {
    return type_ == Type::Dictionary ? dict_ : nullptr;
}
std::optional<Uid> PropertyList::asUid() const {
    if (type_ == Type::Uid) return Uid{uid_};
    return std::nullopt;
}

const PropertyList* PropertyList::get(std::string_view key) const {
    return type_ == Type::Dictionary ? dict_->find(key) : nullptr;
}

const char* PropertyList::typeName(Type t) {
    switch (t) {
        case Type::Null:
            return "null";
        case Type::String:
            return "string";
        case Type::Integer:
            return "integer";
        case Type::Real:
            return "real";
        case Type::Boolean:
            return "boolean";
        case Type::Date:
            return "date";
        case Type::Data:
            return "data";
        case Type::Array:
            return "array";
        case Type::Dictionary:
            return "dictionary";
        case Type::Uid:
            return "uid";
    }
    return "unknown";
}

bool operator==(const PropertyList& a, const PropertyList& b) {
    if (a.type_ != b.type_) return false;
    switch (a.type_) {
        case PropertyList::Type::Null:
            return true;
        case PropertyList::Type::String:
            return *a.s_ == *b.s_;
        case PropertyList::Type::Integer:
            return a.i_ == b.i_;
        case PropertyList::Type::Real:
            return a.r_ == b.r_ || (std::isnan(a.r_) && std::isnan(b.r_));
        case PropertyList::Type::Boolean:
            return a.b_ == b.b_;
        case PropertyList::Type::Date:
            // A NaN date read from a file must still equal its own copy.
            return a.date_ == b.date_ || (std::isnan(a.date_) && std::isnan(b.date_));
        case PropertyList::Type::Data:
            return *a.data_ == *b.data_;
        case PropertyList::Type::Array:
            return *a.array_ == *b.array_;
        case PropertyList::Type::Dictionary:
            return *a.dict_ == *b.dict_;
        case PropertyList::Type::Uid:
            return a.uid_ == b.uid_;
    }
    return false;
}

}  // namespace platform
