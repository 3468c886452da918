#pragma once

#include "agent/app/ScriptCommand.h"

// Applies a cleaner to the selection of the front application as the tracker knows it, as a
// hot key would: the way for desktop key bindings to reach the apply pipeline.
class PLCmdApplyCleaner : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
