#include "platform/events/AppleEvent.h"

#include <unordered_set>

namespace platform {

AppleEvent::AppleEvent(FourCharCode eventClass, FourCharCode eventID, std::string targetBundleID,
                       int16_t returnID, int32_t transactionID)
    : eventClass_(eventClass),
      eventID_(eventID),
      target_(std::move(targetBundleID)),
      returnID_(returnID),
      transactionID_(transactionID) {}

bool operator==(const AppleEvent& a, const AppleEvent& b) {
    return a.eventClass_ == b.eventClass_ && a.eventID_ == b.eventID_ && a.target_ == b.target_ &&
           a.returnID_ == b.returnID_ && a.transactionID_ == b.transactionID_ &&
           a.params_ == b.params_ && a.attributes_ == b.attributes_;
}

// The wire format. Integers are big-endian; descriptor data is carried as is (its numbers are
// in the byte order of the machine, which both ends share).
//
//   event       "plAE" version:u8 class:u32 id:u32 target:string returnID:i16
//               transactionID:i32 parameters:descriptor attributes:descriptor
//   descriptor  "plAD" version:u8 descriptor            (encodeDescriptor)
//   descriptor  type:u32, then by type:
//                 'list'          count:u32 descriptor*
//                 'reco', 'aevt'  count:u32 (keyword:u32 descriptor)*
//                 anything else   length:u32 bytes
//   string      length:u32 bytes
//
// Parameters and attributes are 'reco' descriptors. Nothing may follow the last descriptor.
namespace {

constexpr std::string_view kEventMagic = "plAE";
constexpr std::string_view kDescriptorMagic = "plAD";
constexpr uint8_t kVersion = 1;
// Deeper nesting is refused so decoding (and destroying what it built) cannot exhaust the stack.
constexpr int kMaxDepth = 64;
// The fewest bytes a descriptor can take (type and length), and a record field (plus keyword).
constexpr size_t kMinDescriptorSize = 8;
constexpr size_t kMinFieldSize = 12;

bool isRecordType(FourCharCode type) {
    return type == DescType::kRecord || type == DescType::kAppleEvent;
}

class Writer {
  public:
    void u8(uint8_t v) { out_ += static_cast<char>(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v >> 8));
        u8(static_cast<uint8_t>(v));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v >> 16));
        u16(static_cast<uint16_t>(v));
    }
    void raw(std::string_view bytes) { out_.append(bytes); }
    void string(std::string_view bytes) {
        u32(static_cast<uint32_t>(bytes.size()));
        raw(bytes);
    }
    void descriptor(const AppleEventDescriptor& desc) {
        u32(desc.descriptorType().value());
        if (desc.isList()) {
            u32(static_cast<uint32_t>(desc.items().size()));
            for (const auto& item : desc.items()) descriptor(item);
        } else if (desc.isRecord()) {
            u32(static_cast<uint32_t>(desc.fields().size()));
            for (const auto& [key, value] : desc.fields()) {
                u32(key.value());
                descriptor(value);
            }
        } else {
            string(desc.data());
        }
    }
    std::string take() { return std::move(out_); }

  private:
    std::string out_;
};

}  // namespace

// Reads what Writer wrote; the first failure is kept with the offset where it happened.
class AppleEventCodec::Reader {
  public:
    explicit Reader(std::string_view in) : in_(in) {}

    bool fail(const std::string& what) {
        if (!error_)
            error_ =
                Error::corruptData("Apple event at byte " + std::to_string(pos_) + ": " + what);
        return false;
    }
    const Error& error() const { return *error_; }
    size_t remaining() const { return in_.size() - pos_; }

    bool u8(uint8_t& v) {
        if (remaining() < 1) return fail("truncated");
        v = static_cast<uint8_t>(in_[pos_++]);
        return true;
    }
    bool u16(uint16_t& v) {
        uint8_t hi, lo;
        if (!u8(hi) || !u8(lo)) return false;
        v = static_cast<uint16_t>(hi << 8 | lo);
        return true;
    }
    bool u32(uint32_t& v) {
        uint16_t hi, lo;
        if (!u16(hi) || !u16(lo)) return false;
        v = static_cast<uint32_t>(hi) << 16 | lo;
        return true;
    }
    bool string(std::string& out) {
        uint32_t length;
        if (!u32(length)) return false;
        if (length > remaining())
            return fail("length " + std::to_string(length) + " runs past the end");
        out.assign(in_.substr(pos_, length));
        pos_ += length;
        return true;
    }
    bool header(std::string_view magic) {
        if (in_.substr(0, magic.size()) != magic) return fail("not an encoded Apple event");
        pos_ = magic.size();
        uint8_t version;
        if (!u8(version)) return false;
        if (version != kVersion) return fail("unknown version " + std::to_string(version));
        return true;
    }
    bool end() { return remaining() == 0 || fail(std::to_string(remaining()) + " trailing bytes"); }

    bool descriptor(AppleEventDescriptor& out, int depth) {
        if (depth > kMaxDepth) return fail("nested deeper than " + std::to_string(kMaxDepth));
        uint32_t typeValue;
        if (!u32(typeValue)) return false;
        const FourCharCode type(typeValue);
        if (type == DescType::kList) return list(out, depth);
        if (isRecordType(type)) return record(type, out, depth);
        std::string bytes;
        if (!string(bytes)) return false;
        out = AppleEventDescriptor(type, std::move(bytes));
        return true;
    }

    // Parameters and attributes.
    bool record(AppleEventDescriptor& out, int depth) {
        uint32_t type;
        if (!u32(type)) return false;
        if (FourCharCode(type) != DescType::kRecord)
            return fail("expected a record, found '" + FourCharCode(type).text() + "'");
        return record(DescType::kRecord, out, depth);
    }

  private:
    // Counts are checked against what is left before anything is allocated for them.
    bool count(uint32_t& n, size_t minSize) {
        if (!u32(n)) return false;
        if (n > remaining() / minSize)
            return fail("count " + std::to_string(n) + " runs past the end");
        return true;
    }

    bool list(AppleEventDescriptor& out, int depth) {
        uint32_t n;
        if (!count(n, kMinDescriptorSize)) return false;
        out = AppleEventDescriptor::list();
        out.items_.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            out.items_.emplace_back();
            if (!descriptor(out.items_.back(), depth + 1)) return false;
        }
        return true;
    }

    bool record(FourCharCode type, AppleEventDescriptor& out, int depth) {
        uint32_t n;
        if (!count(n, kMinFieldSize)) return false;
        out = AppleEventDescriptor(type, {});
        out.fields_.reserve(n);
        std::unordered_set<uint32_t> seen;
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t key;
            if (!u32(key)) return false;
            if (!seen.insert(key).second)
                return fail("keyword '" + FourCharCode(key).text() + "' appears twice");
            out.fields_.emplace_back(FourCharCode(key), AppleEventDescriptor());
            if (!descriptor(out.fields_.back().second, depth + 1)) return false;
        }
        return true;
    }

    std::string_view in_;
    size_t pos_ = 0;
    std::optional<Error> error_;
};

std::string AppleEventCodec::encode(const AppleEvent& event) {
    Writer w;
    w.raw(kEventMagic);
    w.u8(kVersion);
    w.u32(event.eventClass_.value());
    w.u32(event.eventID_.value());
    w.string(event.target_);
    w.u16(static_cast<uint16_t>(event.returnID_));
    w.u32(static_cast<uint32_t>(event.transactionID_));
    w.descriptor(event.params_);
    w.descriptor(event.attributes_);
    return w.take();
}

Result<AppleEvent> AppleEventCodec::decode(std::string_view bytes) {
    Reader r(bytes);
    AppleEvent event;
    uint32_t eventClass = 0, eventID = 0, transactionID = 0;
    uint16_t returnID = 0;
    if (!r.header(kEventMagic) || !r.u32(eventClass) || !r.u32(eventID) ||
        !r.string(event.target_) || !r.u16(returnID) || !r.u32(transactionID) ||
        !r.record(event.params_, 1) || !r.record(event.attributes_, 1) || !r.end())
        return r.error();
    event.eventClass_ = FourCharCode(eventClass);
    event.eventID_ = FourCharCode(eventID);
    event.returnID_ = static_cast<int16_t>(returnID);
    event.transactionID_ = static_cast<int32_t>(transactionID);
    return event;
}

std::string AppleEventCodec::encodeDescriptor(const AppleEventDescriptor& desc) {
    Writer w;
    w.raw(kDescriptorMagic);
    w.u8(kVersion);
    w.descriptor(desc);
    return w.take();
}

Result<AppleEventDescriptor> AppleEventCodec::decodeDescriptor(std::string_view bytes) {
    Reader r(bytes);
    AppleEventDescriptor desc;
    if (!r.header(kDescriptorMagic) || !r.descriptor(desc, 0) || !r.end()) return r.error();
    return desc;
}

}  // namespace platform
