#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// The OS's Carbon modifier bits, which hot-key registration takes.
namespace CarbonModifier {
constexpr uint32_t kCmd = 0x100;
constexpr uint32_t kShift = 0x200;
constexpr uint32_t kOption = 0x800;
constexpr uint32_t kControl = 0x1000;
}  // namespace CarbonModifier

// OS status codes of hot-key registration.
namespace HotKeyStatus {
constexpr int kNoErr = 0;
constexpr int kParamErr = -50;
// Another client holds the combination.
constexpr int kEventHotKeyExistsErr = -9878;
}  // namespace HotKeyStatus

// System-wide hot keys, as the OS's hot-key service: a registration names a virtual key code,
// Carbon modifiers and an identifier (signature and id); each press of a registered combination
// reaches the handler with that identifier, on the main queue, whichever application is in
// front.
class HotKeys {
  public:
    using Handler = std::function<void(uint32_t signature, uint32_t id)>;
    using Ref = uint64_t;

    virtual ~HotKeys() = default;
    // kNoErr and `ref` set on success; otherwise an OS status and nothing registered.
    virtual int registerHotKey(uint16_t keyCode, uint32_t carbonModifiers, uint32_t signature,
                               uint32_t id, Ref& ref) = 0;
    virtual void unregisterHotKey(Ref ref) = 0;
    // The one handler of the process; presses before one is set are dropped.
    virtual void setHandler(Handler handler) = 0;
};

// The system's own keyboard shortcuts (the OS's symbolic hot keys): combinations that another
// program already uses system-wide.
class SystemShortcuts {
  public:
    virtual ~SystemShortcuts() = default;
    // Whether an enabled system shortcut has this key code and exactly these Carbon modifiers.
    virtual bool isTaken(uint16_t keyCode, uint32_t carbonModifiers) = 0;
};

}  // namespace platform
