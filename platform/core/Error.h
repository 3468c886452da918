#pragma once

#include <string>

namespace platform {

// An error as the OS reports it: a domain, a code and the localized description users see.
// `detail` says where things went wrong (a key path, a byte offset); it is for diagnostics only
// and never part of the localized description.
struct Error {
    std::string domain;
    int code = 0;
    std::string localizedDescription;
    std::string detail;

    // The OS's Cocoa error codes for the cases our decoders report.
    static constexpr int kFileReadNoSuchFile = 260;
    static constexpr int kFileReadUnknown = 256;
    static constexpr int kFileReadNoPermission = 257;
    static constexpr int kFileReadTooLarge = 263;
    static constexpr int kFileWriteUnknown = 512;
    static constexpr int kCoderReadCorrupt = 4864;
    static constexpr int kCoderValueNotFound = 4865;
    static constexpr int kPropertyListReadCorrupt = 3840;
    static constexpr int kPropertyListWriteInvalid = 3851;

    // Missing key or value.
    static Error valueMissing(std::string detail = {});
    // Wrong type, bad value or syntax error.
    static Error corruptData(std::string detail = {}, int code = kCoderReadCorrupt);
    // A file that does not exist; `fileName` is the last path component.
    static Error noSuchFile(const std::string& fileName, std::string detail = {});
    // Any other failure, with a description of our own.
    static Error other(std::string localizedDescription, std::string detail = {},
                       int code = kFileReadUnknown);

    // Description followed by the detail in parentheses, for logs.
    std::string debugDescription() const;
};

}  // namespace platform
