#include "agent/app/ScriptCommandDispatcher.h"

#include "agent/app/PLCmdApplyCleaner.h"
#include "agent/app/PLCmdCleanClipboard.h"
#include "agent/app/PLCmdCleanFile.h"
#include "agent/app/PLCmdCleanPasteboard.h"
#include "agent/app/PLCmdCleanText.h"
#include "agent/app/PLCmdGroupItems.h"
#include "agent/app/PLCmdGroupNames.h"
#include "agent/app/PLCmdIsValidTextEncoding.h"
#include "agent/app/PLCmdMakePlainPasteboard.h"
#include "agent/app/PLCmdNameToToken.h"
#include "agent/app/PLCmdPickCleaner.h"
#include "agent/app/PLCmdTextEncodingList.h"
#include "agent/app/PLCmdTokenToName.h"
#include "platform/events/ScriptValues.h"

using namespace platform;

namespace {

template <class T>
ScriptCommandDispatcher::Factory factory() {
    return [](ScriptCommand::Context c, std::optional<PropertyList> direct,
              PropertyList::Dictionary args) -> std::unique_ptr<ScriptCommand> {
        return std::make_unique<T>(std::move(c), std::move(direct), std::move(args));
    };
}

}  // namespace

ScriptCommandDispatcher::ScriptCommandDispatcher(ScriptingDefinition definition,
                                                 ScriptCommand::Context context)
    : definition_(std::move(definition)),
      context_(std::move(context)),
      factories_(standardFactories()) {}

std::map<std::string, ScriptCommandDispatcher::Factory>
ScriptCommandDispatcher::standardFactories() {
    return {
        {"PLCmdCleanClipboard", factory<PLCmdCleanClipboard>()},
        {"PLCmdApplyCleaner", factory<PLCmdApplyCleaner>()},
        {"PLCmdMakePlainPasteboard", factory<PLCmdMakePlainPasteboard>()},
        {"PLCmdCleanPasteboard", factory<PLCmdCleanPasteboard>()},
        {"PLCmdCleanText", factory<PLCmdCleanText>()},
        {"PLCmdCleanFile", factory<PLCmdCleanFile>()},
        {"PLCmdGroupNames", factory<PLCmdGroupNames>()},
        {"PLCmdGroupItems", factory<PLCmdGroupItems>()},
        {"PLCmdPickCleaner", factory<PLCmdPickCleaner>()},
        {"PLCmdNameToToken", factory<PLCmdNameToToken>()},
        {"PLCmdTokenToName", factory<PLCmdTokenToName>()},
        {"PLCmdTextEncodingList", factory<PLCmdTextEncodingList>()},
        {"PLCmdIsValidTextEncoding", factory<PLCmdIsValidTextEncoding>()},
    };
}

void ScriptCommandDispatcher::registerFactory(const std::string& className, Factory factory) {
    factories_[className] = std::move(factory);
}

void ScriptCommandDispatcher::install(AppleEventManager& events) {
    for (const auto& command : definition_.commands()) {
        if (!factories_.count(command.className)) continue;
        events.setEventHandler(
            command.eventClass, command.eventID,
            [this](const AppleEvent& event, AppleEvent& reply) { return handle(event, reply); });
    }
}

int ScriptCommandDispatcher::handle(const AppleEvent& event, AppleEvent& reply) {
    const auto* command = definition_.command(event.eventClass(), event.eventID());
    if (!command) return OSErr::kEventNotHandled;
    auto factory = factories_.find(command->className);
    if (factory == factories_.end()) return OSErr::kEventNotHandled;

    // Values that do not read as their declared type are left out, so the command sees them
    // as missing and answers with its neutral result, as scripts expect.
    std::optional<PropertyList> direct;
    if (command->directParameter) {
        if (const auto* d = event.paramDescriptorForKeyword(AEKeyword::kDirectObject))
            direct = ScriptValues::fromDescriptor(*d, command->directParameter->type);
    }
    PropertyList::Dictionary arguments;
    for (const auto& parameter : command->parameters) {
        const auto* d = event.paramDescriptorForKeyword(parameter.code);
        if (!d) continue;
        if (auto value = ScriptValues::fromDescriptor(*d, parameter.type))
            arguments.set(parameter.key, std::move(*value));
    }
    auto object = factory->second(context_, std::move(direct), std::move(arguments));
    if (auto result = object->performDefaultImplementation())
        reply.setParamDescriptor(AEKeyword::kDirectObject, ScriptValues::toDescriptor(*result));
    return OSErr::kNoErr;
}
