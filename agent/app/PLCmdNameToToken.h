#pragma once

#include "agent/app/ScriptCommand.h"

// The token of a cleaner name (the name itself when unknown).
class PLCmdNameToToken : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
