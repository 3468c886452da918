#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/engine/PLClientProtocol.h"
#include "agent/engine/TextEncodingCatalog.h"
#include "agent/files/FileCleanerLogger.h"
#include "platform/coding/AttributedString.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Url.h"
#include "platform/pasteboard/PasteboardStore.h"
#include "platform/workspace/FileTypes.h"

// Applies a cleaner to a text file on disk: rich text (RTF, RTFD) or plain text (plain, HTML,
// Markdown, XML and extensions the caller names), cleaned by the engine through a private
// pasteboard and written back in place or under a new name in a destination folder.
class FileCleaner {
  public:
    // Per-file success lines are written from this level on; the level is fixed.
    static constexpr int kLogVerbosity = 2;

    struct Collaborators {
        PLClientProtocol& client;
        std::shared_ptr<platform::PasteboardStore> pasteboards;
        platform::FileTypes& fileTypes;
        const TextEncodingCatalog& encodings;
    };

    explicit FileCleaner(Collaborators collaborators);

    // The process-wide cleaner; set once at start-up (tests build their own).
    static FileCleaner* shared();
    static void setShared(FileCleaner* cleaner);

    // Lines go to the logger while it lives, otherwise to the system log.
    void setLogger(std::weak_ptr<FileCleanerLogger> logger) { logger_ = std::move(logger); }

    using Options = platform::PropertyList::Dictionary;

    void cleanForURL(const platform::Url& url, const Options& options);
    void cleanSingleFile(const std::string& path, const Options& options);
    std::string calcResultPath(const std::string& path, const Options& options);
    void cleanRichTextFile(const std::string& path, const std::string& cleaner,
                           const std::string& utiType, const Options& options);
    void cleanPlainTextFile(const std::string& path, const std::string& cleaner,
                            const std::string& utiType, const Options& options);
    platform::AttributedString cleanAttributedString(const platform::AttributedString& text,
                                                     const std::string& cleaner);
    std::string cleanString(const std::string& text, const std::string& cleaner);
    // The platform's string-encoding value of an encoding name: UTF-8 for none, "Automatic"
    // and names that do not resolve.
    uint32_t encodingValueFrom(const std::optional<std::string>& name) const;

    void writeLog(const std::string& line);
    // Writes only when both are there and the format has a "%@" for the parameter.
    void writeLog(const std::optional<std::string>& format,
                  const std::optional<std::string>& param1);

    // The rich and plain types, in the order they are tried.
    static const std::vector<std::string>& richTypes();
    static const std::vector<std::string>& plainTypes();

  private:
    void cleanRtfFile(const std::string& path, const std::string& cleaner,
                      const std::string& utiType, const Options& options);
    void cleanRtfdFile(const std::string& path, const std::string& cleaner,
                       const std::string& utiType);
    std::string encodingName(uint32_t encoding) const;
    // `format` with each "%@" replaced by the next argument, as the OS's formats do.
    static std::string format(const std::string& format, const std::vector<std::string>& args);

    Collaborators c_;
    std::weak_ptr<FileCleanerLogger> logger_;
};
