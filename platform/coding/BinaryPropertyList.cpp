#include "platform/coding/BinaryPropertyList.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <limits>

#include "platform/core/Utf8.h"

namespace platform {

namespace {

// Layout: "bplist00", the objects, a table of object offsets, and a 32-byte trailer
// (6 unused bytes, offset-int size, object-ref size, object count, top object, table offset).
constexpr size_t kHeaderSize = 8;
constexpr size_t kTrailerSize = 32;

// Containers nested deeper than this are refused: recursion must stay far from the stack limit.
constexpr int kMaxDepth = 512;

// What one decoded value is charged against the budget, on top of its payload bytes.
constexpr uint64_t kValueCost = 32;
// Shared references are legal, so a small file can name the same container many times over
// ("billion laughs"). Decoding stops once the values it produced pass this budget.
constexpr uint64_t kBaseBudget = uint64_t{16} << 20;
constexpr uint64_t kBudgetPerInputByte = 64;

const char* const kWriteInvalid =
    "The data couldn\u2019t be written because it isn\u2019t in the correct format.";

enum Marker : uint8_t {
    kFalse = 0x08,
    kTrue = 0x09,
    kInt = 0x10,
    kReal = 0x20,
    kDate = 0x33,
    kData = 0x40,
    kAscii = 0x50,
    kUtf16 = 0x60,
    kUid = 0x80,
    kArray = 0xA0,
    kSet = 0xC0,
    kDict = 0xD0,
};

Error corrupt(std::string detail) {
    return Error::corruptData("binary property list: " + detail, Error::kPropertyListReadCorrupt);
}

class Reader {
  public:
    explicit Reader(std::string_view bytes)
        : p_(reinterpret_cast<const uint8_t*>(bytes.data())), size_(bytes.size()) {}

    Result<PropertyList> run() {
        if (!readTrailer()) return corrupt(error_);
        budget_ = kBaseBudget + kBudgetPerInputByte * size_;
        onPath_.assign(numObjects_, 0);
        PropertyList top;
        if (!readObject(top_, 0, top)) return corrupt(error_);
        return top;
    }

  private:
    bool fail(std::string detail) {
        error_ = std::move(detail);
        return false;
    }

    uint64_t be(size_t pos, size_t n) const {
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) v = (v << 8) | p_[pos + i];
        return v;
    }

    bool readTrailer() {
        if (size_ < kHeaderSize + 1 + 1 + kTrailerSize)
            return fail("file of " + std::to_string(size_) + " bytes is too short");
        if (std::memcmp(p_, BinaryPropertyList::kMagic.data(), kHeaderSize) != 0)
            return fail("missing \"bplist00\" header");
        const size_t t = size_ - kTrailerSize;
        offsetSize_ = p_[t + 6];
        refSize_ = p_[t + 7];
        numObjects_ = be(t + 8, 8);
        top_ = be(t + 16, 8);
        tableOffset_ = be(t + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
            return fail("trailer: offset size " + std::to_string(offsetSize_) + ", ref size " +
                        std::to_string(refSize_));
        if (tableOffset_ <= kHeaderSize || tableOffset_ >= t)
            return fail("trailer: offset table at " + std::to_string(tableOffset_) +
                        " outside the file");
        if (numObjects_ == 0 || numObjects_ > (t - tableOffset_) / offsetSize_)
            return fail("trailer: " + std::to_string(numObjects_) +
                        " objects do not fit the offset table");
        if (top_ >= numObjects_)
            return fail("trailer: top object " + std::to_string(top_) + " out of range");
        return true;
    }

    bool charge(uint64_t cost) {
        if (cost > budget_) return fail("decoded values exceed the size limit");
        budget_ -= cost;
        return true;
    }

    // Offset of object `ref`, checked to lie in the object area.
    bool objectOffset(uint64_t ref, size_t& offset) {
        if (ref >= numObjects_)
            return fail("object reference " + std::to_string(ref) + " out of range (" +
                        std::to_string(numObjects_) + " objects)");
        const uint64_t off = be(tableOffset_ + ref * offsetSize_, offsetSize_);
        if (off < kHeaderSize || off >= tableOffset_)
            return fail("object " + std::to_string(ref) + " at offset " + std::to_string(off) +
                        " outside the object area");
        offset = off;
        return true;
    }

    // Bytes left in the object area from `pos`.
    size_t room(size_t pos) const { return tableOffset_ - pos; }

    // A container or string length: the low nibble, or 0xF and an integer object after it.
    bool readCount(uint8_t marker, size_t& pos, uint64_t& count) {
        if ((marker & 0x0F) != 0x0F) {
            count = marker & 0x0F;
            return true;
        }
        if (room(pos) < 1 || (p_[pos] & 0xF0) != kInt || (p_[pos] & 0x0F) > 3)
            return fail("bad length at offset " + std::to_string(pos));
        const size_t n = size_t{1} << (p_[pos] & 0x0F);
        if (room(pos + 1) < n) return fail("truncated length at offset " + std::to_string(pos));
        count = be(pos + 1, n);
        if (n == 8 && count > uint64_t(std::numeric_limits<int64_t>::max()))
            return fail("negative length at offset " + std::to_string(pos));
        pos += 1 + n;
        return true;
    }

    bool readString(uint8_t marker, size_t pos, std::string& out) {
        uint64_t count;
        if (!readCount(marker, pos, count)) return false;
        if ((marker & 0xF0) == kAscii) {
            if (count > room(pos)) return fail("string at " + std::to_string(pos) + " truncated");
            if (!charge(count)) return false;
            out.assign(reinterpret_cast<const char*>(p_ + pos), count);
            for (unsigned char c : out)
                if (c >= 0x80)
                    return fail("non-ASCII byte in ASCII string at " + std::to_string(pos));
            return true;
        }
        if (count > room(pos) / 2) return fail("string at " + std::to_string(pos) + " truncated");
        if (!charge(count * 2)) return false;
        out.clear();
        out.reserve(count * 2);
        const std::string_view units(reinterpret_cast<const char*>(p_ + pos), count * 2);
        if (!Utf8::appendUtf16(out, units, std::endian::big))
            return fail("unpaired surrogate in string at " + std::to_string(pos));
        return true;
    }

    bool readInteger(uint8_t marker, size_t pos, int64_t& out) {
        const unsigned sizeLog = marker & 0x0F;
        if (sizeLog > 4) return fail("integer of bad size at " + std::to_string(pos - 1));
        const size_t n = size_t{1} << sizeLog;
        if (room(pos) < n) return fail("integer at " + std::to_string(pos - 1) + " truncated");
        if (n < 16) {
            // One, two and four bytes are unsigned; eight are two's complement.
            out = static_cast<int64_t>(be(pos, n));
            return true;
        }
        const uint64_t hi = be(pos, 8), lo = be(pos + 8, 8);
        const bool negative = lo >> 63;
        if (hi != (negative ? ~uint64_t{0} : 0))
            return fail("128-bit integer at " + std::to_string(pos - 1) + " out of range");
        out = static_cast<int64_t>(lo);
        return true;
    }

    bool readObject(uint64_t ref, int depth, PropertyList& out) {
        size_t pos;
        if (!objectOffset(ref, pos)) return false;
        if (!charge(kValueCost)) return false;
        const uint8_t marker = p_[pos++];
        const size_t markerPos = pos - 1;
        const auto where = [ref, markerPos] {
            return " (object " + std::to_string(ref) + " at " + std::to_string(markerPos) + ")";
        };
        switch (marker & 0xF0) {
            case 0x00:
                if (marker == kFalse || marker == kTrue) {
                    out = PropertyList(marker == kTrue);
                    return true;
                }
                return fail("null or fill marker is not a property-list value" + where());
            case kInt: {
                int64_t v;
                if (!readInteger(marker, pos, v)) return false;
                out = PropertyList(static_cast<long long>(v));
                return true;
            }
            case kReal:
                if (marker == (kReal | 2) && room(pos) >= 4) {
                    out = PropertyList(double(std::bit_cast<float>(uint32_t(be(pos, 4)))));
                    return true;
                }
                if (marker == (kReal | 3) && room(pos) >= 8) {
                    out = PropertyList(std::bit_cast<double>(be(pos, 8)));
                    return true;
                }
                return fail("bad or truncated real" + where());
            case (kDate & 0xF0):
                if (marker != kDate || room(pos) < 8)
                    return fail("bad or truncated date" + where());
                out = PropertyList(Date(std::bit_cast<double>(be(pos, 8))));
                return true;
            case kData: {
                uint64_t count;
                if (!readCount(marker, pos, count)) return false;
                if (count > room(pos)) return fail("data truncated" + where());
                if (!charge(count)) return false;
                out = PropertyList(PropertyList::Data(p_ + pos, p_ + pos + count));
                return true;
            }
            case kAscii:
            case kUtf16: {
                std::string s;
                if (!readString(marker, pos, s)) return false;
                out = PropertyList(std::move(s));
                return true;
            }
            case kUid: {
                const size_t n = (marker & 0x0F) + 1;
                if (n > 8 || room(pos) < n) return fail("bad or truncated uid" + where());
                out = PropertyList(Uid{be(pos, n)});
                return true;
            }
            case kArray:
            case kSet:
            case kDict:
                return readContainer(ref, marker, pos, depth, out);
            default:
                return fail("unknown marker " + std::to_string(marker) + where());
        }
    }

    bool readContainer(uint64_t ref, uint8_t marker, size_t pos, int depth, PropertyList& out) {
        const size_t markerPos = pos - 1;
        const auto where = [ref, markerPos] {
            return " (object " + std::to_string(ref) + " at " + std::to_string(markerPos) + ")";
        };
        if (depth >= kMaxDepth) return fail("containers nested too deeply" + where());
        if (onPath_[ref]) return fail("object contains itself" + where());
        uint64_t count;
        if (!readCount(marker, pos, count)) return false;
        const bool isDict = (marker & 0xF0) == kDict;
        // Check the references fit before allocating anything for them.
        if (count > room(pos) / refSize_ / (isDict ? 2 : 1))
            return fail("count " + std::to_string(count) + " exceeds the file" + where());
        if (!charge(count * kValueCost)) return false;
        onPath_[ref] = 1;
        const bool ok =
            isDict ? readDict(pos, count, depth, out) : readArray(pos, count, depth, out);
        onPath_[ref] = 0;
        return ok;
    }

    bool readArray(size_t pos, uint64_t count, int depth, PropertyList& out) {
        PropertyList::Array items(count);
        for (uint64_t i = 0; i < count; ++i)
            if (!readObject(be(pos + i * refSize_, refSize_), depth + 1, items[i])) return false;
        out = PropertyList(std::move(items));
        return true;
    }

    bool readDict(size_t pos, uint64_t count, int depth, PropertyList& out) {
        PropertyList::Dictionary dict;
        dict.reserve(count);
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t keyRef = be(pos + i * refSize_, refSize_);
            size_t keyPos;
            if (!objectOffset(keyRef, keyPos)) return false;
            const uint8_t keyMarker = p_[keyPos];
            if ((keyMarker & 0xF0) != kAscii && (keyMarker & 0xF0) != kUtf16)
                return fail("dictionary key (object " + std::to_string(keyRef) + " at " +
                            std::to_string(keyPos) + ") is not a string");
            std::string key;
            if (!charge(kValueCost) || !readString(keyMarker, keyPos + 1, key)) return false;
            PropertyList value;
            if (!readObject(be(pos + (count + i) * refSize_, refSize_), depth + 1, value))
                return false;
            dict.set(std::move(key), std::move(value));
        }
        out = PropertyList(std::move(dict));
        return true;
    }

    const uint8_t* p_;
    size_t size_;
    unsigned offsetSize_ = 0;
    unsigned refSize_ = 0;
    uint64_t numObjects_ = 0;
    uint64_t top_ = 0;
    uint64_t tableOffset_ = 0;
    uint64_t budget_ = 0;
    std::vector<uint8_t> onPath_;  // objects on the path from the top: a repeat is a cycle
    std::string error_;
};

unsigned bytesFor(uint64_t v) {
    if (v <= 0xFF) return 1;
    if (v <= 0xFFFF) return 2;
    if (v <= 0xFFFFFFFF) return 4;
    return 8;
}

void appendBE(std::string& out, uint64_t v, unsigned n) {
    for (unsigned i = n; i-- > 0;) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void appendInt(std::string& out, int64_t v) {
    // Negative numbers always take eight bytes; the smaller sizes read as unsigned.
    const unsigned n = v < 0 ? 8 : bytesFor(static_cast<uint64_t>(v));
    out += static_cast<char>(kInt | std::countr_zero(n));
    appendBE(out, static_cast<uint64_t>(v), n);
}

void appendHeader(std::string& out, uint8_t marker, uint64_t count) {
    if (count < 15) {
        out += static_cast<char>(marker | count);
        return;
    }
    out += static_cast<char>(marker | 0x0F);
    appendInt(out, static_cast<int64_t>(count));
}

class Writer {
  public:
    Result<std::string> run(const PropertyList& value) {
        uint64_t top;
        if (!add(value, 0, top)) {
            return Error::other(kWriteInvalid,
                                "binary property list: " + error_ + " at " +
                                    (errorPath_.empty() ? "/" : errorPath_),
                                Error::kPropertyListWriteInvalid);
        }
        return layOut();
    }

  private:
    // Every object's encoding lives in one pool; containers add their references at lay-out.
    struct Object {
        size_t start;
        size_t length;
        size_t firstRef;
        size_t refCount;
    };

    bool fail(std::string detail) {
        error_ = std::move(detail);
        return false;
    }

    // The key path of a failure is put together while unwinding, so success costs nothing.
    bool failIn(std::string segment) {
        errorPath_ = std::move(segment) + errorPath_;
        return false;
    }

    std::string_view bytesOf(const Object& o) const {
        return std::string_view(pool_).substr(o.start, o.length);
    }

    // Equal scalars share one object, as the OS's writer does; the encoding is the identity.
    // The scalar has just been appended to the pool from `start`; a repeat takes it back out.
    uint64_t addScalar(size_t start) {
        if (slots_.size() < 2 * (objects_.size() + 1)) grow();
        const std::string_view bytes = std::string_view(pool_).substr(start);
        const size_t mask = slots_.size() - 1;
        for (size_t i = std::hash<std::string_view>()(bytes) & mask;; i = (i + 1) & mask) {
            if (slots_[i] == 0) {
                slots_[i] = objects_.size() + 1;
                objects_.push_back({start, bytes.size(), 0, 0});
                return objects_.size() - 1;
            }
            const Object& other = objects_[slots_[i] - 1];
            if (bytesOf(other) == bytes) {
                pool_.resize(start);
                return slots_[i] - 1;
            }
        }
    }

    // Open addressing over object indices plus one; containers are never entered.
    void grow() {
        std::vector<uint64_t> old = std::move(slots_);
        slots_.assign(std::max<size_t>(64, old.size() * 2), 0);
        const size_t mask = slots_.size() - 1;
        for (uint64_t slot : old) {
            if (slot == 0) continue;
            size_t i = std::hash<std::string_view>()(bytesOf(objects_[slot - 1])) & mask;
            while (slots_[i] != 0) i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }

    bool addString(const std::string& s, uint64_t& ref) {
        const size_t start = pool_.size();
        bool ascii = true;
        for (unsigned char c : s) ascii = ascii && c < 0x80;
        if (ascii) {
            appendHeader(pool_, kAscii, s.size());
            pool_ += s;
        } else {
            units_.clear();
            if (!Utf8::toUtf16(s, units_)) return fail("string that is not UTF-8");
            appendHeader(pool_, kUtf16, units_.size());
            for (char16_t u : units_) appendBE(pool_, u, 2);
        }
        ref = addScalar(start);
        return true;
    }

    bool add(const PropertyList& v, int depth, uint64_t& ref) {
        const size_t start = pool_.size();
        switch (v.type()) {
            case PropertyList::Type::Null:
                return fail("null value");
            case PropertyList::Type::String:
                return addString(*v.asString(), ref);
            case PropertyList::Type::Integer:
                appendInt(pool_, *v.asInteger());
                break;
            case PropertyList::Type::Real:
                pool_ += static_cast<char>(kReal | 3);
                appendBE(pool_, std::bit_cast<uint64_t>(*v.asReal()), 8);
                break;
            case PropertyList::Type::Boolean:
                pool_ += static_cast<char>(*v.asBoolean() ? kTrue : kFalse);
                break;
            case PropertyList::Type::Date:
                pool_ += static_cast<char>(kDate);
                appendBE(pool_,
                         std::bit_cast<uint64_t>(v.asDate()->timeIntervalSinceReferenceDate()), 8);
                break;
            case PropertyList::Type::Data: {
                const auto& data = *v.asData();
                appendHeader(pool_, kData, data.size());
                pool_.append(data.begin(), data.end());
                break;
            }
            case PropertyList::Type::Uid: {
                const uint64_t u = v.asUid()->value;
                const unsigned n = bytesFor(u);
                pool_ += static_cast<char>(kUid | (n - 1));
                appendBE(pool_, u, n);
                break;
            }
            case PropertyList::Type::Array:
            case PropertyList::Type::Dictionary:
                return addContainer(v, depth, ref);
        }
        ref = addScalar(start);
        return true;
    }

    bool addContainer(const PropertyList& v, int depth, uint64_t& ref) {
        if (depth >= kMaxDepth) return fail("containers nested too deeply");
        const auto* array = v.asArray();
        const auto* dict = v.asDictionary();
        const size_t count = array ? array->size() : dict->size();
        // The container comes before its children, so the top object is object 0.
        const size_t start = pool_.size();
        appendHeader(pool_, array ? kArray : kDict, count);
        ref = objects_.size();
        const size_t firstRef = refs_.size();
        const size_t refCount = array ? count : 2 * count;
        objects_.push_back({start, pool_.size() - start, firstRef, refCount});
        refs_.resize(firstRef + refCount);
        uint64_t child;
        if (array) {
            for (size_t i = 0; i < count; ++i) {
                if (!add((*array)[i], depth + 1, child))
                    return failIn("[" + std::to_string(i) + "]");
                refs_[firstRef + i] = child;
            }
        } else {
            size_t i = 0;
            for (const auto& [key, value] : *dict) {
                if (!addString(key, child)) return failIn("/" + key);
                refs_[firstRef + i] = child;
                if (!add(value, depth + 1, child)) return failIn("/" + key);
                refs_[firstRef + count + i] = child;
                ++i;
            }
        }
        return true;
    }

    std::string layOut() const {
        const unsigned refSize = bytesFor(objects_.size() - 1);
        std::string out(BinaryPropertyList::kMagic);
        out.reserve(out.size() + pool_.size() + refs_.size() * refSize + objects_.size() * 4 +
                    kTrailerSize);
        std::vector<uint64_t> offsets;
        offsets.reserve(objects_.size());
        for (const auto& object : objects_) {
            offsets.push_back(out.size());
            out += bytesOf(object);
            for (size_t i = 0; i < object.refCount; ++i)
                appendBE(out, refs_[object.firstRef + i], refSize);
        }
        const uint64_t tableOffset = out.size();
        const unsigned offsetSize = bytesFor(offsets.back());
        for (uint64_t o : offsets) appendBE(out, o, offsetSize);
        out.append(6, '\0');
        out += static_cast<char>(offsetSize);
        out += static_cast<char>(refSize);
        appendBE(out, objects_.size(), 8);
        appendBE(out, 0, 8);  // the top object is always the first
        appendBE(out, tableOffset, 8);
        return out;
    }

    std::string pool_;
    std::vector<Object> objects_;
    std::vector<uint64_t> refs_;
    std::vector<uint64_t> slots_;
    std::u16string units_;
    std::string error_;
    std::string errorPath_;
};

}  // namespace

Result<PropertyList> BinaryPropertyList::read(std::string_view bytes) {
    return Reader(bytes).run();
}

Result<std::string> BinaryPropertyList::write(const PropertyList& value) {
    return Writer().run(value);
}

}  // namespace platform
