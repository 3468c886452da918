#pragma once

#include "agent/app/ScriptCommand.h"

// Cleans a file: hands the file URL and every evaluated argument, as file-cleaning options, to
// the client's file hook.
class PLCmdCleanFile : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
