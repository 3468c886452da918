#include "agent/library/PL8ListData.h"

#include <string_view>
#include <type_traits>

#include "agent/library/PL8ColorTable.h"
#include "platform/coding/Decoder.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/workspace/Localization.h"

namespace {

using platform::Decoder;

bool startsWith(const std::string& s, std::string_view prefix) {
    return s.size() >= prefix.size() && std::string_view(s).substr(0, prefix.size()) == prefix;
}

// A dictionary of decoded values, read entry by entry so that a big table stays linear.
template <class F>
auto decodeDictionary(Decoder& decoder, const char* key, F decodeValue)
    -> std::unordered_map<std::string, std::invoke_result_t<F, Decoder&>> {
    std::unordered_map<std::string, std::invoke_result_t<F, Decoder&>> out;
    if (decoder.failed()) return out;
    const platform::PropertyList* member = decoder.value().get(key);
    const auto* entries = member ? member->asDictionary() : nullptr;
    if (!entries) {
        if (!member || member->isNull())
            decoder.fail(
                platform::Error::valueMissing("No value for key \"" + std::string(key) + "\""));
        else
            decoder.failBadValue(key, "expected a dictionary");
        return out;
    }
    out.reserve(entries->size());
    for (const auto& [name, value] : *entries) {
        Decoder entry(value);
        auto decoded = decodeValue(entry);
        if (entry.failed()) {
            platform::Error error = entry.error();
            error.detail = std::string(key) + "." + name + ": " + error.detail;
            decoder.fail(std::move(error));
            return {};
        }
        out.insert_or_assign(name, std::move(decoded));
    }
    return out;
}

PL8ListData::GroupInfo decodeGroupInfo(Decoder& d) {
    PL8ListData::GroupInfo info;
    info.lastModified = d.date("last-modified");
    info.uuid = d.string("uuid");
    info.name = d.string("name");
    info.datatype = d.string("datatype");
    info.list = d.stringArray("list");
    info.richlist = d.array("richlist", [](Decoder& item) {
        return PL8ListData::GroupInfo::RichlistItem{item.string("token"), item.string("hexcolor")};
    });
    return info;
}

// The first group with a special uuid, or an empty one when the lists have none.
Group findOrEmpty(const std::vector<Group>& groups, const char* uuid, std::string emptyName) {
    for (const auto& group : groups)
        if (group.uuid == uuid) return group;
    return Group(std::move(emptyName), uuid);
}

}  // namespace

platform::Result<PL8ListData> PL8ListData::fromPropertyList(const platform::PropertyList& value) {
    Decoder d(value);
    PL8ListData data;
    data.textEncoding = d.stringArray("^^TEXT-ENCODING^^");
    data.builtinListNames = d.stringArray("^^AUTOMATIC-NAMES^^");
    data.userListAllNames = d.stringArray("^^USERLISTS-ALL-NAMES^^");
    data.masterList = d.array("^^MASTER^^", decodeGroupInfo);
    data.userListNames = d.stringArray("^^USERLISTS-NAMES^^");
    data.tokenInfo = decodeDictionary(d, "^^TOKENINFO^^", [](Decoder& info) {
        return TokenInfo{info.string("name"), info.string("description")};
    });
    data.reverseTokenInfo =
        decodeDictionary(d, "^^REVERSE_TOKENINFO^^", [](Decoder& name) { return name.asString(); });
    data.formatVersion = d.integer("^^FORMAT-VERSION^^");
    data.masterNames = d.stringArray("^^MASTER-NAMES^^");
    if (d.failed()) return d.error();
    return data;
}

platform::Result<PL8ListData> PL8ListData::readFile(const std::filesystem::path& path) {
    auto plist = platform::PropertyListSerialization::readFile(path);
    if (!plist) return plist.error();
    return fromPropertyList(*plist);
}

std::string PL8ListData::normalizedUuid(const std::string& uuid) {
    if (startsWith(uuid, "##")) return uuid;
    if (startsWith(uuid, "#")) return "#" + uuid;
    return "##" + uuid;
}

SharedPurlaneData2 PL8ListData::converted() const {
    std::unordered_map<std::string_view, const GroupInfo*> lists;
    lists.reserve(masterList.size());
    for (const auto& info : masterList) lists.insert_or_assign(info.name, &info);

    // Name and description of a token; a token the file does not describe stands for both.
    auto texts = [this](const std::string& token) {
        const auto it = tokenInfo.find(token);
        return it == tokenInfo.end() ? TokenInfo{token, token} : it->second;
    };

    std::vector<Group> builtin;
    for (const auto& listName : builtinListNames) {
        const auto found = lists.find(listName);
        if (found == lists.end()) continue;
        Group group(listName, normalizedUuid(found->second->uuid));
        // The engine's own cleaners have "#" tokens; the user's custom ones in the library
        // list come again in the custom group.
        const bool library = group.uuid == Group::kLibraryUuid;
        for (const auto& token : found->second->list) {
            if (library && !startsWith(token, "#")) continue;
            const TokenInfo info = texts(token);
            group.items.push_back(makeItem(token, info.name, info.description, ItemColor::auto_));
        }
        builtin.push_back(std::move(group));
    }

    std::vector<Group> user;
    const PL8ColorTable& colors = PL8ColorTable::shared();
    for (const auto& listName : userListNames) {
        const auto found = lists.find(listName);
        if (found == lists.end()) continue;
        Group group(listName, found->second->uuid);
        for (const auto& row : found->second->richlist) {
            const TokenInfo info = texts(row.token);
            group.items.push_back(
                makeItem(row.token, info.name, info.description, colors.colorFor(row.hexcolor)));
        }
        user.push_back(std::move(group));
    }

    SharedPurlaneData2 data;
    data.builtin.library =
        findOrEmpty(builtin, Group::kLibraryUuid, platform::localized("Library", "GroupName"));
    data.user.ccleaners =
        findOrEmpty(builtin, Group::kCustomUuid, platform::localized("Custom", "GroupName"));
    for (auto& group : builtin)
        if (group.uuid != Group::kLibraryUuid) data.builtin.groups.push_back(std::move(group));
    data.user.groups = std::move(user);
    return data;
}
