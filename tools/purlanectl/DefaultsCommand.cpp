// purlanectl defaults: the OS's `defaults` tool over the platform's defaults files.

#include <cctype>
#include <charconv>
#include <cmath>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/OldStylePropertyList.h"
#include "platform/coding/XmlPropertyList.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/linux/FileDefaultsStore.h"
#include "tools/purlanectl/Command.h"

using platform::PropertyList;

namespace {

void usage(std::ostream& out) {
    out << R"USAGE(Usage: purlanectl defaults read DOMAIN [KEY]
       purlanectl defaults write DOMAIN KEY [TYPE] VALUE
       purlanectl defaults write DOMAIN KEY -array [[TYPE] VALUE...]
       purlanectl defaults write DOMAIN KEY -array-add [[TYPE] VALUE...]
       purlanectl defaults write DOMAIN KEY -dict [KEY [TYPE] VALUE...]
       purlanectl defaults write DOMAIN KEY -dict-add [KEY [TYPE] VALUE...]
       purlanectl defaults delete DOMAIN [KEY]

DOMAIN is a bundle identifier (com.halvik.purlane.agent) or a suite name
(KQ4MZR7WXN.com.halvik.purlane).

read prints the whole domain, or one value: strings as they are, numbers in decimal,
booleans as 1 or 0, arrays and dictionaries as old-style property-list text.

TYPE is one of:
  -string TEXT     -int, -integer NUMBER    -float NUMBER
  -bool, -boolean  YES, NO, true, false, 1 or 0
  -data HEX        bytes in hexadecimal
Without a type the value is read as property-list text and stored with its types when it
is a whole XML property list ("<dict><key>n</key><integer>1</integer></dict>", with or
without the <?xml ...?> and <plist> around it); old-style text ("(a, b)", "{k = v;}",
"<0a0b>") gives arrays, dictionaries and data of strings; anything else is stored as a string.
A value that starts like XML but is not a property list is an error.

Nothing is written when a value is malformed.
)USAGE";
}

struct Failure {
    int status;
    std::string message;
};

bool isTypeFlag(const std::string& s) {
    return s == "-string" || s == "-int" || s == "-integer" || s == "-float" || s == "-bool" ||
           s == "-boolean" || s == "-data";
}

std::optional<PropertyList> typed(const std::string& flag, const std::string& text,
                                  std::string& error) {
    if (flag == "-string") return PropertyList(text);
    if (flag == "-int" || flag == "-integer") {
        long long v = 0;
        const char* end = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(text.data() + (text.starts_with('+') ? 1 : 0), end, v);
        if (text.empty() || ec != std::errc() || ptr != end) {
            error = "'" + text + "' is not an integer";
            return std::nullopt;
        }
        return PropertyList(v);
    }
    if (flag == "-float") {
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v)) {
            error = "'" + text + "' is not a number";
            return std::nullopt;
        }
        return PropertyList(v);
    }
    if (flag == "-bool" || flag == "-boolean") {
        std::string lower;
        for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "yes" || lower == "true" || lower == "1") return PropertyList(true);
        if (lower == "no" || lower == "false" || lower == "0") return PropertyList(false);
        error = "'" + text + "' is not a boolean (YES, NO, true, false, 1 or 0)";
        return std::nullopt;
    }
    if (flag == "-data") {
        if (text.size() % 2 != 0) {
            error = "'" + text + "' is not hexadecimal data (odd number of digits)";
            return std::nullopt;
        }
        PropertyList::Data bytes;
        for (size_t i = 0; i < text.size(); i += 2) {
            unsigned v = 0;
            auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + i + 2, v, 16);
            if (ec != std::errc() || ptr != text.data() + i + 2) {
                error = "'" + text + "' is not hexadecimal data";
                return std::nullopt;
            }
            bytes.push_back(static_cast<uint8_t>(v));
        }
        return PropertyList(std::move(bytes));
    }
    error = "unknown type '" + flag + "'";
    return std::nullopt;
}

// A value with no type flag, as the OS's tool reads it: old-style containers and data are read
// as such, a whole XML property list keeps its types, and anything else is a string. Text that
// opens like an XML element but is no property list is refused rather than stored as a string
// the reader of the key would not expect.
std::optional<PropertyList> untyped(const std::string& text, std::string& error) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return PropertyList(text);
    const char opening = text[first];
    if (opening == '(' || opening == '{' || opening == '<') {
        if (auto parsed = platform::OldStylePropertyList::read(text); parsed.ok()) return *parsed;
    }
    if (opening == '<' && first + 1 < text.size() &&
        (std::isalpha(static_cast<unsigned char>(text[first + 1])) || text[first + 1] == '?' ||
         text[first + 1] == '!')) {
        auto parsed = platform::XmlPropertyList::read(std::string_view(text).substr(first));
        if (parsed.ok()) return *parsed;
        const platform::Error& e = parsed.error();
        error = e.detail.empty() ? e.localizedDescription : e.detail;
        return std::nullopt;
    }
    return PropertyList(text);
}

// Reads "[TYPE] VALUE" at args[i], advancing i.
std::optional<PropertyList> valueAt(const std::vector<std::string>& args, size_t& i,
                                    std::string& error) {
    if (i >= args.size()) {
        error = "a value is missing";
        return std::nullopt;
    }
    if (isTypeFlag(args[i])) {
        const std::string flag = args[i++];
        if (i >= args.size()) {
            error = flag + " needs a value";
            return std::nullopt;
        }
        return typed(flag, args[i++], error);
    }
    if (args[i].size() > 1 && args[i][0] == '-' &&
        !std::isdigit(static_cast<unsigned char>(args[i][1])) && args[i][1] != '.') {
        error = "unknown type '" + args[i] + "'";
        return std::nullopt;
    }
    return untyped(args[i++], error);
}

std::string describe(const PropertyList& v) {
    if (const std::string* s = v.asString()) return *s;
    if (v.isNumber() || v.isBoolean()) return *platform::UserDefaults::coerceString(v);
    return platform::OldStylePropertyList::write(v);
}

int read(platform::FileDefaultsStore& store, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2)
        return fail(kExitUsage, "usage: defaults read DOMAIN [KEY]");
    if (auto file = store.fileForDomain(args[0]); !file.ok())
        return fail(kExitUsage, "'" + args[0] + "' is not a valid domain name");
    const auto domain = store.domain(args[0]);
    if (args.size() == 1) {
        if (domain->empty()) return fail(kExitFailure, "Domain " + args[0] + " does not exist");
        std::cout << platform::OldStylePropertyList::write(PropertyList(*domain)) << std::endl;
        return kExitOk;
    }
    const PropertyList* v = domain->find(args[1]);
    if (!v)
        return fail(kExitFailure,
                    "The domain/default pair of (" + args[0] + ", " + args[1] + ") does not exist");
    std::cout << describe(*v) << std::endl;
    return kExitOk;
}

int write(platform::FileDefaultsStore& store, const std::vector<std::string>& args) {
    if (args.size() < 3) return fail(kExitUsage, "usage: defaults write DOMAIN KEY [TYPE] VALUE");
    const std::string& domainName = args[0];
    const std::string& key = args[1];
    if (auto file = store.fileForDomain(domainName); !file.ok())
        return fail(kExitUsage, "'" + domainName + "' is not a valid domain name");

    std::string error;
    std::optional<PropertyList> value;
    size_t i = 2;
    const std::string mode = args[2];
    if (mode == "-array" || mode == "-array-add") {
        PropertyList::Array items;
        if (mode == "-array-add") {
            if (const PropertyList* old = store.domain(domainName)->find(key);
                old && old->isArray())
                items = *old->asArray();
        }
        for (++i; i < args.size();) {
            auto item = valueAt(args, i, error);
            if (!item) return fail(kExitUsage, "defaults write: " + error + "; nothing written");
            items.push_back(std::move(*item));
        }
        value = PropertyList(std::move(items));
    } else if (mode == "-dict" || mode == "-dict-add") {
        PropertyList::Dictionary dict;
        if (mode == "-dict-add") {
            if (const PropertyList* old = store.domain(domainName)->find(key);
                old && old->isDictionary())
                dict = *old->asDictionary();
        }
        for (++i; i < args.size();) {
            const std::string& k = args[i++];
            if (i >= args.size())
                return fail(kExitUsage,
                            "defaults write: key '" + k + "' has no value; nothing written");
            auto item = valueAt(args, i, error);
            if (!item) return fail(kExitUsage, "defaults write: " + error + "; nothing written");
            dict.set(k, std::move(*item));
        }
        value = PropertyList(std::move(dict));
    } else {
        value = valueAt(args, i, error);
        if (!value) return fail(kExitUsage, "defaults write: " + error + "; nothing written");
        if (i != args.size())
            return fail(kExitUsage, "defaults write: unexpected '" + args[i] +
                                        "' after the value; nothing written");
    }

    platform::Status status = store.setValue(domainName, key, std::move(value));
    if (!status.ok())
        return fail(kExitFailure,
                    "could not write " + domainName + ": " + status.error().debugDescription());
    return kExitOk;
}

int remove(platform::FileDefaultsStore& store, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2)
        return fail(kExitUsage, "usage: defaults delete DOMAIN [KEY]");
    if (auto file = store.fileForDomain(args[0]); !file.ok())
        return fail(kExitUsage, "'" + args[0] + "' is not a valid domain name");
    const auto domain = store.domain(args[0]);
    platform::Status status = platform::Status(platform::Ok{});
    if (args.size() == 1) {
        if (domain->empty()) return fail(kExitFailure, "Domain (" + args[0] + ") not found.");
        status = store.removeDomain(args[0]);
    } else {
        if (!domain->contains(args[1]))
            return fail(kExitFailure, "Domain (" + args[0] + ") key (" + args[1] + ") not found.");
        status = store.setValue(args[0], args[1], std::nullopt);
    }
    if (!status.ok())
        return fail(kExitFailure, "could not delete: " + status.error().debugDescription());
    return kExitOk;
}

}  // namespace

void helpDefaults() {
    usage(std::cout);
}

int runDefaults(const std::vector<std::string>& args) {
    if (args.empty()) {
        usage(std::cerr);
        return kExitUsage;
    }
    platform::FileDefaultsStore store(nullptr);
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "read") return read(store, rest);
    if (args[0] == "write") return write(store, rest);
    if (args[0] == "delete") return remove(store, rest);
    return fail(kExitUsage, "defaults: unknown verb '" + args[0] + "' (read, write or delete)");
}
