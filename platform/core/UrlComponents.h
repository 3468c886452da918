#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Url;

// One name/value pair of a query. "a=1&b&c=" gives a="1", b with no value and c="".
struct QueryItem {
    std::string name;
    std::optional<std::string> value;

    friend bool operator==(const QueryItem&, const QueryItem&) = default;
};

// A URL taken apart (RFC 3986), as the OS's URL components type does it. Unlike Url it also
// holds relative references ("a/b?c"), since it is what builds URLs piece by piece.
//
// Every part is kept percent-encoded, exactly as written; the plain accessors decode. Parsing
// refuses what the OS refuses: characters not allowed where they stand (spaces, non-ASCII,
// "[" outside a host...), malformed percent escapes ("%zz", "%4"), and, our own rule, escapes
// whose bytes are not UTF-8 — so a decoded part is always valid text.
//
// "+" stays a plus sign in queries (only HTML forms use it for space).
class UrlComponents {
  public:
    UrlComponents() = default;
    explicit UrlComponents(const Url& url);

    static std::optional<UrlComponents> parse(std::string_view text);

    // The parts, decoded. Missing and empty differ: "x:?" has an empty query, "x:" none.
    const std::optional<std::string>& scheme() const { return scheme_; }
    std::optional<std::string> user() const;
    std::optional<std::string> password() const;
    std::optional<std::string> host() const;
    std::optional<int> port() const { return port_; }
    std::string path() const;
    std::optional<std::string> query() const;
    std::optional<std::string> fragment() const;

    // The same, as written.
    const std::optional<std::string>& percentEncodedUser() const { return user_; }
    const std::optional<std::string>& percentEncodedPassword() const { return password_; }
    const std::optional<std::string>& percentEncodedHost() const { return host_; }
    const std::string& percentEncodedPath() const { return path_; }
    const std::optional<std::string>& percentEncodedQuery() const { return query_; }
    const std::optional<std::string>& percentEncodedFragment() const { return fragment_; }

    // True when the text has a "//" part (any of user, password, host, port).
    bool hasAuthority() const { return user_ || password_ || host_ || port_; }

    // Setters of plain values encode what needs it. Those that can refuse return false and
    // leave the part as it was: an invalid scheme, a negative port, encoded text with
    // characters or escapes that are not allowed.
    bool setScheme(std::optional<std::string> scheme);
    void setUser(const std::optional<std::string>& user);
    void setPassword(const std::optional<std::string>& password);
    // "[...]" is taken as an IP literal and kept as it is.
    void setHost(const std::optional<std::string>& host);
    bool setPort(std::optional<int> port);
    void setPath(const std::string& path);
    void setQuery(const std::optional<std::string>& query);
    void setFragment(const std::optional<std::string>& fragment);
    bool setPercentEncodedPath(const std::string& path);
    bool setPercentEncodedQuery(const std::optional<std::string>& query);
    bool setPercentEncodedFragment(const std::optional<std::string>& fragment);

    // The query split at "&" and "=" (only the first "=" of an item counts), each name and value
    // decoded. Empty when there is no query and for the empty query.
    std::vector<QueryItem> queryItems() const;
    // The first item of that name, if any.
    std::optional<QueryItem> queryItem(std::string_view name) const;
    // Encodes names and values, including "&", "=" and "#" in them, so that queryItems() gives
    // them back. No items sets no query; an empty list sets the empty query.
    void setQueryItems(const std::optional<std::vector<QueryItem>>& items);

    // The text these parts make, or nothing when they make no URL: a path that does not start
    // with "/" after a host, or a path starting with "//" without one.
    std::optional<std::string> string() const;
    // The Url, or nothing when the parts make none (see string()) or have no scheme.
    std::optional<Url> url() const;

    friend bool operator==(const UrlComponents&, const UrlComponents&) = default;

    // Percent-encoding helpers, shared with Url. `allowed` says which bytes stay as they are.
    enum class Allowed { user, host, path, pathSegment, query, queryItem, fragment };
    static std::string percentEncode(std::string_view text, Allowed allowed);
    // Nothing for a malformed escape or bytes that are not UTF-8.
    static std::optional<std::string> percentDecode(std::string_view text);

  private:
    std::optional<std::string> scheme_;
    std::optional<std::string> user_;
    std::optional<std::string> password_;
    std::optional<std::string> host_;
    std::optional<int> port_;
    std::string path_;
    std::optional<std::string> query_;
    std::optional<std::string> fragment_;
};

}  // namespace platform

// Url and UrlComponents convert into each other; including either header gives both.
#include "platform/core/Url.h"  // IWYU pragma: export
