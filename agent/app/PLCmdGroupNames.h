#pragma once

#include "agent/app/ScriptCommand.h"

// The names of all groups, or of the built-in or user groups only.
class PLCmdGroupNames : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
