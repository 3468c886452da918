#pragma once

#include <memory>
#include <optional>
#include <string>

#include "agent/engine/PLClientProtocol.h"
#include "platform/coding/PropertyList.h"
#include "platform/pasteboard/PasteboardStore.h"

class GlobalActionsDelegate;

// One script command being performed: its direct parameter and evaluated arguments, and the
// client every command works through. Subclasses implement the body.
class ScriptCommand {
  public:
    struct Context {
        PLClientProtocol& client;
        std::shared_ptr<platform::PasteboardStore> pasteboards;
        // The apply pipeline, where the program has one.
        GlobalActionsDelegate* actions = nullptr;
    };

    ScriptCommand(Context context, std::optional<platform::PropertyList> directParameter,
                  platform::PropertyList::Dictionary evaluatedArguments)
        : context_(std::move(context)),
          directParameter_(std::move(directParameter)),
          evaluatedArguments_(std::move(evaluatedArguments)) {}
    virtual ~ScriptCommand() = default;

    // The command's result; nothing for commands without one. Commands never fail: bad or
    // missing input gives the neutral result.
    virtual std::optional<platform::PropertyList> performDefaultImplementation() = 0;

  protected:
    PLClientProtocol& client() { return context_.client; }
    GlobalActionsDelegate* actions() { return context_.actions; }
    const std::shared_ptr<platform::PasteboardStore>& pasteboards() const {
        return context_.pasteboards;
    }
    // The direct parameter when it is a string.
    const std::string* directString() const {
        return directParameter_ ? directParameter_->asString() : nullptr;
    }
    const std::optional<platform::PropertyList>& directParameter() const {
        return directParameter_;
    }
    const platform::PropertyList::Dictionary& evaluatedArguments() const {
        return evaluatedArguments_;
    }
    // An evaluated argument when it is a string / a Boolean.
    const std::string* stringArgument(const std::string& key) const;
    std::optional<bool> boolArgument(const std::string& key) const;

  private:
    Context context_;
    std::optional<platform::PropertyList> directParameter_;
    platform::PropertyList::Dictionary evaluatedArguments_;
};
