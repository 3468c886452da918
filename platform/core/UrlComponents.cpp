#include "platform/core/UrlComponents.h"

#include <array>
#include <cstdint>

#include "platform/core/Utf8.h"

namespace platform {

namespace {

// Character classes of RFC 3986, for ASCII only: every other byte must be percent-encoded.
enum : uint8_t {
    kUnreserved = 1 << 0,  // A-Z a-z 0-9 - . _ ~
    kSubDelim = 1 << 1,    // ! $ & ' ( ) * + , ; =
    kColon = 1 << 2,
    kAt = 1 << 3,
    kSlash = 1 << 4,
    kQuestion = 1 << 5,
};

constexpr std::array<uint8_t, 256> makeClasses() {
    std::array<uint8_t, 256> t{};
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = kUnreserved;
    for (int c = 'a'; c <= 'z'; ++c) t[c] = kUnreserved;
    for (int c = '0'; c <= '9'; ++c) t[c] = kUnreserved;
    for (unsigned char c : std::string_view("-._~")) t[c] = kUnreserved;
    for (unsigned char c : std::string_view("!$&'()*+,;=")) t[c] = kSubDelim;
    t[':'] = kColon;
    t['@'] = kAt;
    t['/'] = kSlash;
    t['?'] = kQuestion;
    return t;
}

constexpr std::array<uint8_t, 256> kClasses = makeClasses();

constexpr uint8_t kUserChars = kUnreserved | kSubDelim | kColon;
constexpr uint8_t kHostChars = kUnreserved | kSubDelim;
constexpr uint8_t kPathChars = kUnreserved | kSubDelim | kColon | kAt | kSlash;
constexpr uint8_t kQueryChars = kPathChars | kQuestion;

bool inClass(unsigned char c, uint8_t mask) {
    return (kClasses[c] & mask) != 0;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Raw text of one part: only the allowed characters and well-formed escapes of UTF-8 text.
bool validPart(std::string_view text, uint8_t allowed) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            if (text.size() - i < 3 || !isHex(text[i + 1]) || !isHex(text[i + 2])) return false;
            i += 2;
        } else if (!inClass(c, allowed)) {
            return false;
        }
    }
    return UrlComponents::percentDecode(text).has_value();
}

bool validScheme(std::string_view s) {
    if (s.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (!alpha(s[0])) return false;
    for (char c : s) {
        if (!alpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

// An IP literal with its brackets: IPv6 or "vX.…" text. Checked loosely, by character.
bool validIpLiteral(std::string_view s) {
    if (s.size() < 3 || s.front() != '[' || s.back() != ']') return false;
    for (unsigned char c : s.substr(1, s.size() - 2)) {
        if (!inClass(c, kUnreserved | kSubDelim | kColon)) return false;
    }
    return true;
}

std::optional<int> parsePort(std::string_view s, bool& ok) {
    ok = true;
    if (s.empty()) return std::nullopt;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            ok = false;
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
        if (v > INT32_MAX) {
            ok = false;
            return std::nullopt;
        }
    }
    return static_cast<int>(v);
}

std::optional<std::string> decodeOptional(const std::optional<std::string>& s) {
    if (!s) return std::nullopt;
    // Parts are checked when set, so decoding cannot fail here.
    return UrlComponents::percentDecode(*s).value_or(std::string());
}

}  // namespace

std::string UrlComponents::percentEncode(std::string_view text, Allowed allowed) {
    uint8_t mask = 0;
    std::string_view except;
    switch (allowed) {
        case Allowed::user:
        case Allowed::host:
            mask = kUnreserved | kSubDelim;
            break;
        case Allowed::path:
            // The OS leaves ";" out of paths (old path parameters).
            mask = kUnreserved | kSubDelim | kColon | kAt | kSlash;
            except = ";";
            break;
        case Allowed::pathSegment:
            mask = kUnreserved | kSubDelim | kColon | kAt;
            except = ";";
            break;
        case Allowed::query:
        case Allowed::fragment:
            mask = kQueryChars;
            break;
        case Allowed::queryItem:
            mask = kQueryChars;
            except = "&=";
            break;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (inClass(c, mask) && except.find(ch) == std::string_view::npos) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::optional<std::string> UrlComponents::percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (text.size() - i < 3 || !isHex(text[i + 1]) || !isHex(text[i + 2])) return std::nullopt;
        out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
        i += 2;
    }
    if (!Utf8::isValid(out)) return std::nullopt;
    return out;
}

std::optional<UrlComponents> UrlComponents::parse(std::string_view text) {
    UrlComponents c;
    std::string_view rest = text;

    // A ":" before any "/", "?" or "#" ends the scheme. When what precedes it is no scheme the
    // text is nothing: a relative path may not have ":" in its first segment.
    const size_t colon = rest.find(':');
    const size_t delimiter = rest.find_first_of("/?#");
    if (colon != std::string_view::npos && colon < delimiter) {
        const std::string_view scheme = rest.substr(0, colon);
        if (!validScheme(scheme)) return std::nullopt;
        c.scheme_ = std::string(scheme);
        rest.remove_prefix(colon + 1);
    }

    if (const size_t hash = rest.find('#'); hash != std::string_view::npos) {
        const std::string_view fragment = rest.substr(hash + 1);
        if (!validPart(fragment, kQueryChars)) return std::nullopt;
        c.fragment_ = std::string(fragment);
        rest = rest.substr(0, hash);
    }
    if (const size_t question = rest.find('?'); question != std::string_view::npos) {
        const std::string_view query = rest.substr(question + 1);
        if (!validPart(query, kQueryChars)) return std::nullopt;
        c.query_ = std::string(query);
        rest = rest.substr(0, question);
    }

    if (rest.starts_with("//")) {
        const size_t end = rest.find('/', 2);
        std::string_view authority = rest.substr(2, end == std::string_view::npos ? end : end - 2);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);

        if (const size_t at = authority.find('@'); at != std::string_view::npos) {
            const std::string_view userinfo = authority.substr(0, at);
            authority.remove_prefix(at + 1);
            const size_t sep = userinfo.find(':');
            const std::string_view user = userinfo.substr(0, sep);
            if (!validPart(user, kUserChars)) return std::nullopt;
            c.user_ = std::string(user);
            if (sep != std::string_view::npos) {
                const std::string_view password = userinfo.substr(sep + 1);
                if (!validPart(password, kUserChars)) return std::nullopt;
                c.password_ = std::string(password);
            }
        }

        std::string_view host;
        std::string_view port;
        bool hasPort = false;
        if (authority.starts_with('[')) {
            const size_t close = authority.find(']');
            if (close == std::string_view::npos) return std::nullopt;
            host = authority.substr(0, close + 1);
            if (!validIpLiteral(host)) return std::nullopt;
            const std::string_view after = authority.substr(close + 1);
            if (!after.empty()) {
                if (after[0] != ':') return std::nullopt;
                port = after.substr(1);
                hasPort = true;
            }
        } else {
            const size_t sep = authority.find(':');
            host = authority.substr(0, sep);
            if (!validPart(host, kHostChars)) return std::nullopt;
            if (sep != std::string_view::npos) {
                port = authority.substr(sep + 1);
                hasPort = true;
            }
        }
        c.host_ = std::string(host);
        if (hasPort) {
            bool ok = false;
            c.port_ = parsePort(port, ok);
            if (!ok) return std::nullopt;
        }
    }

    if (!validPart(rest, kPathChars)) return std::nullopt;
    c.path_ = std::string(rest);
    return c;
}

std::optional<std::string> UrlComponents::user() const {
    return decodeOptional(user_);
}
std::optional<std::string> UrlComponents::password() const {
    return decodeOptional(password_);
}
std::optional<std::string> UrlComponents::host() const {
    return decodeOptional(host_);
}
std::string UrlComponents::path() const {
    return percentDecode(path_).value_or(std::string());
}
std::optional<std::string> UrlComponents::query() const {
    return decodeOptional(query_);
}
std::optional<std::string> UrlComponents::fragment() const {
    return decodeOptional(fragment_);
}

bool UrlComponents::setScheme(std::optional<std::string> scheme) {
    if (scheme && !validScheme(*scheme)) return false;
    scheme_ = std::move(scheme);
    return true;
}

void UrlComponents::setUser(const std::optional<std::string>& user) {
    user_ = user ? std::optional(percentEncode(*user, Allowed::user)) : std::nullopt;
}

void UrlComponents::setPassword(const std::optional<std::string>& password) {
    password_ = password ? std::optional(percentEncode(*password, Allowed::user)) : std::nullopt;
}

void UrlComponents::setHost(const std::optional<std::string>& host) {
    if (host && validIpLiteral(*host)) {
        host_ = *host;
    } else {
        host_ = host ? std::optional(percentEncode(*host, Allowed::host)) : std::nullopt;
    }
}

bool UrlComponents::setPort(std::optional<int> port) {
    if (port && *port < 0) return false;
    port_ = port;
    return true;
}

void UrlComponents::setPath(const std::string& path) {
    path_ = percentEncode(path, Allowed::path);
}

void UrlComponents::setQuery(const std::optional<std::string>& query) {
    query_ = query ? std::optional(percentEncode(*query, Allowed::query)) : std::nullopt;
}

void UrlComponents::setFragment(const std::optional<std::string>& fragment) {
    fragment_ =
        fragment ? std::optional(percentEncode(*fragment, Allowed::fragment)) : std::nullopt;
}

bool UrlComponents::setPercentEncodedPath(const std::string& path) {
    if (!validPart(path, kPathChars)) return false;
    path_ = path;
    return true;
}

bool UrlComponents::setPercentEncodedQuery(const std::optional<std::string>& query) {
    if (query && !validPart(*query, kQueryChars)) return false;
    query_ = query;
    return true;
}

bool UrlComponents::setPercentEncodedFragment(const std::optional<std::string>& fragment) {
    if (fragment && !validPart(*fragment, kQueryChars)) return false;
    fragment_ = fragment;
    return true;
}

std::vector<QueryItem> UrlComponents::queryItems() const {
    std::vector<QueryItem> items;
    if (!query_ || query_->empty()) return items;
    std::string_view rest = *query_;
    while (true) {
        const size_t amp = rest.find('&');
        const std::string_view piece = rest.substr(0, amp);
        const size_t eq = piece.find('=');
        QueryItem item;
        item.name = percentDecode(piece.substr(0, eq)).value_or(std::string());
        if (eq != std::string_view::npos) {
            item.value = percentDecode(piece.substr(eq + 1)).value_or(std::string());
        }
        items.push_back(std::move(item));
        if (amp == std::string_view::npos) break;
        rest.remove_prefix(amp + 1);
    }
    return items;
}

std::optional<QueryItem> UrlComponents::queryItem(std::string_view name) const {
    for (auto& item : queryItems()) {
        if (item.name == name) return item;
    }
    return std::nullopt;
}

void UrlComponents::setQueryItems(const std::optional<std::vector<QueryItem>>& items) {
    if (!items) {
        query_.reset();
        return;
    }
    std::string query;
    for (size_t i = 0; i < items->size(); ++i) {
        const QueryItem& item = (*items)[i];
        if (i > 0) query += '&';
        query += percentEncode(item.name, Allowed::queryItem);
        if (item.value) {
            query += '=';
            query += percentEncode(*item.value, Allowed::queryItem);
        }
    }
    query_ = std::move(query);
}

std::optional<std::string> UrlComponents::string() const {
    std::string out;
    if (scheme_) {
        out += *scheme_;
        out += ':';
    }
    if (hasAuthority()) {
        if (!path_.empty() && path_[0] != '/') return std::nullopt;
        out += "//";
        if (user_ || password_) {
            out += user_.value_or(std::string());
            if (password_) {
                out += ':';
                out += *password_;
            }
            out += '@';
        }
        out += host_.value_or(std::string());
        if (port_) {
            out += ':';
            out += std::to_string(*port_);
        }
    } else {
        if (path_.starts_with("//")) return std::nullopt;
        // Without a scheme, a ":" in the first segment would read as one.
        if (!scheme_ && path_.substr(0, path_.find('/')).find(':') != std::string::npos) {
            return std::nullopt;
        }
    }
    out += path_;
    if (query_) {
        out += '?';
        out += *query_;
    }
    if (fragment_) {
        out += '#';
        out += *fragment_;
    }
    return out;
}

std::optional<Url> UrlComponents::url() const {
    if (!scheme_) return std::nullopt;
    const std::optional<std::string> text = string();
    if (!text) return std::nullopt;
    return Url::parse(*text);
}

UrlComponents::UrlComponents(const Url& url) : UrlComponents(url.components()) {}

}  // namespace platform
