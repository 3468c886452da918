#pragma once

#include "agent/app/ScriptCommand.h"

// The name of a cleaner token (the token itself when unknown).
class PLCmdTokenToName : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
