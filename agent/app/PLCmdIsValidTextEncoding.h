#pragma once

#include "agent/app/ScriptCommand.h"

// Whether a name resolves to one of the text encodings.
class PLCmdIsValidTextEncoding : public ScriptCommand {
  public:
    using ScriptCommand::ScriptCommand;
    std::optional<platform::PropertyList> performDefaultImplementation() override;
};
