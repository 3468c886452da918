#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/coding/RtfDocument.h"
#include "platform/core/Result.h"

namespace platform {

// RTFD: a folder (named *.rtfd) holding TXT.rtf and the files of its attachments, which the RTF
// names in NeXT graphic groups. The flat form is the same files in one blob, for the pasteboard.
class Rtfd {
  public:
    static constexpr std::string_view kTextFileName = "TXT.rtf";
    // The largest folder or blob read (RTF and attachments together).
    static constexpr size_t kMaxSize = size_t{256} << 20;

    // Attachment characters get their file's data; one that can't be read as a file (missing,
    // a folder, a symbolic link) gives an attachment without data, named, so writing keeps the
    // reference and carries the old item over.
    static Result<RtfDocument> read(const std::filesystem::path& folder);
    // Writes a sibling temporary folder, then renames it over `folder`, so readers see the old
    // or the new document and never a half-written one. Attachments are written under their
    // file names (made unique and safe when needed).
    static Status write(const std::filesystem::path& folder, const AttributedString& text,
                        const DocumentAttributes& document = {});

    // The flat form (com.apple.flat-rtfd pasteboard type), in a layout of our own: "rtfd", a
    // count, then each file's name and data, each after its 32-bit little-endian length.
    static std::string flatten(const AttributedString& text,
                               const DocumentAttributes& document = {});
    static Result<RtfDocument> readFlat(std::string_view data);
};

}  // namespace platform
