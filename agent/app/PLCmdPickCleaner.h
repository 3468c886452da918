#pragma once

#include "agent/app/ScriptCommand.h"

// Lets the user pick a cleaner in the modal pick window; the token or name chosen, or "#CANCEL".
class PLCmdPickCleaner : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
