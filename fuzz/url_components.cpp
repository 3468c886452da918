// URLs come from outside: the agent's URL scheme, script commands, files dropped on it.
// Whatever parses must rebuild into text that parses back to the same parts, and query items
// must survive being set again.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/Url.h"
#include "platform/core/UrlComponents.h"

using platform::Url;
using platform::UrlComponents;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// A Url made by a path operation is still a Url, and reads back as itself.
void checkUrl(const Url& url) {
    const auto again = Url::parse(url.absoluteString());
    check(again.has_value() && *again == url && again->components() == url.components());
}

void checkComponents(const UrlComponents& parts) {
    const auto text = parts.string();
    check(text.has_value());
    const auto again = UrlComponents::parse(*text);
    check(again.has_value() && *again == parts);

    const auto items = parts.queryItems();
    UrlComponents rebuilt = parts;
    rebuilt.setQueryItems(items);
    check(rebuilt.queryItems() == items);
    const auto rebuiltText = rebuilt.string();
    check(rebuiltText.has_value());
    const auto reparsed = UrlComponents::parse(*rebuiltText);
    check(reparsed.has_value() && reparsed->queryItems() == items);

    // Decoded values set back encode to something that decodes the same.
    UrlComponents plain = parts;
    plain.setUser(parts.user());
    plain.setPassword(parts.password());
    plain.setPath(parts.path());
    plain.setQuery(parts.query());
    plain.setFragment(parts.fragment());
    check(plain.user() == parts.user() && plain.password() == parts.password());
    check(plain.path() == parts.path() && plain.query() == parts.query());
    check(plain.fragment() == parts.fragment());
    if (const auto plainText = plain.string()) {
        const auto plainAgain = UrlComponents::parse(*plainText);
        check(plainAgain.has_value() && plainAgain->path() == parts.path());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto parts = UrlComponents::parse(text);
    const auto url = Url::parse(text);
    check(url.has_value() == (parts.has_value() && parts->scheme().has_value()));
    if (parts) checkComponents(*parts);

    if (url) {
        check(url->absoluteString() == text);
        (void)url->pathComponents();
        (void)url->lastPathComponent();
        (void)url->pathExtension();
        const Url standard = url->standardized();
        checkUrl(standard);
        check(standard.standardized() == standard);
        checkUrl(url->appendingPathComponent("a b/é", true));
        checkUrl(url->deletingLastPathComponent());
        checkUrl(url->appendingPathExtension("txt"));
        checkUrl(url->deletingPathExtension());
    }

    // The same bytes as a file path: always a file URL, whatever the bytes are.
    if (!text.empty() && text[0] == '/') {
        const Url file = Url::fileURLWithPath(std::string(text));
        check(file.isFileURL());
        checkUrl(file);
    }
    return 0;
}
