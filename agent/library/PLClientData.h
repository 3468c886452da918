#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "agent/library/Group.h"
#include "agent/library/PLGroupType.h"
#include "agent/library/SharedPurlaneData2.h"

// The agent's snapshot of the engine's library. Every load is merged into it: entries are added
// or replaced, never removed, so a cleaner or group that vanished from the files can still be
// resolved. One object lives as long as the process; the client and the groups container share
// it. Main thread only.
class PLClientData {
  public:
    struct TokenData {
        std::string token;
        std::string name;
        std::string desc;
    };
    struct TokenInfo {
        // Cleaner token to its texts.
        std::unordered_map<std::string, TokenData> tokens;
        // Cleaner name to token.
        std::unordered_map<std::string, std::string> nameLookup;
    };
    struct GroupInfo {
        // Built-in groups in file order, then the library group, then the custom group.
        std::vector<std::string> builtin;
        std::vector<std::string> user;
        // Group name to uuid.
        std::unordered_map<std::string, std::string> nameLookup;
        // Group uuid to name.
        std::unordered_map<std::string, std::string> tokenLookup;
        std::unordered_map<std::string, Group> table;
    };

    PLClientData() = default;
    PLClientData(const PLClientData&) = delete;
    PLClientData& operator=(const PLClientData&) = delete;

    TokenInfo tokenInfo;
    GroupInfo groupInfo;

    // Merges one load; within it, later entries win (custom over library cleaners, user over
    // built-in groups, the library and custom groups over any other of the same name).
    void update(const SharedPurlaneData2& data);

    // The names of a selection of groups (`grouplist:`), in order; raw values outside 0 to 3
    // select nothing.
    std::vector<std::string> groupNames(int type) const;
    std::vector<std::string> groupNames(PLGroupType type) const {
        return groupNames(static_cast<int>(type));
    }

    // The group with this name, else with this uuid, else the empty "Missing" group.
    Group groupNamed(const std::string& name) const;
    // The stored group; the Standard and Library groups come with the custom cleaners appended
    // under a heading.
    std::optional<Group> groupWithUuid(const std::string& uuid) const;

    // The cleaner's name, or the token itself when unknown.
    std::string nameFor(const std::string& token) const;
    // The cleaner's token, or the name itself when unknown.
    std::string tokenFor(const std::string& name) const;
    // Tokens of the library group's rows (custom cleaners included), in order.
    std::vector<std::string> libraryTokenList() const;

  private:
    void appendCustomCleaners(Group& group) const;
};
