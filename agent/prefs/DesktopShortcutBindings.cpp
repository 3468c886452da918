#include "agent/prefs/DesktopShortcutBindings.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "agent/shortcuts/MASShortcut.h"
#include "agent/shortcuts/ShortcutNotifications.h"
#include "platform/input/ShortcutTriggers.h"

namespace {

constexpr const char* kCustomFolder =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

bool plainWord(const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) {
        return std::isalnum(c) ||
               std::string_view("_-+=:,./@%").find(static_cast<char>(c)) != std::string_view::npos;
    });
}

}  // namespace

DesktopShortcutBindings::DesktopShortcutBindings(std::string purlanectl, Run run)
    : purlanectl_(std::move(purlanectl)), run_(std::move(run)) {}

std::optional<std::string> DesktopShortcutBindings::commandLine(const Shortcut& record) const {
    const std::string program = shellQuoted(purlanectl_);
    switch (record.type) {
        case ActionType::cleantext:
            return program + " script " + shellQuoted("apply cleaner") + " " +
                   shellQuoted(record.cleaner);
        case ActionType::showpalette:
            return program + " notify " + ShortcutNotifications::kShowPopover;
        case ActionType::showmenu:
            return program + " notify " + ShortcutNotifications::kShowGroupMenu + " --object " +
                   shellQuoted(record.group);
    }
    return std::nullopt;
}

std::string DesktopShortcutBindings::shellQuoted(const std::string& word) {
    if (plainWord(word)) return word;
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string DesktopShortcutBindings::variantString(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

std::string DesktopShortcutBindings::variantStrings(const std::vector<std::string>& texts) {
    if (texts.empty()) return "@as []";
    std::string out = "[";
    for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + variantString(texts[i]);
    return out + "]";
}

std::optional<std::vector<std::string>> DesktopShortcutBindings::parseStrings(
    const std::string& printed) {
    std::string text = printed;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    if (text.rfind("@as ", 0) == 0) text.erase(0, 4);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') return std::nullopt;
    std::vector<std::string> out;
    size_t i = 1;
    const size_t end = text.size() - 1;
    auto skipSpace = [&] {
        while (i < end && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    };
    skipSpace();
    while (i < end) {
        const char quote = text[i];
        if (quote != '\'' && quote != '"') return std::nullopt;
        std::string item;
        for (++i;; ++i) {
            if (i >= end) return std::nullopt;
            if (text[i] == '\\' && i + 1 < end) {
                item += text[++i];
            } else if (text[i] == quote) {
                ++i;
                break;
            } else {
                item += text[i];
            }
        }
        out.push_back(item);
        skipSpace();
        if (i < end && text[i] == ',')
            ++i;
        else if (i < end)
            return std::nullopt;
        skipSpace();
    }
    return out;
}

std::string DesktopShortcutBindings::customPath(const Shortcut& record) {
    std::string id = record.uuid;
    std::transform(id.begin(), id.end(), id.begin(),
                   [](unsigned char c) { return std::isalnum(c) ? std::tolower(c) : '-'; });
    return std::string(kCustomFolder) + "purlane-" + id + "/";
}

std::vector<std::vector<std::string>> DesktopShortcutBindings::installCalls(
    const Shortcut& record, const std::string& name, bool bound,
    const std::vector<std::string>& installed) const {
    const auto command = commandLine(record);
    if (!command) return {};
    const MASShortcut shortcut(static_cast<int64_t>(record.keycode), record.modifiersRaw);
    const auto binding =
        bound ? platform::ShortcutTriggers::gtkAccelerator(
                    static_cast<uint16_t>(shortcut.carbonKeyCode()), shortcut.carbonFlags())
              : std::nullopt;
    const std::string path = customPath(record);
    const std::string relocated = std::string(kCustomSchema) + ":" + path;
    std::vector<std::vector<std::string>> calls = {
        {"gsettings", "set", relocated, "name", variantString(name)},
        {"gsettings", "set", relocated, "command", variantString(*command)},
        {"gsettings", "set", relocated, "binding", variantString(binding.value_or(""))},
    };
    // Listed last, so the desktop never sees an entry without its command.
    if (std::find(installed.begin(), installed.end(), path) == installed.end()) {
        std::vector<std::string> list = installed;
        list.push_back(path);
        calls.push_back({"gsettings", "set", kSchema, kListKey, variantStrings(list)});
    }
    return calls;
}

bool DesktopShortcutBindings::canInstall() {
    if (!canInstall_) {
        const auto schemas = run_ ? run_({"gsettings", "list-schemas"}) : std::nullopt;
        bool found = false;
        if (schemas) {
            std::istringstream lines(*schemas);
            for (std::string line; std::getline(lines, line);) found = found || line == kSchema;
        }
        canInstall_ = found;
    }
    return *canInstall_;
}

bool DesktopShortcutBindings::install(const Shortcut& record, const std::string& name, bool bound) {
    if (!canInstall() || !commandLine(record)) return false;
    const auto printed = run_({"gsettings", "get", kSchema, kListKey});
    const auto installed = printed ? parseStrings(*printed) : std::nullopt;
    if (!installed) return false;
    for (const auto& call : installCalls(record, name, bound, *installed))
        if (!run_(call)) return false;
    return true;
}
