#pragma once

#include <memory>
#include <string>

#include "platform/events/AppleEventManager.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/pasteboard/PasteboardStore.h"

// The engine's side of the protocol: cleans named pasteboards in place on request, from the
// current agent ("PL90"/"Cmd_") or, in version-8 mode, from a keyed-archived command
// ("Purl"/"plS2").
class EngineService {
  public:
    struct Faults {
        int replyDelayMs = 0;        // answer late
        bool exitOnRequest = false;  // die instead of answering
    };

    EngineService(std::shared_ptr<platform::PasteboardStore> pasteboards, Faults faults);

    void install(platform::AppleEventManager& events, bool version8);

    // Cleans the pasteboard's rich text (styles kept) or else its plain text with the cleaner
    // (token or name); an unknown cleaner or a pasteboard without text is left alone. True when the
    // pasteboard was rewritten.
    bool cleanPasteboard(const std::string& pasteboardName, const std::string& cleaner);

  private:
    // Rich text (RTF or flat RTFD) cleaned with its styles kept.
    bool cleanRichText(platform::Pasteboard& pasteboard, const std::string& token);
    int handleCommand(const platform::AppleEvent& event, platform::AppleEvent& reply);
    int handleVersion8(const platform::AppleEvent& event, platform::AppleEvent& reply);
    void beforeAnswering();

    std::shared_ptr<platform::PasteboardStore> pasteboards_;
    Faults faults_;
};
