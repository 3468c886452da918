#include "tools/sample-engine/EngineService.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/coding/KeyedArchive.h"
#include "platform/coding/RtfPasteboard.h"
#include "platform/core/Log.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/pasteboard/PasteboardTypes.h"
#include "tools/sample-engine/Cleaners.h"
#include "tools/sample-engine/SampleLibrary.h"

using namespace platform;

namespace {
constexpr FourCharCode kDataKey = FourCharCode::make("data");
}

EngineService::EngineService(std::shared_ptr<PasteboardStore> pasteboards, Faults faults)
    : pasteboards_(std::move(pasteboards)), faults_(faults) {}

void EngineService::install(AppleEventManager& events, bool version8) {
    if (version8) {
        events.setEventHandler(
            FourCharCode::make("Purl"), FourCharCode::make("plS2"),
            [this](const AppleEvent& e, AppleEvent& r) { return handleVersion8(e, r); });
    } else {
        events.setEventHandler(
            FourCharCode::make("PL90"), FourCharCode::make("Cmd_"),
            [this](const AppleEvent& e, AppleEvent& r) { return handleCommand(e, r); });
    }
}

void EngineService::beforeAnswering() {
    if (faults_.exitOnRequest) {
        log("exiting instead of answering, as asked");
        _exit(3);
    }
    if (faults_.replyDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(faults_.replyDelayMs));
}

bool EngineService::cleanPasteboard(const std::string& name, const std::string& cleaner) {
    Pasteboard pasteboard = Pasteboard::pasteboardWithName(pasteboards_, name);
    const auto token = SampleLibrary::shared().resolve(cleaner);
    if (!token) return false;
    // Rich text that does not read is cleaned as the plain text beside it.
    if (pasteboard.availableTypeFromArray(
            {std::string(PasteboardTypes::kRTFD), std::string(PasteboardTypes::kRTF)}) &&
        cleanRichText(pasteboard, *token))
        return true;
    const auto text = pasteboard.stringForType(PasteboardTypes::kString);
    if (!text) return false;
    const auto cleaned = applyCleaner(*token, *text);
    if (!cleaned) return false;
    // New contents, so the change count moves as after any write.
    pasteboard.clearContents();
    return pasteboard.setString(*cleaned, PasteboardTypes::kString);
}

bool EngineService::cleanRichText(Pasteboard& pasteboard, const std::string& token) {
    auto text = RtfPasteboard::readAttributedString(pasteboard);
    if (!text) return false;
    if (text->hasAttachments()) {
        // Run by run, so pictures stay where they are.
        bool known = true;
        text->transformRuns([&](std::u16string_view run, const TextAttributes&) {
            auto cleaned = applyCleaner(token, toUtf8(run));
            known = known && cleaned.has_value();
            return cleaned ? toUtf16(*cleaned) : std::u16string(run);
        });
        if (!known) return false;
    } else {
        // The whole text at once, so cleaners that look across styles (sorting lines, trimming)
        // see it whole; the styles follow the characters they were on.
        auto cleaned = applyCleaner(token, text->string());
        if (!cleaned) return false;
        text->replaceText(std::string_view(*cleaned));
    }
    pasteboard.clearContents();
    return RtfPasteboard::writeAttributedString(pasteboard, *text);
}

int EngineService::handleCommand(const AppleEvent& event, AppleEvent& /*reply*/) {
    beforeAnswering();
    auto text = [&](const char* key) -> std::optional<std::string> {
        const auto* d = event.paramDescriptorForKeyword(FourCharCode(std::string_view(key)));
        return d ? d->stringValue() : std::nullopt;
    };
    const auto command = text("c000");
    const auto pasteboard = text("p001");
    const auto cleaner = text("p002");
    if (command != std::optional<std::string>("cleanPasteboard") || !pasteboard || !cleaner)
        return OSErr::kParamErr;
    cleanPasteboard(*pasteboard, *cleaner);
    return OSErr::kNoErr;
}

int EngineService::handleVersion8(const AppleEvent& event, AppleEvent& reply) {
    beforeAnswering();
    const auto* data = event.paramDescriptorForKeyword(kDataKey);
    if (!data) return OSErr::kParamErr;
    auto request = KeyedArchive::unarchiveData(data->data());
    if (!request.ok() || !request->isDictionary()) return OSErr::kParamErr;
    const auto* command = request->get("command");
    const auto* name = request->get("param1");
    const auto* cleaner = request->get("param2");
    if (!command || command->asString() == nullptr ||
        *command->asString() != "cleanPasteboard:cleaner:" || !name || !name->asString() ||
        !cleaner || !cleaner->asString())
        return OSErr::kParamErr;
    const bool cleaned = cleanPasteboard(*name->asString(), *cleaner->asString());
    auto answer =
        KeyedArchive::archivedData(PropertyList(PropertyList::Dictionary{{"cleaned", cleaned}}));
    if (answer.ok())
        reply.setParamDescriptor(kDataKey, AppleEventDescriptor(DescType::kUTF8Text, *answer));
    return OSErr::kNoErr;
}
