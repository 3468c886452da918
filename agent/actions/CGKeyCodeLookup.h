#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/MainQueue.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/input/KeyEvents.h"
#include "platform/input/KeyboardLayout.h"

// Finds the key codes that type given characters under the current keyboard layout and posts
// synthetic key presses, each followed by the key-press pause.
class CGKeyCodeLookup {
  public:
    // The four tables, built together and replaced together.
    struct Info {
        std::map<uint32_t, uint16_t> specialKeys;
        std::map<std::string, uint16_t> characterKeys;
        std::map<std::string, uint16_t> commandCharKeys;
        std::map<uint64_t, uint16_t> modifierFlagKeys;
    };

    struct Key {
        uint16_t code = 0;
        bool absent = false;
        bool command = false;
        friend bool operator==(const Key&, const Key&) = default;
    };

    static constexpr const char* kKeystrokeDelay = "KeystrokeDelay";
    // Bounds of KeystrokeDelay: a negative or huge value would make the pause meaningless or
    // overflow, so it is clamped (at most about five seconds per key press).
    static constexpr int64_t kMaxKeystrokeDelay = 50;

    CGKeyCodeLookup(platform::KeyboardLayout& layout, platform::KeyEvents& events,
                    platform::UserDefaults& defaults, platform::Clock& clock);

    // Replaces the tables with ones built from the layout as it is now.
    void rebuildTable();
    const Info& info();

    Key keyFor(const std::string& text, bool command);
    // `pid` -1 (or none) posts to the system event stream.
    void pressKey(std::optional<int> pid, const Key& key);
    // Whether keys can be posted at all on this desktop.
    bool canPostKeys() { return events_.hasEventSource(); }

    // The pause after each key press, in seconds.
    double keystrokePause() const;

  private:
    Info build();

    platform::KeyboardLayout& layout_;
    platform::KeyEvents& events_;
    platform::UserDefaults& defaults_;
    platform::Clock& clock_;
    std::unique_ptr<Info> info_;
};
