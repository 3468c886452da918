#include "agent/library/ExportGroupList.h"

#include "platform/coding/Json.h"

ExportGroup ExportGroup::decode(platform::Decoder& decoder) {
    ExportGroup group;
    group.uuid = decoder.string("uuid");
    group.name = decoder.string("name");
    group.tokens = decoder.stringArray("tokens");
    group.colortags =
        decoder.arrayIfPresent("colortags", [](platform::Decoder& d) { return d.asInteger(); });
    group.stars =
        decoder.arrayIfPresent("stars", [](platform::Decoder& d) { return d.asBoolean(); });
    if (decoder.failed()) return {};
    return group;
}

namespace {

// "lookup" is read entry by entry: looking every key up again in a big object would be slow.
std::unordered_map<std::string, std::vector<std::string>> decodeLookup(platform::Decoder& decoder) {
    std::unordered_map<std::string, std::vector<std::string>> lookup;
    if (decoder.failed()) return {};
    const platform::PropertyList* member = decoder.value().get("lookup");
    const auto* entries = member ? member->asDictionary() : nullptr;
    if (!entries) {
        if (!member || member->isNull())
            decoder.fail(platform::Error::valueMissing("No value for key \"lookup\""));
        else
            decoder.failBadValue("lookup", "expected an object of string arrays");
        return {};
    }
    lookup.reserve(entries->size());
    for (const auto& [token, texts] : *entries) {
        platform::Decoder entry(texts);
        auto strings = entry.asArray([](platform::Decoder& d) { return d.asString(); });
        if (entry.failed()) {
            platform::Error error = entry.error();
            error.detail = "lookup." + token + ": " + error.detail;
            decoder.fail(std::move(error));
            return {};
        }
        lookup.insert_or_assign(token, std::move(strings));
    }
    return lookup;
}

}  // namespace

ExportGroupList ExportGroupList::decode(platform::Decoder& decoder) {
    ExportGroupList list;
    list.groups =
        decoder.array("groups", [](platform::Decoder& d) { return ExportGroup::decode(d); });
    list.special =
        decoder.nested("special", [](platform::Decoder& d) { return ExportGroup::decode(d); });
    list.lookup = decodeLookup(decoder);
    if (decoder.failed()) return {};
    return list;
}

platform::Result<ExportGroupList> ExportGroupList::fromPropertyList(
    const platform::PropertyList& value) {
    platform::Decoder decoder(value, platform::Decoder::Source::json);
    ExportGroupList list = decode(decoder);
    if (decoder.failed()) return decoder.error();
    return list;
}

platform::Result<ExportGroupList> ExportGroupList::readFile(const std::filesystem::path& path) {
    auto json = platform::Json::readFile(path);
    if (!json) return json.error();
    return fromPropertyList(*json);
}

Group ExportGroupList::convert(const ExportGroup& group) const {
    Group converted(group.name, group.uuid);
    converted.items.reserve(group.tokens.size());
    for (size_t i = 0; i < group.tokens.size(); ++i) {
        const std::string& token = group.tokens[i];
        const auto entry = lookup.find(token);
        if (entry == lookup.end()) continue;
        // Rows beyond a short "colortags" array, and unknown tags, get the plain colour.
        ItemColor color = ItemColor::auto_;
        if (group.colortags && i < group.colortags->size())
            color = itemColorFromRaw((*group.colortags)[i]).value_or(ItemColor::auto_);
        // A short entry still gives a row: named by its token, with no description.
        const std::vector<std::string>& texts = entry->second;
        const std::string& name = texts.empty() ? token : texts[0];
        const std::string desc = texts.size() > 1 ? texts[1] : std::string();
        converted.items.push_back(makeItem(token, name, desc, color));
    }
    return converted;
}

std::vector<Group> ExportGroupList::convertedGroups() const {
    std::vector<Group> converted;
    converted.reserve(groups.size());
    for (const auto& group : groups) converted.push_back(convert(group));
    return converted;
}
