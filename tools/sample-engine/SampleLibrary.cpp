#include "tools/sample-engine/SampleLibrary.h"

#include <fstream>

#include "platform/coding/Json.h"
#include "platform/coding/PropertyListSerialization.h"

using platform::PropertyList;

namespace {

constexpr const char* kUserGroupUuid = "6F1C2A4E-3B5D-4E7F-9A1B-2C3D4E5F6A7B";

PropertyList strings(const std::vector<std::string>& items) {
    PropertyList::Array out;
    for (const auto& s : items) out.emplace_back(s);
    return PropertyList(std::move(out));
}

// Temporary file, flush, rename: the agent never reads half a library.
platform::Status writeAtomically(const std::filesystem::path& path, const std::string& bytes) {
    const std::filesystem::path tmp = path.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) return platform::Error::other("Couldn't write " + tmp.string());
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec)
        return platform::Error::other("Couldn't replace " + path.string() + ": " + ec.message());
    return platform::Ok{};
}

}  // namespace

const SampleLibrary& SampleLibrary::shared() {
    static const SampleLibrary library;
    return library;
}

SampleLibrary::SampleLibrary() {
    cleaners_ = {
        {"#SCRUB", "Scrub Text", "Removes trailing blanks, collapses runs of spaces, trims."},
        {"#TRIM", "Trim Whitespace", "Removes white space at both ends."},
        {"#UPPER", "Upper Case", "MAKES EVERY LETTER UPPER CASE."},
        {"#LOWER", "Lower Case", "makes every letter lower case."},
        {"#TITLE", "Title Case", "Capitalises Every Word."},
        {"#STRAIGHTQUOTES", "Straight Quotes", "Turns curly quotes into straight ones."},
        {"#REMOVEBLANKLINES", "Remove Blank Lines", "Drops empty and blank lines."},
        {"#SORTLINES", "Sort Lines", "Sorts the lines alphabetically."},
        {"cc.shout", "Shout", "Upper case with an exclamation mark."},
        {"cc.squash", "Squash", "Removes all white space."},
    };
    library_ = {"##Library", "Library", {}};
    for (const auto& c : cleaners_)
        if (c.token.starts_with("#")) library_.rows.push_back({c.token, 0});
    custom_ = {"##Custom", "Custom", {{"cc.shout", 1}, {"cc.squash", 3}}};
    builtin_ = {
        {"##Standard",
         "Standard",
         {{"#LABEL:Whitespace", 0},
          {"#SCRUB", 2},
          {"#TRIM", 0},
          {"#SPACER", 0},
          {"#LABEL:Case", 0},
          {"#UPPER", 1},
          {"#LOWER", 0},
          {"#TITLE", 4}}},
        {"##Basic", "Basic", {{"#SCRUB", 0}, {"#UPPER", 0}, {"#LOWER", 0}}},
        {"##Lines", "Lines", {{"#REMOVEBLANKLINES", 0}, {"#SORTLINES", 6}}},
    };
    user_ = {{kUserGroupUuid, "My Cleaners", {{"#UPPER", 0}, {"cc.shout", 7}}}};
}

const SampleLibrary::Cleaner* SampleLibrary::cleaner(const std::string& token) const {
    for (const auto& c : cleaners_)
        if (c.token == token) return &c;
    return nullptr;
}

std::optional<std::string> SampleLibrary::resolve(const std::string& given) const {
    for (const auto& c : cleaners_)
        if (c.token == given || c.name == given) return c.token;
    return std::nullopt;
}

PropertyList SampleLibrary::exportGroup(const Group& group) const {
    PropertyList::Array tokens, tags;
    for (const auto& row : group.rows) {
        tokens.emplace_back(row.token);
        tags.emplace_back(row.colorTag);
    }
    return PropertyList::Dictionary{{"uuid", group.uuid},
                                    {"name", group.name},
                                    {"tokens", std::move(tokens)},
                                    {"colortags", std::move(tags)}};
}

PropertyList SampleLibrary::lookup(const std::vector<const Group*>& groups) const {
    PropertyList::Dictionary out;
    for (const Group* g : groups) {
        for (const auto& row : g->rows) {
            if (row.token.starts_with("#LABEL:")) {
                out.set(row.token, strings({row.token.substr(7), ""}));
            } else if (row.token == "#SPACER") {
                out.set(row.token, strings({"-", ""}));
            } else if (const Cleaner* c = cleaner(row.token)) {
                out.set(row.token, strings({c->name, c->desc}));
            }
        }
    }
    return PropertyList(std::move(out));
}

PropertyList SampleLibrary::builtinExport() const {
    PropertyList::Array groups;
    std::vector<const Group*> all = {&library_};
    for (const auto& g : builtin_) {
        groups.push_back(exportGroup(g));
        all.push_back(&g);
    }
    return PropertyList::Dictionary{
        {"groups", std::move(groups)}, {"special", exportGroup(library_)}, {"lookup", lookup(all)}};
}

PropertyList SampleLibrary::userExport() const {
    PropertyList::Array groups;
    std::vector<const Group*> all = {&custom_};
    for (const auto& g : user_) {
        groups.push_back(exportGroup(g));
        all.push_back(&g);
    }
    return PropertyList::Dictionary{
        {"groups", std::move(groups)}, {"special", exportGroup(custom_)}, {"lookup", lookup(all)}};
}

PropertyList SampleLibrary::legacyLists() const {
    // Built-in lists carry plain token lists; user lists rich rows with colours.
    static const char* const kHexColors[] = {"#565656", "#C8290E", "#60661F", "#005BB3",
                                             "#E19538", "#FFF87B", "#8C691F", "#782F8A"};
    const platform::Date modified = platform::Date::now();
    PropertyList::Array master;
    std::vector<std::string> builtinNames, userNames, allNames;
    auto builtinRecord = [&](const Group& g) {
        PropertyList::Array list;
        for (const auto& row : g.rows) list.emplace_back(row.token);
        // The version-8 engine stores plain words as list identifiers.
        const std::string uuid = g.uuid.starts_with("##") ? g.uuid.substr(2) : g.uuid;
        master.push_back(PropertyList::Dictionary{{"last-modified", modified},
                                                  {"uuid", uuid},
                                                  {"name", g.name},
                                                  {"datatype", "tokens"},
                                                  {"list", std::move(list)},
                                                  {"richlist", PropertyList::Array{}}});
        builtinNames.push_back(g.name);
        allNames.push_back(g.name);
    };
    builtinRecord(library_);
    for (const auto& g : builtin_) builtinRecord(g);
    builtinRecord(custom_);
    for (const auto& g : user_) {
        PropertyList::Array rich;
        for (const auto& row : g.rows)
            rich.push_back(PropertyList::Dictionary{{"token", row.token},
                                                    {"hexcolor", kHexColors[row.colorTag & 7]}});
        master.push_back(PropertyList::Dictionary{{"last-modified", modified},
                                                  {"uuid", g.uuid},
                                                  {"name", g.name},
                                                  {"datatype", "rich"},
                                                  {"list", PropertyList::Array{}},
                                                  {"richlist", std::move(rich)}});
        userNames.push_back(g.name);
        allNames.push_back(g.name);
    }
    PropertyList::Dictionary tokenInfo, reverse;
    for (const auto& c : cleaners_) {
        tokenInfo.set(c.token, PropertyList::Dictionary{{"name", c.name}, {"description", c.desc}});
        reverse.set(c.name, c.token);
    }
    return PropertyList::Dictionary{
        {"^^TEXT-ENCODING^^", strings({"Unicode (UTF-8)"})},
        {"^^AUTOMATIC-NAMES^^", strings(builtinNames)},
        {"^^USERLISTS-ALL-NAMES^^", strings(userNames)},
        {"^^MASTER^^", std::move(master)},
        {"^^USERLISTS-NAMES^^", strings(userNames)},
        {"^^TOKENINFO^^", std::move(tokenInfo)},
        {"^^REVERSE_TOKENINFO^^", std::move(reverse)},
        {"^^FORMAT-VERSION^^", 8},
        {"^^MASTER-NAMES^^", strings(allNames)},
    };
}

platform::Status SampleLibrary::writeExportPair(const std::filesystem::path& folder) const {
    for (const auto& [file, value] : {std::pair{"purlane9-groups-builtin.json", builtinExport()},
                                      std::pair{"purlane9-groups-user.json", userExport()}}) {
        auto json = platform::Json::serialize(value, /*pretty=*/true);
        if (!json.ok()) return json.error();
        if (auto s = writeAtomically(folder / file, *json); !s.ok()) return s;
    }
    return platform::Ok{};
}

platform::Status SampleLibrary::writeLegacyLists(const std::filesystem::path& folder) const {
    auto bytes = platform::PropertyListSerialization::write(legacyLists(),
                                                            platform::PropertyListFormat::Xml);
    if (!bytes.ok()) return bytes.error();
    return writeAtomically(folder / "purlane-lists.plist", *bytes);
}
