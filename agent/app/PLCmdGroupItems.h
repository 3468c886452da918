#pragma once

#include "agent/app/ScriptCommand.h"

// The names, or tokens, of the items of a group named or identified by the script.
class PLCmdGroupItems : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
