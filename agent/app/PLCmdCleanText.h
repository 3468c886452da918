#pragma once

#include "agent/app/ScriptCommand.h"

// Cleans a piece of text through a private pasteboard and returns the result.
class PLCmdCleanText : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
