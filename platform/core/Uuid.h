#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A 128-bit universally unique identifier. Like the OS's UUID(), a default-constructed one is
// new and random (version 4).
class Uuid {
  public:
    using Bytes = std::array<uint8_t, 16>;

    Uuid();
    explicit constexpr Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // 8-4-4-4-12 hexadecimal digits with hyphens, either case.
    static std::optional<Uuid> parse(std::string_view text);

    // Upper-case, "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
    std::string uuidString() const;
    const Bytes& bytes() const { return bytes_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

  private:
    Bytes bytes_{};
};

}  // namespace platform

template <>
struct std::hash<platform::Uuid> {
    size_t operator()(const platform::Uuid& uuid) const noexcept {
        uint64_t h = 1469598103934665603ull;
        for (uint8_t b : uuid.bytes()) h = (h ^ b) * 1099511628211ull;
        return static_cast<size_t>(h);
    }
};
