#pragma once

#include <optional>
#include <string>

// The sample engine's text transformations, by cleaner token. Nothing for a token it does not
// know.
std::optional<std::string> applyCleaner(const std::string& token, const std::string& text);
