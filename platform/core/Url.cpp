#include "platform/core/Url.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace platform {

namespace {

std::string decoded(std::string_view encoded) {
    return UrlComponents::percentDecode(encoded).value_or(std::string());
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// File names on Linux are bytes; URLs here hold text. Bytes that are not UTF-8 become U+FFFD.
std::string validUtf8OrReplaced(const std::string& s) {
    if (UrlComponents::percentDecode(UrlComponents::percentEncode(s, UrlComponents::Allowed::path)))
        return s;
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        // Find the longest valid sequence starting here (1 to 4 bytes).
        size_t len = 0;
        for (size_t n = 1; n <= 4 && i + n <= s.size(); ++n) {
            const std::string piece = s.substr(i, n);
            if (UrlComponents::percentDecode(
                    UrlComponents::percentEncode(piece, UrlComponents::Allowed::path))) {
                len = n;
                break;
            }
        }
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s, i, len);
            i += len;
        }
    }
    return out;
}

std::string homeOfUser(const std::string& user) {
    struct passwd pw {};
    struct passwd* found = nullptr;
    std::string buffer(16384, '\0');
    const int rc = user.empty()
                       ? getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found)
                       : getpwnam_r(user.c_str(), &pw, buffer.data(), buffer.size(), &found);
    if (rc != 0 || found == nullptr || found->pw_dir == nullptr) return {};
    return found->pw_dir;
}

// Removes "." and ".." segments (RFC 3986 5.2.4).
std::string removeDotSegments(std::string_view input) {
    std::string output;
    auto dropLastSegment = [&output] {
        const size_t slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../")) {
            input.remove_prefix(3);
            dropLastSegment();
        } else if (input == "/..") {
            input = "/";
            dropLastSegment();
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const size_t next = input.find('/', 1);
            const std::string_view segment = input.substr(0, next);
            output += segment;
            input.remove_prefix(segment.size());
        }
    }
    return output;
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
    std::optional<UrlComponents> parts = UrlComponents::parse(text);
    if (!parts || !parts->scheme()) return std::nullopt;
    return Url(std::string(text), std::move(*parts));
}

Url Url::fileURLWithPath(const std::string& path, bool isDirectory) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        std::error_code ec;
        std::string cwd = std::filesystem::current_path(ec).string();
        if (ec || cwd.empty()) cwd = "/";
        // The current directory itself is a directory.
        if (absolute.empty()) isDirectory = true;
        absolute = cwd + "/" + absolute;
    }
    std::string merged;
    merged.reserve(absolute.size());
    for (char c : absolute) {
        if (c == '/' && !merged.empty() && merged.back() == '/') continue;
        merged += c;
    }
    if (isDirectory && merged.back() != '/') merged += '/';
    const std::string text = "file://" + UrlComponents::percentEncode(validUtf8OrReplaced(merged),
                                                                      UrlComponents::Allowed::path);
    // Every byte that could make the text invalid was encoded above.
    return parse(text).value_or(Url());
}

std::string Url::expandTilde(const std::string& path) {
    if (path.empty() || path[0] != '~') return path;
    const size_t slash = path.find('/');
    const std::string user = path.substr(1, slash == std::string::npos ? slash : slash - 1);
    std::string home;
    if (user.empty()) {
        const char* env = std::getenv("HOME");
        home = env && *env ? std::string(env) : homeOfUser({});
    } else {
        home = homeOfUser(user);
    }
    if (home.empty()) return path;
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    if (slash == std::string::npos) return home;
    if (home == "/") return path.substr(slash);
    return home + path.substr(slash);
}

bool Url::hasScheme(std::string_view scheme) const {
    const std::optional<std::string>& mine = parts_.scheme();
    if (!mine || mine->size() != scheme.size()) return false;
    for (size_t i = 0; i < scheme.size(); ++i) {
        if (lower((*mine)[i]) != lower(scheme[i])) return false;
    }
    return true;
}

std::string Url::path() const {
    std::string p = parts_.path();
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

bool Url::hasDirectoryPath() const {
    const std::string& p = parts_.percentEncodedPath();
    return !p.empty() && p.back() == '/';
}

std::vector<std::string> Url::encodedSegments() const {
    std::vector<std::string> segments;
    std::string_view rest = parts_.percentEncodedPath();
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        if (slash != 0) segments.emplace_back(rest.substr(0, slash));
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return segments;
}

std::vector<std::string> Url::pathComponents() const {
    std::vector<std::string> components;
    if (parts_.percentEncodedPath().starts_with('/')) components.emplace_back("/");
    for (const std::string& segment : encodedSegments()) components.push_back(decoded(segment));
    return components;
}

std::string Url::lastPathComponent() const {
    const std::vector<std::string> segments = encodedSegments();
    if (segments.empty()) return parts_.percentEncodedPath().starts_with('/') ? "/" : "";
    return decoded(segments.back());
}

std::string Url::pathExtension() const {
    const std::vector<std::string> segments = encodedSegments();
    if (segments.empty()) return {};
    const std::string last = decoded(segments.back());
    const size_t dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    return last.substr(dot + 1);
}

Url Url::withPercentEncodedPath(const std::string& path) const {
    UrlComponents parts = parts_;
    if (!parts.setPercentEncodedPath(path)) return *this;
    return parts.url().value_or(*this);
}

Url Url::appendingPathComponent(const std::string& component, bool isDirectory) const {
    std::string encoded = UrlComponents::percentEncode(component, UrlComponents::Allowed::path);
    const size_t start = encoded.find_first_not_of('/');
    encoded.erase(0, start == std::string::npos ? encoded.size() : start);
    std::string p = parts_.percentEncodedPath();
    if (!encoded.empty()) {
        if (p.empty()) {
            if (parts_.hasAuthority()) p = "/";
        } else if (p.back() != '/') {
            p += '/';
        }
        p += encoded;
    }
    if (isDirectory && !p.empty() && p.back() != '/') p += '/';
    return withPercentEncodedPath(p);
}

Url Url::deletingLastPathComponent() const {
    const std::string& p = parts_.percentEncodedPath();
    if (p.empty() || p == "/") return *this;
    size_t end = p.size();
    while (end > 1 && p[end - 1] == '/') --end;
    const size_t slash = p.rfind('/', end - 1);
    return withPercentEncodedPath(slash == std::string::npos ? std::string()
                                                             : p.substr(0, slash + 1));
}

Url Url::appendingPathExtension(const std::string& extension) const {
    if (extension.empty()) return *this;
    std::string p = parts_.percentEncodedPath();
    const bool directory = p.size() > 1 && p.back() == '/';
    if (directory) p.pop_back();
    if (p.empty() || p.back() == '/') return *this;
    p += '.';
    p += UrlComponents::percentEncode(extension, UrlComponents::Allowed::pathSegment);
    if (directory) p += '/';
    return withPercentEncodedPath(p);
}

Url Url::deletingPathExtension() const {
    std::string p = parts_.percentEncodedPath();
    const bool directory = p.size() > 1 && p.back() == '/';
    if (directory) p.pop_back();
    const size_t slash = p.rfind('/');
    const size_t segmentStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = p.rfind('.');
    if (dot == std::string::npos || dot <= segmentStart) return *this;
    p.erase(dot);
    if (directory) p += '/';
    return withPercentEncodedPath(p);
}

Url Url::standardized() const {
    std::string p = removeDotSegments(parts_.percentEncodedPath());
    // Without a host, "//" would start one; "/." keeps it a path.
    if (!parts_.hasAuthority() && p.starts_with("//")) p.insert(0, "/.");
    return withPercentEncodedPath(p);
}

}  // namespace platform
