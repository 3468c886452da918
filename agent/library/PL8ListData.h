#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "agent/library/SharedPurlaneData2.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Date.h"
#include "platform/core/Result.h"

// The version-8 engine's list file, "purlane-lists.plist". Every key is required; the agent
// uses only the lists, their names and the token texts.
struct PL8ListData {
    // One list, built-in ("list") or the user's ("richlist").
    struct GroupInfo {
        platform::Date lastModified;
        std::string uuid;
        std::string name;
        std::string datatype;
        std::vector<std::string> list;
        struct RichlistItem {
            std::string token;
            // "#RRGGBB"
            std::string hexcolor;
        };
        std::vector<RichlistItem> richlist;
    };
    struct TokenInfo {
        std::string name;
        std::string description;
    };

    std::vector<std::string> textEncoding;
    std::vector<std::string> builtinListNames;
    std::vector<std::string> userListAllNames;
    std::vector<GroupInfo> masterList;
    std::vector<std::string> userListNames;
    std::unordered_map<std::string, TokenInfo> tokenInfo;
    std::unordered_map<std::string, std::string> reverseTokenInfo;
    int64_t formatVersion = 0;
    std::vector<std::string> masterNames;

    static platform::Result<PL8ListData> fromPropertyList(const platform::PropertyList& value);
    static platform::Result<PL8ListData> readFile(const std::filesystem::path& path);

    // The library as the version-9 files would give it: built-in lists become groups with
    // "##" uuids (the "##Library" one keeping only the engine's own tokens), user lists keep
    // their uuids and colours, and the library and custom groups are always there.
    SharedPurlaneData2 converted() const;

    // "Standard" and "#Standard" become "##Standard"; "##..." is kept.
    static std::string normalizedUuid(const std::string& uuid);
};
