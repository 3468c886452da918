#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/core/Url.h"
#include "platform/pasteboard/Pasteboard.h"

class PLClientGroupsContainer;

// What every part of the agent holds as its "client": the one way to the engine and the
// library.
class PLClientProtocol {
  public:
    virtual ~PLClientProtocol() = default;

    virtual std::string nameFor(const std::string& token) = 0;
    virtual std::string tokenFor(const std::string& name) = 0;
    virtual void cleanClipboardWith(const std::string& cleaner) = 0;
    virtual void cleanPasteboardWithName(const std::string& name, const std::string& cleaner) = 0;
    virtual void cleanPasteboard(platform::Pasteboard& pasteboard, const std::string& cleaner) = 0;
    virtual std::vector<std::string> textEncodingList() = 0;
    virtual bool validateEncodingName(const std::string& name) = 0;
    virtual std::string showPickListWithStart(const std::optional<std::string>& startGroup) = 0;
    virtual void cleanWithUrl(const platform::Url& url,
                              const platform::PropertyList::Dictionary& options) = 0;
    virtual std::vector<std::string> libraryTokenList() = 0;
    virtual std::vector<std::string> grouplist(int type) = 0;
    virtual PLClientGroupsContainer& groups() = 0;
};
