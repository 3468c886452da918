#include "platform/pasteboard/PasteboardCodec.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "platform/pasteboard/PasteboardTypes.h"

namespace platform {

namespace {

// The fewest bytes an item and an entry can take, to bound counts before reserving for them.
constexpr size_t kMinItemSize = 4;
constexpr size_t kMinEntrySize = 4 + 1 + 1;
constexpr size_t kReserveLimit = 64;

Error writeError(std::string detail) {
    return Error::other(
        "The data couldn\u2019t be written because it isn\u2019t in the correct format.",
        std::move(detail), Error::kPropertyListWriteInvalid);
}

template <class T>
void put(std::string& out, T value) {
    using U = std::make_unsigned_t<T>;
    auto u = static_cast<U>(value);
    for (size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<char>(u & 0xff));
        u = static_cast<U>(u >> 8);
    }
}

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    size_t remaining() const { return bytes_.size() - pos_; }
    size_t offset() const { return pos_; }

    template <class T>
    bool get(T& value) {
        if (remaining() < sizeof(T)) return false;
        std::make_unsigned_t<T> u = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            u |= static_cast<std::make_unsigned_t<T>>(static_cast<uint8_t>(bytes_[pos_ + i]))
                 << (8 * i);
        pos_ += sizeof(T);
        value = static_cast<T>(u);
        return true;
    }
    bool take(uint64_t count, std::string_view& out) {
        if (count > remaining()) return false;
        out = bytes_.substr(pos_, static_cast<size_t>(count));
        pos_ += static_cast<size_t>(count);
        return true;
    }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

Error corrupt(const Reader& in, const std::string& what) {
    return Error::corruptData(what + " at byte " + std::to_string(in.offset()));
}

}  // namespace

Result<std::string> PasteboardCodec::encode(const PasteboardContents& contents) {
    if (contents.changeCount < 0) return writeError("negative change count");
    if (contents.items.size() > std::numeric_limits<uint32_t>::max())
        return writeError("too many items");
    size_t size = kHeaderSize;
    for (const auto& item : contents.items) {
        size += 4;
        for (const auto& e : item.entries)
            size += 4 + e.type.size() + 1 + (e.data ? 8 + e.data->size() : 0);
    }
    std::string out;
    out.reserve(size);
    out.append(kMagic);
    put(out, kVersion);
    put(out, static_cast<int64_t>(contents.changeCount));
    put(out, static_cast<uint32_t>(contents.items.size()));
    for (size_t i = 0; i < contents.items.size(); ++i) {
        const auto& entries = contents.items[i].entries;
        if (entries.size() > std::numeric_limits<uint32_t>::max())
            return writeError("too many types in item " + std::to_string(i));
        put(out, static_cast<uint32_t>(entries.size()));
        std::unordered_set<std::string_view> seen;
        for (const auto& e : entries) {
            if (!PasteboardTypes::isValid(e.type))
                return writeError("invalid type in item " + std::to_string(i));
            if (!seen.insert(e.type).second)
                return writeError("type " + e.type + " twice in item " + std::to_string(i));
            put(out, static_cast<uint32_t>(e.type.size()));
            out.append(e.type);
            put(out, static_cast<uint8_t>(e.data ? 1 : 0));
            if (e.data) {
                put(out, static_cast<uint64_t>(e.data->size()));
                out.append(*e.data);
            }
        }
    }
    return out;
}

Result<PasteboardContents> PasteboardCodec::decode(std::string_view bytes) {
    Reader in(bytes);
    std::string_view magic;
    if (!in.take(kMagic.size(), magic)) return corrupt(in, "truncated header");
    if (magic != kMagic) return Error::corruptData("not a pasteboard file");
    uint32_t version = 0;
    PasteboardContents out;
    uint32_t itemCount = 0;
    if (!in.get(version) || !in.get(out.changeCount) || !in.get(itemCount))
        return corrupt(in, "truncated header");
    if (version != kVersion)
        return Error::corruptData("unsupported pasteboard file version " + std::to_string(version));
    if (out.changeCount < 0) return Error::corruptData("negative change count");
    if (itemCount > in.remaining() / kMinItemSize) return corrupt(in, "item count too large");
    // Counts are only bounded by the bytes left; grow as entries really arrive.
    out.items.reserve(std::min<size_t>(itemCount, kReserveLimit));
    for (uint32_t i = 0; i < itemCount; ++i) {
        PasteboardItem& item = out.items.emplace_back();
        uint32_t entryCount = 0;
        if (!in.get(entryCount)) return corrupt(in, "truncated item");
        if (entryCount > in.remaining() / kMinEntrySize) return corrupt(in, "type count too large");
        item.entries.reserve(std::min<size_t>(entryCount, kReserveLimit));
        std::unordered_set<std::string_view> seen;
        for (uint32_t j = 0; j < entryCount; ++j) {
            PasteboardItem::Entry& e = item.entries.emplace_back();
            uint32_t typeLength = 0;
            std::string_view type;
            if (!in.get(typeLength)) return corrupt(in, "truncated type");
            if (typeLength == 0 || typeLength > PasteboardTypes::kMaxTypeLength)
                return corrupt(in, "bad type length");
            if (!in.take(typeLength, type)) return corrupt(in, "truncated type");
            if (!PasteboardTypes::isValid(type)) return corrupt(in, "bad type");
            if (!seen.insert(type).second) return corrupt(in, "type twice in one item");
            e.type = std::string(type);
            uint8_t hasData = 0;
            if (!in.get(hasData)) return corrupt(in, "truncated entry");
            if (hasData > 1) return corrupt(in, "bad data flag");
            if (hasData == 0) continue;
            uint64_t length = 0;
            std::string_view data;
            if (!in.get(length)) return corrupt(in, "truncated data length");
            if (!in.take(length, data)) return corrupt(in, "data longer than the file");
            e.data = std::string(data);
        }
    }
    if (in.remaining() != 0) return corrupt(in, "trailing bytes");
    return out;
}

}  // namespace platform
