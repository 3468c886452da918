#include "agent/files/FileCleaner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <system_error>

#include "platform/coding/RtfPasteboard.h"
#include "platform/coding/RtfReader.h"
#include "platform/coding/RtfWriter.h"
#include "platform/coding/Rtfd.h"
#include "platform/coding/StringEncodings.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Log.h"
#include "platform/core/WholeFile.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/workspace/TypeIdentifiers.h"

using platform::PropertyList;
using platform::StringEncodings;
using platform::TypeIdentifiers;
namespace fs = std::filesystem;

namespace {

FileCleaner* gShared = nullptr;

// What a missing type shows as in a line, as the OS formats nothing.
constexpr const char* kNull = "(null)";
constexpr const char* kAutomatic = "Automatic";
// Text files are read whole; far larger ones are not text anybody cleans this way.
constexpr uint64_t kMaxTextFileSize = uint64_t{512} << 20;

// Option values of the expected type; anything else counts as missing.
const std::string* stringOption(const FileCleaner::Options& options, std::string_view key) {
    const PropertyList* v = options.find(key);
    return v ? v->asString() : nullptr;
}
bool boolOption(const FileCleaner::Options& options, std::string_view key) {
    const PropertyList* v = options.find(key);
    if (!v) return false;
    if (auto b = v->asBoolean()) return *b;
    if (auto i = v->asInteger()) return *i != 0;
    return false;
}
int64_t integerOption(const FileCleaner::Options& options, std::string_view key) {
    const PropertyList* v = options.find(key);
    if (!v) return 0;
    if (auto i = v->asInteger()) return *i;
    // Reals outside what an option can mean (and NaN) count as 0 rather than overflow.
    if (auto r = v->asReal()) return std::fabs(*r) < 1e9 ? static_cast<int64_t>(*r) : 0;
    if (const std::string* s = v->asString()) {
        try {
            return std::stoll(*s);
        } catch (...) {
            return 0;
        }
    }
    return 0;
}

std::string lowercased(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// A name's extension as the OS splits names: after the last dot, not for a leading dot.
std::string extensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return {};
    return name.substr(dot + 1);
}
std::string withoutExtension(const std::string& name) {
    const std::string ext = extensionOf(name);
    return ext.empty() ? name : name.substr(0, name.size() - ext.size() - 1);
}
std::string withExtension(const std::string& base, const std::string& ext) {
    return ext.empty() ? base : base + "." + ext;
}

}  // namespace

FileCleaner::FileCleaner(Collaborators collaborators) : c_(std::move(collaborators)) {}

FileCleaner* FileCleaner::shared() {
    return gShared;
}

void FileCleaner::setShared(FileCleaner* cleaner) {
    gShared = cleaner;
}

const std::vector<std::string>& FileCleaner::richTypes() {
    static const std::vector<std::string> types = {std::string(TypeIdentifiers::kRTFD),
                                                   std::string(TypeIdentifiers::kRTF)};
    return types;
}

const std::vector<std::string>& FileCleaner::plainTypes() {
    static const std::vector<std::string> types = {
        std::string(TypeIdentifiers::kHTML),
        std::string(TypeIdentifiers::kMarkdown),
        std::string(TypeIdentifiers::kXML),
        std::string(TypeIdentifiers::kUTF16PlainText),
        std::string(TypeIdentifiers::kUTF16ExternalPlainText),
        std::string(TypeIdentifiers::kUTF8PlainText),
        std::string(TypeIdentifiers::kPlainText),
        std::string(TypeIdentifiers::kText),
    };
    return types;
}

void FileCleaner::cleanForURL(const platform::Url& url, const Options& options) {
    if (!url.isFileURL()) return;
    const std::string path = url.path();
    if (path.empty()) return;
    cleanSingleFile(path, options);
}

void FileCleaner::cleanSingleFile(const std::string& path, const Options& options) {
    const std::string* cleaner = stringOption(options, "cleanerName");
    if (!cleaner) {
        writeLog("cleanSingleFile: cleaner undefined -- action cancelled");
        return;
    }
    std::vector<std::string> extensions;
    if (const PropertyList* list = options.find("extensions"); list && list->asArray())
        for (const PropertyList& item : *list->asArray())
            if (const std::string* s = item.asString()) extensions.push_back(lowercased(*s));

    std::optional<std::string> type;
    auto typed = c_.fileTypes.typeOfFile(path);
    if (typed.ok())
        type = *typed;
    else
        platform::log(format("Error: %@", {typed.error().localizedDescription}));

    if (type) {
        for (const std::string& rich : richTypes())
            if (TypeIdentifiers::conformsTo(*type, rich)) {
                cleanRichTextFile(path, *cleaner, rich, options);
                return;
            }
        for (const std::string& plain : plainTypes())
            if (TypeIdentifiers::conformsTo(*type, plain)) {
                cleanPlainTextFile(path, *cleaner, plain, options);
                return;
            }
    }
    const std::string ext = lowercased(extensionOf(fs::path(path).filename().string()));
    if (!ext.empty() && std::find(extensions.begin(), extensions.end(), ext) != extensions.end()) {
        cleanPlainTextFile(path, *cleaner, type.value_or(kNull), options);
        return;
    }
    writeLog(format("-- %@ (%@) [unknown][unsupported]", {path, type.value_or(kNull)}));
}

std::string FileCleaner::calcResultPath(const std::string& path, const Options& options) {
    const fs::path source(path);
    std::string name = source.filename().string();

    if (boolOption(options, "useAddTextToName")) {
        const std::string* text = stringOption(options, "textToAdd");
        const int64_t option = integerOption(options, "addTextToNameOption");
        if (!text) {
            writeLog("WARNING: Use Add Text to Name specified, but no text provided");
        } else if (option == 1) {
            name = withExtension(withoutExtension(name) + *text, extensionOf(name));
        } else if (option == 0 && !name.empty()) {
            name = *text + name;
        }
    } else {
        std::string base = withoutExtension(name);
        std::string ext = extensionOf(name);
        const std::string* prefix = stringOption(options, "destNamePrefix");
        const std::string* suffix = stringOption(options, "destNameSuffix");
        const std::string* newExt = stringOption(options, "destNameExt");
        if (prefix && !prefix->empty()) base = *prefix + base;
        if (suffix && !suffix->empty()) base += *suffix;
        if (newExt && !newExt->empty())
            // "txt" and ".txt" both mean the extension txt.
            ext = newExt->front() == '.' ? newExt->substr(1) : *newExt;
        name = withExtension(base, ext);
    }

    if (boolOption(options, "useDestinationFolder")) {
        if (const std::string* folder = stringOption(options, "destFolder")) {
            // Relative to the source's folder even when written with a leading slash, as the
            // OS joins path components.
            std::string relative = *folder;
            relative.erase(0, relative.find_first_not_of('/'));
            fs::path destination = (source.parent_path() / relative).lexically_normal();
            if (destination.has_filename() == false && destination != destination.root_path())
                destination = destination.parent_path();
            std::error_code ignored;
            fs::create_directories(destination, ignored);
            return (destination / name).string();
        }
        writeLog(
            "WARNING: Use Destination Folder was specified, but no destination folder "
            "provided");
    }
    return path;
}

void FileCleaner::cleanPlainTextFile(const std::string& path, const std::string& cleaner,
                                     const std::string& utiType, const Options& options) {
    const std::string* readName = stringOption(options, "readEncoding");
    const std::string* writeName = stringOption(options, "writeEncoding");
    std::optional<uint32_t> readEncoding =
        encodingValueFrom(readName ? std::optional<std::string>(*readName) : std::nullopt);
    // Without a write encoding the file keeps the one it was read in.
    std::optional<uint32_t> writeEncoding;
    if (writeName) writeEncoding = encodingValueFrom(*writeName);

    std::error_code ec;
    if (!fs::exists(path, ec)) {
        platform::log(format("Could not locate %@. Make sure the file exists.", {path}));
        return;
    }
    auto bytes = platform::WholeFile::contents(path, kMaxTextFileSize);
    std::optional<std::string> text;
    std::string readError;
    if (!bytes.ok()) {
        readError = bytes.error().localizedDescription;
    } else {
        if (readEncoding) text = StringEncodings::decode(*bytes, *readEncoding);
        if (!text) {
            if (auto detected = StringEncodings::decodeDetecting(*bytes)) {
                text = std::move(detected->text);
                readEncoding = detected->encoding;
            }
        }
        if (!text)
            readError = "The file \u201c" + fs::path(path).filename().string() +
                        "\u201d couldn\u2019t be opened because the text encoding of its "
                        "contents can\u2019t be determined.";
    }
    if (!text) {
        writeLog(format("[Error] could not read file: %@ - (%@)", {path, readError}));
        return;
    }
    if (!writeEncoding) writeEncoding = readEncoding;

    writeLog(format("-: %@  [%@][r:%@][w:%@]",
                    {path, utiType, encodingName(*readEncoding), encodingName(*writeEncoding)}));
    const std::string cleaned = cleanString(*text, c_.client.tokenFor(cleaner));

    const std::string result = calcResultPath(path, options);
    auto encoded = StringEncodings::encode(cleaned, *writeEncoding);
    if (!encoded) {
        writeLog(
            format("[Error] Write: %@.", {"The file \u201c" + fs::path(result).filename().string() +
                                          "\u201d couldn\u2019t be saved using text encoding " +
                                          encodingName(*writeEncoding) + "."}));
        return;
    }
    auto written = platform::AtomicFile::write(result, *encoded);
    if (!written.ok())
        writeLog(format("[Error] Write: %@.", {written.error().localizedDescription}));
}

void FileCleaner::cleanRichTextFile(const std::string& path, const std::string& cleaner,
                                    const std::string& utiType, const Options& options) {
    if (TypeIdentifiers::conformsTo(utiType, TypeIdentifiers::kRTF)) {
        cleanRtfFile(path, cleaner, utiType, options);
    } else if (TypeIdentifiers::conformsTo(utiType, TypeIdentifiers::kRTFD)) {
        cleanRtfdFile(path, cleaner, utiType);
    } else {
        writeLog(format("-- %@  [%@][currently not supported]", {path, utiType}));
    }
}

void FileCleaner::cleanRtfFile(const std::string& path, const std::string& cleaner,
                               const std::string& utiType, const Options& options) {
    auto bytes = platform::WholeFile::contents(path, platform::RtfReader::Limits{}.maxInputSize);
    auto document = bytes.ok() ? platform::RtfReader::read(*bytes)
                               : platform::Result<platform::RtfDocument>(bytes.error());
    if (!document.ok()) {
        writeLog("[Error] Could not read file at: %@", path);
        return;
    }
    const platform::AttributedString cleaned = cleanAttributedString(document->text, cleaner);
    const std::string result = calcResultPath(path, options);
    const std::string rtf = platform::RtfWriter::write(cleaned, document->attributes);
    auto written = platform::AtomicFile::write(result, rtf);
    if (!written.ok()) {
        // The line after is the file's success line: not for a file left as it was.
        writeLog(format("Error: %@", {written.error().localizedDescription}));
        return;
    }
    if (kLogVerbosity >= 2) writeLog(format("-: %@  [%@]", {path, utiType}));
}

void FileCleaner::cleanRtfdFile(const std::string& path, const std::string& cleaner,
                                const std::string& utiType) {
    auto document = platform::Rtfd::read(path);
    if (!document.ok()) {
        writeLog("[Error] Could not read RTFD file at: %@", path);
        return;
    }
    const platform::AttributedString cleaned = cleanAttributedString(document->text, cleaner);
    // Always in place: the naming options do not apply to documents that are folders.
    struct stat before {};
    const bool hadMode = ::stat(path.c_str(), &before) == 0;
    auto written = platform::Rtfd::write(path, cleaned);
    if (!written.ok()) {
        writeLog(format("Error: %@", {written.error().localizedDescription}));
        return;
    }
    if (hadMode) ::chmod(path.c_str(), before.st_mode & 07777);
    if (kLogVerbosity >= 2) writeLog(format("-: %@  [%@]", {path, utiType}));
}

platform::AttributedString FileCleaner::cleanAttributedString(
    const platform::AttributedString& text, const std::string& cleaner) {
    auto created = platform::Pasteboard::pasteboardWithUniqueName(c_.pasteboards);
    if (!created.ok()) return text;
    platform::Pasteboard pasteboard = std::move(created).value();
    pasteboard.clearContents();
    platform::RtfPasteboard::writeAttributedString(pasteboard, text);
    c_.client.cleanPasteboard(pasteboard, cleaner);
    auto cleaned = platform::RtfPasteboard::readAttributedString(pasteboard);
    pasteboard.releaseGlobally();
    return cleaned ? std::move(*cleaned) : text;
}

std::string FileCleaner::cleanString(const std::string& text, const std::string& cleaner) {
    auto created = platform::Pasteboard::pasteboardWithUniqueName(c_.pasteboards);
    if (!created.ok()) return text;
    platform::Pasteboard pasteboard = std::move(created).value();
    pasteboard.clearContents();
    pasteboard.writeObjects({text});
    c_.client.cleanPasteboard(pasteboard, cleaner);
    const auto strings = pasteboard.readObjects();
    // Ours alone: released, or the shared store would keep every file ever cleaned.
    pasteboard.releaseGlobally();
    return strings.empty() ? text : strings.front();
}

uint32_t FileCleaner::encodingValueFrom(const std::optional<std::string>& name) const {
    if (!name || *name == kAutomatic) return StringEncodings::kUTF8;
    if (auto encoding = c_.encodings.resolve(*name)) return encoding->value;
    return StringEncodings::kUTF8;
}

std::string FileCleaner::encodingName(uint32_t encoding) const {
    const platform::StringEncoding* e = StringEncodings::find(encoding);
    return e ? e->name : std::to_string(encoding);
}

void FileCleaner::writeLog(const std::string& line) {
    if (auto logger = logger_.lock()) {
        logger->writeLog(line);
        return;
    }
    platform::log(line);
}

void FileCleaner::writeLog(const std::optional<std::string>& fmt,
                           const std::optional<std::string>& param1) {
    if (!fmt || !param1 || fmt->find("%@") == std::string::npos) return;
    writeLog(format(*fmt, {*param1}));
}

std::string FileCleaner::format(const std::string& fmt, const std::vector<std::string>& args) {
    std::string out;
    size_t next = 0, at = 0;
    for (size_t found; (found = fmt.find("%@", at)) != std::string::npos; at = found + 2) {
        out.append(fmt, at, found - at);
        out += next < args.size() ? args[next++] : std::string(kNull);
    }
    out.append(fmt, at, std::string::npos);
    return out;
}
