#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/FourCharCode.h"
#include "platform/core/Result.h"

namespace platform {

// A program's scripting definition: the commands scripts may send it, each an Apple event
// whose class and ID are the first and last four characters of the command's code, with its
// parameters keyed by four-character codes.
class ScriptingDefinition {
  public:
    // Value types of parameters and results.
    enum class Type { Text, Boolean, Integer, Real, File, ListOfText, Any };

    struct Parameter {
        std::string name;   // as scripts write it: "as token"
        FourCharCode code;  // keyword in the event
        Type type = Type::Text;
        std::string key;  // evaluated-argument key: "asToken"
        bool optional = false;
    };
    struct DirectParameter {
        Type type = Type::Text;
        bool optional = false;
    };
    struct Command {
        std::string name;  // "clean text"
        FourCharCode eventClass;
        FourCharCode eventID;
        std::string className;  // the command object that performs it
        std::optional<DirectParameter> directParameter;
        std::vector<Parameter> parameters;
        std::optional<Type> result;

        const Parameter* parameterNamed(std::string_view name) const;
        const Parameter* parameterWithCode(FourCharCode code) const;
    };

    static Result<ScriptingDefinition> parse(std::string_view xml);
    static Result<ScriptingDefinition> readFile(const std::filesystem::path& path);

    const std::vector<Command>& commands() const { return commands_; }
    const Command* commandNamed(std::string_view name) const;
    const Command* command(FourCharCode eventClass, FourCharCode eventID) const;

    static std::optional<Type> typeNamed(std::string_view name);

  private:
    std::vector<Command> commands_;
};

}  // namespace platform
