#include "platform/coding/KeyedArchive.h"

#include <cmath>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/coding/PropertyListSerialization.h"

namespace platform {

namespace {

constexpr const char* kArchiver = "NSKeyedArchiver";
constexpr int64_t kVersion = 100000;
constexpr const char* kNullObject = "$null";

// Bounds for hostile archives: nesting (the decoder recurses), and what shared references may
// expand to, since one object referenced twice at every level doubles per level.
constexpr size_t kMaxDepth = 512;
constexpr size_t kMaxNodes = size_t{1} << 18;
constexpr size_t kMaxBytes = size_t{32} << 20;

Error writeInvalid(std::string detail) {
    return Error::other(
        "The data couldn\u2019t be written because it isn\u2019t in the correct format.",
        std::move(detail), Error::kPropertyListWriteInvalid);
}

class Archiver {
  public:
    Result<PropertyList> run(const PropertyList& root) {
        objects_.emplace_back(kNullObject);
        const Uid top = encode(root, 0);
        if (error_) return *error_;
        return PropertyList(PropertyList::Dictionary{
            {"$archiver", kArchiver},
            {"$version", PropertyList(static_cast<long long>(kVersion))},
            {"$top", PropertyList::Dictionary{{"root", top}}},
            {"$objects", std::move(objects_)},
        });
    }

  private:
    Uid encode(const PropertyList& v, size_t depth) {
        if (error_) return {};
        if (depth > kMaxDepth) return fail("value nested deeper than " + std::to_string(kMaxDepth));
        switch (v.type()) {
            case PropertyList::Type::Null:
                return Uid{0};
            case PropertyList::Type::String: {
                // Equal strings share one object, as the OS's archiver does for equal constants.
                auto [it, added] = strings_.try_emplace(*v.asString(), objects_.size());
                if (added) objects_.push_back(v);
                return Uid{it->second};
            }
            case PropertyList::Type::Integer:
            case PropertyList::Type::Real:
            case PropertyList::Type::Boolean:
            case PropertyList::Type::Data:
                return append(v);
            case PropertyList::Type::Date: {
                const size_t self = reserve();
                PropertyList::Dictionary object{
                    {"NS.time", v.asDate()->timeIntervalSinceReferenceDate()},
                    {"$class", classUid("NSDate")}};
                objects_[self] = std::move(object);
                return Uid{self};
            }
            case PropertyList::Type::Array: {
                const size_t self = reserve();
                PropertyList::Array refs;
                refs.reserve(v.asArray()->size());
                for (const auto& element : *v.asArray())
                    refs.emplace_back(encode(element, depth + 1));
                PropertyList::Dictionary object{{"NS.objects", std::move(refs)},
                                                {"$class", classUid("NSArray")}};
                objects_[self] = std::move(object);
                return Uid{self};
            }
            case PropertyList::Type::Dictionary: {
                const size_t self = reserve();
                PropertyList::Array keys, values;
                keys.reserve(v.asDictionary()->size());
                values.reserve(v.asDictionary()->size());
                // All keys first, then all values: the order the OS's archiver writes them in.
                for (const auto& entry : *v.asDictionary())
                    keys.emplace_back(encode(PropertyList(entry.first), depth + 1));
                for (const auto& entry : *v.asDictionary())
                    values.emplace_back(encode(entry.second, depth + 1));
                PropertyList::Dictionary object{{"NS.keys", std::move(keys)},
                                                {"NS.objects", std::move(values)},
                                                {"$class", classUid("NSDictionary")}};
                objects_[self] = std::move(object);
                return Uid{self};
            }
            case PropertyList::Type::Uid:
                return fail("a uid value cannot be archived");
        }
        return fail("unknown value type");
    }

    Uid append(PropertyList v) {
        objects_.push_back(std::move(v));
        return Uid{objects_.size() - 1};
    }

    // The object's slot is taken before its members so it precedes them, as in the OS's archives.
    size_t reserve() {
        objects_.emplace_back();
        return objects_.size() - 1;
    }

    Uid classUid(const std::string& name) {
        auto [it, added] = classes_.try_emplace(name, objects_.size());
        if (added) {
            objects_.push_back(PropertyList::Dictionary{
                {"$classname", name}, {"$classes", PropertyList::Array{name, "NSObject"}}});
        }
        return Uid{it->second};
    }

    Uid fail(std::string detail) {
        if (!error_) error_ = writeInvalid(std::move(detail));
        return {};
    }

    PropertyList::Array objects_;
    std::unordered_map<std::string, size_t> strings_;
    std::map<std::string, size_t> classes_;
    std::optional<Error> error_;
};

class Unarchiver {
  public:
    explicit Unarchiver(const PropertyList::Array& objects)
        : objects_(objects), active_(objects.size(), false) {}

    Result<PropertyList> run(const PropertyList& root) {
        PropertyList value = decodeRef(root, 0, "$top.root");
        if (error_) return *error_;
        return value;
    }

  private:
    PropertyList decodeRef(const PropertyList& ref, size_t depth, const char* where) {
        const auto uid = ref.asUid();
        if (!uid) return fail(std::string(where) + " is not an object reference");
        return decode(uid->value, depth);
    }

    PropertyList decode(uint64_t uid, size_t depth) {
        if (error_) return {};
        if (depth > kMaxDepth)
            return fail("objects nested deeper than " + std::to_string(kMaxDepth));
        if (uid >= objects_.size())
            return fail("reference " + std::to_string(uid) + " out of range");
        if (++nodes_ > kMaxNodes) return fail("archive expands to too many values");
        if (uid == 0) return {};
        const PropertyList& object = objects_[uid];
        switch (object.type()) {
            case PropertyList::Type::String:
                return sized(object, object.asString()->size());
            case PropertyList::Type::Data:
                return sized(object, object.asData()->size());
            case PropertyList::Type::Integer:
            case PropertyList::Type::Real:
            case PropertyList::Type::Boolean:
            case PropertyList::Type::Date:
                return object;
            case PropertyList::Type::Dictionary: {
                if (active_[uid]) return fail("object " + std::to_string(uid) + " contains itself");
                active_[uid] = true;
                PropertyList value = decodeObject(*object.asDictionary(), uid, depth);
                active_[uid] = false;
                return value;
            }
            default:
                return fail("object " + std::to_string(uid) + " is a " +
                            PropertyList::typeName(object.type()));
        }
    }

    PropertyList decodeObject(const PropertyList::Dictionary& object, uint64_t uid, size_t depth) {
        const std::string here = "object " + std::to_string(uid);
        const PropertyList* classRef = object.find("$class");
        if (!classRef || !classRef->isUid()) return fail(here + " has no class");
        const uint64_t classIndex = classRef->asUid()->value;
        if (classIndex >= objects_.size()) return fail(here + " has a class out of range");
        const PropertyList* name = objects_[classIndex].get("$classname");
        if (!name || !name->isString()) return fail(here + " has no class name");
        const std::string& cls = *name->asString();

        if (cls == "NSDictionary" || cls == "NSMutableDictionary") {
            const auto* keys = arrayMember(object, "NS.keys", here);
            const auto* values = arrayMember(object, "NS.objects", here);
            if (!keys || !values) return {};
            if (keys->size() != values->size())
                return fail(here + " has " + std::to_string(keys->size()) + " keys but " +
                            std::to_string(values->size()) + " values");
            PropertyList::Dictionary out;
            out.reserve(keys->size());
            for (size_t i = 0; i < keys->size() && !error_; ++i) {
                PropertyList key = decodeRef((*keys)[i], depth + 1, "NS.keys");
                if (error_) break;
                if (!key.isString()) return fail(here + " has a key that is not a string");
                PropertyList value = decodeRef((*values)[i], depth + 1, "NS.objects");
                out.set(std::move(*key.asString()), std::move(value));
            }
            if (error_) return {};
            return out;
        }
        if (cls == "NSArray" || cls == "NSMutableArray") {
            const auto* refs = arrayMember(object, "NS.objects", here);
            if (!refs) return {};
            PropertyList::Array out;
            out.reserve(refs->size());
            for (size_t i = 0; i < refs->size() && !error_; ++i)
                out.push_back(decodeRef((*refs)[i], depth + 1, "NS.objects"));
            if (error_) return {};
            return out;
        }
        if (cls == "NSString" || cls == "NSMutableString") {
            const PropertyList* s = object.find("NS.string");
            if (!s || !s->isString()) return fail(here + " has no NS.string");
            return sized(*s, s->asString()->size());
        }
        if (cls == "NSData" || cls == "NSMutableData") {
            const PropertyList* d = object.find("NS.data");
            if (!d || !d->isData()) return fail(here + " has no NS.data");
            return sized(*d, d->asData()->size());
        }
        if (cls == "NSDate") {
            const PropertyList* t = object.find("NS.time");
            if (!t || !t->isNumber()) return fail(here + " has no NS.time");
            return Date(*t->asReal());
        }
        if (cls == "NSNull") return {};
        return fail(here + " is of class " + cls + ", which is not a plain value");
    }

    const PropertyList::Array* arrayMember(const PropertyList::Dictionary& object, const char* key,
                                           const std::string& here) {
        const PropertyList* member = object.find(key);
        if (!member || !member->isArray()) {
            fail(here + " has no " + key);
            return nullptr;
        }
        return member->asArray();
    }

    PropertyList sized(const PropertyList& value, size_t size) {
        bytes_ += size;
        if (bytes_ > kMaxBytes) return fail("archive expands to too many bytes");
        return value;
    }

    PropertyList fail(std::string detail) {
        if (!error_) error_ = Error::corruptData(std::move(detail));
        return {};
    }

    const PropertyList::Array& objects_;
    std::vector<bool> active_;
    size_t nodes_ = 0;
    size_t bytes_ = 0;
    std::optional<Error> error_;
};

}  // namespace

Result<PropertyList> KeyedArchive::archive(const PropertyList& root) {
    return Archiver().run(root);
}

Result<std::string> KeyedArchive::archivedData(const PropertyList& root) {
    auto archived = archive(root);
    if (!archived) return archived.error();
    return PropertyListSerialization::write(*archived, PropertyListFormat::Binary);
}

Result<PropertyList> KeyedArchive::unarchive(const PropertyList& archive) {
    if (!archive.isDictionary()) return Error::corruptData("archive is not a dictionary");
    const PropertyList* archiver = archive.get("$archiver");
    if (!archiver || !archiver->isString() || *archiver->asString() != kArchiver)
        return Error::corruptData("archive is not from NSKeyedArchiver");
    const PropertyList* version = archive.get("$version");
    if (!version || version->asInteger() != kVersion)
        return Error::corruptData("unsupported archive version");
    const PropertyList* top = archive.get("$top");
    const PropertyList* root = top ? top->get("root") : nullptr;
    if (!root) return Error::corruptData("archive has no root object");
    const PropertyList* objects = archive.get("$objects");
    if (!objects || !objects->isArray() || objects->asArray()->empty() ||
        (*objects->asArray())[0] != PropertyList(kNullObject))
        return Error::corruptData("archive has no object table");
    return Unarchiver(*objects->asArray()).run(*root);
}

Result<PropertyList> KeyedArchive::unarchiveData(std::string_view bytes) {
    auto plist = PropertyListSerialization::read(bytes);
    if (!plist)
        return Error::corruptData("not a property list: " + plist.error().debugDescription());
    return unarchive(*plist);
}

}  // namespace platform
