#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/UrlComponents.h"

namespace platform {

// An absolute URL (RFC 3986): always has a scheme. The text is kept exactly as written.
//
// parse() is as strict as the OS's URL(string:) on characters (spaces and other characters
// that must be percent-encoded make it fail, as do malformed escapes) but, unlike it, refuses
// relative references: there is no base URL to resolve them against, and every caller wants
// an absolute URL. UrlComponents parses relative references.
//
// Path accessors follow the OS: path() is decoded and has no trailing slash (except "/"),
// pathComponents() starts with "/" for an absolute path. Schemes are kept as written;
// hasScheme() compares without regard to case.
class Url {
  public:
    // The empty URL, a placeholder for members that are set later; no accessor finds anything.
    Url() = default;

    static std::optional<Url> parse(std::string_view text);
    // A "file://" URL for a path: a relative path is taken from the current directory, repeated
    // slashes are merged, and what is not allowed in a path is percent-encoded (space → %20,
    // non-ASCII as UTF-8 bytes). A directory URL ends with "/".
    static Url fileURLWithPath(const std::string& path, bool isDirectory = false);
    // "~" and "~/..." from $HOME (the password database when unset), "~user/..." from that
    // user's home; anything else, and an unknown user, unchanged.
    static std::string expandTilde(const std::string& path);

    bool empty() const { return text_.empty(); }
    const std::string& absoluteString() const { return text_; }
    // What printing the URL shows.
    const std::string& description() const { return text_; }
    const UrlComponents& components() const { return parts_; }

    std::string scheme() const { return parts_.scheme().value_or(std::string()); }
    bool hasScheme(std::string_view scheme) const;
    bool isFileURL() const { return hasScheme("file"); }
    std::string host() const { return parts_.host().value_or(std::string()); }
    std::optional<int> port() const { return parts_.port(); }

    std::string path() const;
    bool hasDirectoryPath() const;
    std::vector<std::string> pathComponents() const;
    // "/" for the root, "" for an empty path.
    std::string lastPathComponent() const;
    // After the last "." of the last component; "" for none and for ".hidden".
    std::string pathExtension() const;

    // The path operations keep query and fragment. A component may hold "/" (several
    // components at once); it is encoded like a file path.
    Url appendingPathComponent(const std::string& component, bool isDirectory = false) const;
    // The root stays the root.
    Url deletingLastPathComponent() const;
    Url appendingPathExtension(const std::string& extension) const;
    Url deletingPathExtension() const;
    // Without "." segments, each ".." taking the segment before it away (RFC 3986 5.2.4).
    Url standardized() const;

    friend bool operator==(const Url& a, const Url& b) { return a.text_ == b.text_; }
    friend bool operator<(const Url& a, const Url& b) { return a.text_ < b.text_; }

  private:
    Url(std::string text, UrlComponents parts) : text_(std::move(text)), parts_(std::move(parts)) {}
    // The same URL with another percent-encoded path; *this when that makes no URL.
    Url withPercentEncodedPath(const std::string& path) const;
    std::vector<std::string> encodedSegments() const;

    std::string text_;
    UrlComponents parts_;
};

}  // namespace platform

template <>
struct std::hash<platform::Url> {
    size_t operator()(const platform::Url& url) const noexcept {
        return std::hash<std::string>()(url.absoluteString());
    }
};
