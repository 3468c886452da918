#include "platform/core/Uuid.h"

#include <sys/random.h>

#include <random>

namespace platform {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Offsets of the hyphens in the text form.
constexpr size_t kHyphens[] = {8, 13, 18, 23};
constexpr size_t kTextLength = 36;

bool isHyphenOffset(size_t i) {
    for (size_t h : kHyphens) {
        if (h == i) return true;
    }
    return false;
}

}  // namespace

Uuid::Uuid() {
    // Straight from the kernel: no generator state to share between threads or to duplicate
    // in a forked child.
    size_t filled = 0;
    while (filled < bytes_.size()) {
        const ssize_t n = getrandom(bytes_.data() + filled, bytes_.size() - filled, 0);
        if (n <= 0) break;
        filled += static_cast<size_t>(n);
    }
    if (filled < bytes_.size()) {
        std::random_device device;
        for (uint8_t& b : bytes_) b = static_cast<uint8_t>(device());
    }
    bytes_[6] = static_cast<uint8_t>((bytes_[6] & 0x0F) | 0x40);  // version 4
    bytes_[8] = static_cast<uint8_t>((bytes_[8] & 0x3F) | 0x80);  // RFC 4122 variant
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != kTextLength) return std::nullopt;
    Bytes bytes{};
    size_t out = 0;
    for (size_t i = 0; i < text.size();) {
        if (isHyphenOffset(i)) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        const int hi = hexValue(text[i]);
        const int lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0 || isHyphenOffset(i + 1)) return std::nullopt;
        bytes[out++] = static_cast<uint8_t>(hi * 16 + lo);
        i += 2;
    }
    return Uuid(bytes);
}

std::string Uuid::uuidString() const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kTextLength);
    for (size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kHex[bytes_[i] >> 4];
        text += kHex[bytes_[i] & 0xF];
    }
    return text;
}

}  // namespace platform
