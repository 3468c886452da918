#pragma once

#include "agent/app/ScriptCommand.h"

// Cleans the clipboard with the cleaner named by the "cleanerName" argument.
class PLCmdCleanClipboard : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
