#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/coding/StringEncodings.h"

// The encodings scripts may name: sorted Unicode first, then by most compatible Mac encoding,
// then by value; names resolve case-insensitively, or by the short name in brackets of a
// Western or Unicode encoding ("utf-8" for "Unicode (UTF-8)").
class TextEncodingCatalog {
  public:
    // `western` and `unicode` are the localised words the bracketed form is tried with.
    TextEncodingCatalog(std::vector<platform::StringEncoding> encodings, std::string western,
                        std::string unicode);

    const std::vector<platform::StringEncoding>& sorted() const { return sorted_; }
    // Display names in order, skipping encodings without one.
    std::vector<std::string> names() const;
    std::optional<platform::StringEncoding> resolve(const std::string& name) const;

  private:
    std::vector<platform::StringEncoding> sorted_;
    std::string western_;
    std::string unicode_;
};
