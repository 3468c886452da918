#pragma once

#include "agent/app/ScriptCommand.h"

// Drops every representation of a pasteboard but its plain text.
class PLCmdMakePlainPasteboard : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
