#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "agent/app/ScriptCommand.h"
#include "platform/events/AppleEventManager.h"
#include "platform/events/ScriptingDefinition.h"

// Turns incoming script events into command objects: the scripting definition names each
// command's event, its parameters and the evaluated-argument keys they fill; the command's
// result goes back in the reply's direct object.
class ScriptCommandDispatcher {
  public:
    using Factory = std::function<std::unique_ptr<ScriptCommand>(
        ScriptCommand::Context, std::optional<platform::PropertyList>,
        platform::PropertyList::Dictionary)>;

    ScriptCommandDispatcher(platform::ScriptingDefinition definition,
                            ScriptCommand::Context context);

    // The command classes of the agent, by class name.
    static std::map<std::string, Factory> standardFactories();
    void registerFactory(const std::string& className, Factory factory);

    // Installs a handler for every command of the definition whose class is known.
    void install(platform::AppleEventManager& events);
    // Decodes and performs one event; the result is placed in `reply`.
    int handle(const platform::AppleEvent& event, platform::AppleEvent& reply);

  private:
    platform::ScriptingDefinition definition_;
    ScriptCommand::Context context_;
    std::map<std::string, Factory> factories_;
};
