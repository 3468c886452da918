#pragma once

#include "agent/app/ScriptCommand.h"

// The names of the text encodings the engine can read and write.
class PLCmdTextEncodingList : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
