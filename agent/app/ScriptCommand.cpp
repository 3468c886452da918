#include "agent/app/ScriptCommand.h"

const std::string* ScriptCommand::stringArgument(const std::string& key) const {
    const platform::PropertyList* v = evaluatedArguments_.find(key);
    return v ? v->asString() : nullptr;
}

std::optional<bool> ScriptCommand::boolArgument(const std::string& key) const {
    const platform::PropertyList* v = evaluatedArguments_.find(key);
    return v ? v->asBoolean() : std::nullopt;
}
