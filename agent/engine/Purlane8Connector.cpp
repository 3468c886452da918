#include "agent/engine/Purlane8Connector.h"

#include <cstdio>

#include "platform/coding/KeyedArchive.h"
#include "platform/core/Log.h"

using namespace platform;

namespace {
constexpr FourCharCode kPurlaneClass = FourCharCode::make("Purl");
constexpr FourCharCode kSendCommand = FourCharCode::make("plS2");
constexpr FourCharCode kDataKeyword = FourCharCode::make("data");
// Don't record, can switch layer, never interact.
constexpr int32_t kBaseMode = 0x1050;
}  // namespace

Purlane8Connector::Purlane8Connector(AppleEventManager& events, std::string appBundleID)
    : events_(events), appBundleID_(std::move(appBundleID)) {}

std::optional<PropertyList> Purlane8Connector::sendRemoteCommand(
    const std::string& command, const std::optional<std::string>& param1,
    const std::optional<std::string>& param2, bool waitForReply) {
    PropertyList::Dictionary dict;
    dict.set("command", command);
    if (param1) dict.set("param1", *param1);
    if (param2) dict.set("param2", *param2);
    auto archive = KeyedArchive::archivedData(PropertyList(std::move(dict)));
    if (!archive.ok()) return std::nullopt;

    AppleEvent event(kPurlaneClass, kSendCommand, appBundleID_);
    event.setParamDescriptor(kDataKeyword, AppleEventDescriptor(DescType::kUTF8Text, *archive));
    const int32_t mode = kBaseMode | (waitForReply ? AESendMode::kWaitReply : 0);
    AESendResult result = events_.send(event, mode, kAEDefaultTimeout);
    if (result.error != OSErr::kNoErr) {
        char line[64];
        std::snprintf(line, sizeof line, "AppleEvent Error: %d", result.error);
        log(line);
        return std::nullopt;
    }
    const AppleEventDescriptor* data = result.reply.paramDescriptorForKeyword(kDataKeyword);
    if (!data) return std::nullopt;
    // The archive's bytes travel in a 'utf8' descriptor without being text: take them as they
    // are, and coerce only descriptors of another type.
    std::optional<AppleEventDescriptor> bytes;
    if (data->descriptorType() == DescType::kUTF8Text) {
        bytes = *data;
    } else {
        bytes = data->coerceToDescriptorType(DescType::kUTF8Text);
    }
    if (!bytes || bytes->data().empty()) return std::nullopt;
    auto object = KeyedArchive::unarchiveData(bytes->data());
    if (!object.ok()) return std::nullopt;
    return *object;
}

std::optional<PropertyList> Purlane8Connector::cleanPasteboard(const Pasteboard& pasteboard,
                                                               const std::string& cleanerName) {
    return sendRemoteCommand("cleanPasteboard:cleaner:", pasteboard.name(), cleanerName);
}
