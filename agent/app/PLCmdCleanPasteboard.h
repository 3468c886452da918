#pragma once

#include "agent/app/ScriptCommand.h"

// Cleans a named pasteboard (the clipboard when none is named) in place.
class PLCmdCleanPasteboard : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
