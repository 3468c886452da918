#include "platform/updates/Appcast.h"

#include <pugixml.hpp>

#include <cctype>
#include <charconv>
#include <cstring>

namespace platform {

namespace {

std::string_view localName(const char* qualified) {
    const char* colon = std::strrchr(qualified, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(qualified);
}

bool hasPrefix(const char* qualified) {
    return std::strchr(qualified, ':') != nullptr;
}

// The namespaced child element `name` (any prefix).
std::string namespacedChild(const pugi::xml_node& item, std::string_view name) {
    for (const auto& child : item.children())
        if (hasPrefix(child.name()) && localName(child.name()) == name) return child.text().get();
    return {};
}

std::string namespacedAttribute(const pugi::xml_node& node, std::string_view name) {
    for (const auto& attribute : node.attributes())
        if (hasPrefix(attribute.name()) && localName(attribute.name()) == name)
            return attribute.value();
    return {};
}

std::string trimmed(std::string s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

struct Token {
    bool number = false;
    std::string_view text;
};

std::vector<Token> tokens(std::string_view v) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < v.size()) {
        const unsigned char c = v[i];
        if (std::isdigit(c)) {
            size_t j = i;
            while (j < v.size() && std::isdigit(static_cast<unsigned char>(v[j]))) ++j;
            out.push_back({true, v.substr(i, j - i)});
            i = j;
        } else if (std::isalpha(c)) {
            size_t j = i;
            while (j < v.size() && std::isalpha(static_cast<unsigned char>(v[j]))) ++j;
            out.push_back({false, v.substr(i, j - i)});
            i = j;
        } else {
            ++i;  // separators only separate
        }
    }
    return out;
}

// Digit runs compared by value without overflow: leading zeros dropped, then length, then text.
int compareNumbers(std::string_view a, std::string_view b) {
    while (a.size() > 1 && a.front() == '0') a.remove_prefix(1);
    while (b.size() > 1 && b.front() == '0') b.remove_prefix(1);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

int Appcast::compareVersions(std::string_view a, std::string_view b) {
    const auto ta = tokens(a), tb = tokens(b);
    const size_t common = std::min(ta.size(), tb.size());
    for (size_t i = 0; i < common; ++i) {
        if (ta[i].number && tb[i].number) {
            if (int c = compareNumbers(ta[i].text, tb[i].text)) return c;
        } else if (ta[i].number != tb[i].number) {
            return ta[i].number ? 1 : -1;
        } else if (int c = ta[i].text.compare(tb[i].text)) {
            return c < 0 ? -1 : 1;
        }
    }
    if (ta.size() == tb.size()) return 0;
    // The longer one goes on: more numbers make it newer, letters (a pre-release) older.
    if (ta.size() > tb.size()) return ta[common].number ? 1 : -1;
    return tb[common].number ? -1 : 1;
}

Result<Appcast> Appcast::parse(std::string_view xml) {
    pugi::xml_document doc;
    const auto parsed = doc.load_buffer(xml.data(), xml.size(), pugi::parse_default);
    if (!parsed) return Error::corruptData(std::string("appcast: ") + parsed.description());
    const auto rss = doc.child("rss");
    const auto channel = rss.child("channel");
    if (!rss || !channel) return Error::corruptData("appcast: not an RSS feed");

    Appcast appcast;
    for (const auto& node : channel.children("item")) {
        AppcastItem item;
        const auto enclosure = node.child("enclosure");
        item.title = trimmed(node.child("title").text().get());
        item.description = node.child("description").text().get();
        item.version = trimmed(namespacedChild(node, "version"));
        if (item.version.empty()) item.version = trimmed(namespacedAttribute(enclosure, "version"));
        item.shortVersion = trimmed(namespacedChild(node, "shortVersionString"));
        if (item.shortVersion.empty())
            item.shortVersion = trimmed(namespacedAttribute(enclosure, "shortVersionString"));
        item.releaseNotesLink = trimmed(namespacedChild(node, "releaseNotesLink"));
        item.enclosureURL = trimmed(enclosure.attribute("url").value());
        item.enclosureType = enclosure.attribute("type").value();
        item.signature = trimmed(namespacedAttribute(enclosure, "signature"));
        const std::string length = trimmed(enclosure.attribute("length").value());
        uint64_t n = 0;
        const auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), n);
        if (!length.empty() && ec == std::errc() && end == length.data() + length.size())
            item.enclosureLength = n;
        if (item.version.empty() || item.enclosureURL.empty()) continue;
        appcast.items_.push_back(std::move(item));
    }
    return appcast;
}

std::optional<AppcastItem> Appcast::bestUpdate(
    const std::string& currentVersion, const std::optional<std::string>& skippedVersion) const {
    const AppcastItem* best = nullptr;
    for (const auto& item : items_)
        if (compareVersions(item.version, currentVersion) > 0 &&
            (!best || compareVersions(item.version, best->version) > 0))
            best = &item;
    if (!best) return std::nullopt;
    if (skippedVersion && compareVersions(best->version, *skippedVersion) <= 0) return std::nullopt;
    return *best;
}

}  // namespace platform
