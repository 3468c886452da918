#pragma once

#include <cstdint>

namespace platform {

// The OS's virtual key codes that the code names; the full set is in KeyCodeMap.
namespace VirtualKey {
constexpr uint16_t kA = 0;
constexpr uint16_t kC = 8;
constexpr uint16_t kV = 9;
constexpr uint16_t kReturn = 36;
constexpr uint16_t kTab = 48;
constexpr uint16_t kSpace = 49;
constexpr uint16_t kEscape = 53;
constexpr uint16_t kRightCommand = 54;
constexpr uint16_t kCommand = 55;
constexpr uint16_t kShift = 56;
constexpr uint16_t kCapsLock = 57;
constexpr uint16_t kOption = 58;
constexpr uint16_t kControl = 59;
constexpr uint16_t kRightShift = 60;
constexpr uint16_t kRightOption = 61;
constexpr uint16_t kRightControl = 62;
constexpr uint16_t kFunction = 63;
constexpr uint16_t kF1 = 122;
// Codes are below this.
constexpr uint16_t kCount = 128;
}  // namespace VirtualKey

}  // namespace platform
