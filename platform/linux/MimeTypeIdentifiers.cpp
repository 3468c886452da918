#include "platform/linux/MimeTypeIdentifiers.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <map>

#include "platform/workspace/TypeIdentifiers.h"

namespace platform {

namespace {

// shared-mime-info's canonical names (aliases are resolved by the database first).
const std::map<std::string, std::string>& mimeTable() {
    static const std::map<std::string, std::string> table = {
        {"text/plain", "public.plain-text"},
        {"text/html", "public.html"},
        {"application/xhtml+xml", "public.xhtml"},
        {"text/markdown", "net.daringfireball.markdown"},
        {"text/x-markdown", "net.daringfireball.markdown"},
        {"application/xml", "public.xml"},
        {"text/xml", "public.xml"},
        {"application/rtf", "public.rtf"},
        {"text/rtf", "public.rtf"},
        {"application/json", "public.json"},
        {"application/yaml", "public.yaml"},
        {"application/x-yaml", "public.yaml"},
        {"text/css", "public.css"},
        {"text/csv", "public.comma-separated-values-text"},
        {"text/tab-separated-values", "public.tab-separated-values-text"},
        {"text/x-log", "public.log"},
        {"text/vcard", "public.vcard"},
        {"text/calendar", "com.apple.ical.ics"},
        {"text/x-csrc", "public.c-source"},
        {"text/x-chdr", "public.c-header"},
        {"text/x-c++src", "public.c-plus-plus-source"},
        {"text/x-c++hdr", "public.c-plus-plus-header"},
        {"text/x-objcsrc", "public.objective-c-source"},
        {"text/x-swift", "public.swift-source"},
        {"text/x-java", "com.sun.java-source"},
        {"application/x-shellscript", "public.shell-script"},
        {"text/x-python", "public.python-script"},
        {"text/x-python3", "public.python-script"},
        {"application/x-ruby", "public.ruby-script"},
        {"application/x-perl", "public.perl-script"},
        {"application/javascript", "com.netscape.javascript-source"},
        {"text/javascript", "com.netscape.javascript-source"},
        {"text/x-makefile", "public.make-source"},
        {"text/x-tex", "org.tug.tex"},
        {"application/x-plist", "com.apple.property-list"},
        {"image/png", "public.png"},
        {"image/jpeg", "public.jpeg"},
        {"image/tiff", "public.tiff"},
        {"image/gif", "com.compuserve.gif"},
        {"image/svg+xml", "public.svg-image"},
        {"application/pdf", "com.adobe.pdf"},
        {"audio/mpeg", "public.mp3"},
        {"video/mp4", "public.mpeg-4"},
        {"application/zip", "public.zip-archive"},
        {"application/gzip", "org.gnu.gnu-zip-archive"},
        {"application/x-tar", "public.tar-archive"},
        {"application/msword", "com.microsoft.word.doc"},
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document",
         "org.openxmlformats.wordprocessingml.document"},
        {"application/vnd.oasis.opendocument.text", "org.oasis-open.opendocument.text"},
        {"application/x-executable", "public.unix-executable"},
        {"application/x-pie-executable", "public.unix-executable"},
        {"application/x-sharedlib", "public.unix-executable"},
        {"application/octet-stream", "public.data"},
        {"application/x-zerosize", "public.data"},
    };
    return table;
}

std::optional<std::string> mapped(const QMimeType& type) {
    if (!type.isValid()) return std::nullopt;
    const auto& table = mimeTable();
    auto it = table.find(type.name().toStdString());
    if (it != table.end()) return it->second;
    // Nearest ancestors first, as the database lists them.
    for (const QString& ancestor : type.allAncestors()) {
        it = table.find(ancestor.toStdString());
        if (it != table.end()) return it->second;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> MimeTypeIdentifiers::identifierForMimeType(const std::string& name) {
    QMimeDatabase db;
    return mapped(db.mimeTypeForName(QString::fromStdString(name)));
}

Result<std::string> MimeTypeIdentifiers::typeOfFile(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path p(path);
    std::error_code ec;
    const fs::file_status status = fs::status(p, ec);
    if (ec || !fs::exists(status)) return Error::noSuchFile(p.filename().string(), path);

    std::string extension = p.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    if (fs::is_directory(status)) {
        // Documents that are folders are known by their extension alone.
        const std::string type = TypeIdentifiers::preferredIdentifierForExtension(extension);
        if (!extension.empty() && TypeIdentifiers::conformsTo(type, TypeIdentifiers::kDirectory))
            return type;
        return std::string(TypeIdentifiers::kFolder);
    }

    QMimeDatabase db;
    const QString file = QString::fromStdString(path);
    const QString name = QString::fromStdString(p.filename().string());
    if (!db.mimeTypesForFileName(name).isEmpty()) {
        // The name is known; the contents only settle a choice between names that clash.
        if (auto type = mapped(db.mimeTypeForFile(file, QMimeDatabase::MatchDefault))) return *type;
        return TypeIdentifiers::preferredIdentifierForExtension(extension);
    }
    if (!extension.empty()) return TypeIdentifiers::preferredIdentifierForExtension(extension);
    if (auto type = mapped(db.mimeTypeForFile(file, QMimeDatabase::MatchContent))) return *type;
    return std::string(TypeIdentifiers::kData);
}

}  // namespace platform
