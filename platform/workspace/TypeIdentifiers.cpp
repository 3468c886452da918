#include "platform/workspace/TypeIdentifiers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>

namespace platform {

namespace {

struct Declaration {
    std::string_view identifier;
    std::initializer_list<std::string_view> parents;
    std::initializer_list<std::string_view> extensions;  // preferred first
};

// The OS's declarations of the types the system meets in files. Parents are the direct
// conformances; every type here is an item.
const Declaration kDeclarations[] = {
    {"public.item", {}, {}},
    {"public.content", {}, {}},
    {"public.composite-content", {"public.content"}, {}},
    {"public.data", {"public.item"}, {}},
    {"public.directory", {"public.item"}, {}},
    {"public.folder", {"public.directory"}, {}},
    {"public.volume", {"public.folder"}, {}},
    {"com.apple.package", {"public.directory"}, {}},
    {"com.apple.bundle", {"public.directory"}, {"bundle"}},
    {"com.apple.application-bundle", {"com.apple.bundle", "com.apple.package"}, {"app"}},
    {"public.symlink", {"public.item"}, {}},

    {"public.text", {"public.data", "public.content"}, {}},
    {"public.plain-text", {"public.text"}, {"txt", "text"}},
    {"public.utf8-plain-text", {"public.plain-text"}, {}},
    {"public.utf16-plain-text", {"public.plain-text"}, {}},
    {"public.utf16-external-plain-text", {"public.plain-text"}, {}},
    {"public.utf8-tab-separated-values-text", {"public.tab-separated-values-text"}, {}},
    {"public.delimited-values-text", {"public.text"}, {}},
    {"public.comma-separated-values-text", {"public.delimited-values-text"}, {"csv"}},
    {"public.tab-separated-values-text", {"public.delimited-values-text"}, {"tsv"}},
    {"public.rtf", {"public.text"}, {"rtf"}},
    {"com.apple.rtfd", {"com.apple.package", "public.composite-content"}, {"rtfd"}},
    {"com.apple.flat-rtfd", {"public.data", "public.composite-content"}, {}},
    {"public.html", {"public.text"}, {"html", "htm", "shtml", "shtm"}},
    {"public.xhtml", {"public.xml"}, {"xhtml", "xht"}},
    {"public.xml", {"public.text"}, {"xml"}},
    {"net.daringfireball.markdown", {"public.plain-text"}, {"md", "markdown", "mdown", "mkd"}},
    {"public.json", {"public.text"}, {"json"}},
    {"public.yaml", {"public.text"}, {"yaml", "yml"}},
    {"public.css", {"public.text"}, {"css"}},
    {"public.log", {"public.plain-text"}, {"log"}},
    {"com.apple.property-list", {"public.data"}, {"plist"}},
    {"com.apple.xml-property-list", {"public.xml", "com.apple.property-list"}, {}},
    {"public.vcard", {"public.text"}, {"vcf", "vcard"}},
    {"public.calendar-event", {"public.item"}, {}},
    {"com.apple.ical.ics", {"public.text", "public.calendar-event"}, {"ics"}},
    {"public.source-code", {"public.plain-text"}, {}},
    {"public.c-source", {"public.source-code"}, {"c"}},
    {"public.c-header", {"public.source-code"}, {"h"}},
    {"public.c-plus-plus-source", {"public.source-code"}, {"cp", "cpp", "c++", "cc", "cxx"}},
    {"public.c-plus-plus-header", {"public.c-header"}, {"hpp", "hh", "hxx", "h++"}},
    {"public.objective-c-source", {"public.source-code"}, {"m"}},
    {"public.swift-source", {"public.source-code"}, {"swift"}},
    {"com.sun.java-source", {"public.source-code"}, {"java"}},
    {"public.script", {"public.source-code"}, {}},
    {"public.shell-script", {"public.script"}, {"sh", "command"}},
    {"public.python-script", {"public.script"}, {"py"}},
    {"public.ruby-script", {"public.script"}, {"rb"}},
    {"public.perl-script", {"public.script"}, {"pl", "pm"}},
    {"com.netscape.javascript-source", {"public.source-code"}, {"js", "jscript", "javascript"}},
    {"public.make-source", {"public.script"}, {}},
    {"net.daringfireball.markdown-source", {"public.plain-text"}, {}},
    {"org.tug.tex", {"public.plain-text"}, {"tex"}},

    {"public.image", {"public.data", "public.content"}, {}},
    {"public.png", {"public.image"}, {"png"}},
    {"public.jpeg", {"public.image"}, {"jpg", "jpeg", "jpe"}},
    {"public.tiff", {"public.image"}, {"tiff", "tif"}},
    {"com.compuserve.gif", {"public.image"}, {"gif"}},
    {"public.svg-image", {"public.image", "public.xml"}, {"svg"}},
    {"com.adobe.pdf", {"public.data", "public.composite-content"}, {"pdf"}},
    {"public.audio", {"public.audiovisual-content"}, {}},
    {"public.audiovisual-content", {"public.data", "public.content"}, {}},
    {"public.movie", {"public.audiovisual-content"}, {}},
    {"public.mp3", {"public.audio"}, {"mp3"}},
    {"public.mpeg-4", {"public.movie"}, {"mp4"}},
    {"public.archive", {"public.data"}, {}},
    {"public.zip-archive", {"public.archive"}, {"zip"}},
    {"org.gnu.gnu-zip-archive", {"public.archive"}, {"gz"}},
    {"public.tar-archive", {"public.archive"}, {"tar"}},
    {"public.executable", {"public.item"}, {}},
    {"public.unix-executable", {"public.data", "public.executable"}, {}},
    {"org.openxmlformats.wordprocessingml.document",
     {"public.zip-archive", "public.composite-content"},
     {"docx"}},
    {"com.microsoft.word.doc", {"public.data", "public.composite-content"}, {"doc"}},
    {"org.oasis-open.opendocument.text",
     {"public.zip-archive", "public.composite-content"},
     {"odt"}},
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

const Declaration* declaration(std::string_view type) {
    for (const Declaration& d : kDeclarations)
        if (equalsIgnoringCase(d.identifier, type)) return &d;
    return nullptr;
}

bool conforms(std::string_view type, std::string_view other, int depth) {
    if (equalsIgnoringCase(type, other)) return true;
    // The declarations form a shallow graph; the bound guards against a cycle ever added.
    if (depth > 16) return false;
    const Declaration* d = declaration(type);
    if (!d) return false;
    for (std::string_view parent : d->parents)
        if (conforms(parent, other, depth + 1)) return true;
    return false;
}

}  // namespace

bool TypeIdentifiers::conformsTo(std::string_view type, std::string_view other) {
    if (type.empty() || other.empty()) return false;
    if (isDynamic(type))
        // Whatever the OS knows nothing about is still an item, and data when it is a file.
        return equalsIgnoringCase(type, other) || equalsIgnoringCase(other, kItem) ||
               equalsIgnoringCase(other, kData);
    return conforms(type, other, 0);
}

bool TypeIdentifiers::isDeclared(std::string_view type) {
    return declaration(type) != nullptr;
}

bool TypeIdentifiers::isDynamic(std::string_view type) {
    return type.size() > 4 && equalsIgnoringCase(type.substr(0, 4), "dyn.");
}

std::string TypeIdentifiers::preferredIdentifierForExtension(std::string_view extension) {
    if (extension.empty()) return std::string(kData);
    for (const Declaration& d : kDeclarations)
        for (std::string_view e : d.extensions)
            if (equalsIgnoringCase(e, extension)) return std::string(d.identifier);
    return dynamicIdentifierForExtension(extension);
}

std::string TypeIdentifiers::dynamicIdentifierForExtension(std::string_view extension) {
    static constexpr std::string_view kAlphabet = "abcdefghkmnpqrstuvwxyz0123456789";
    std::string tags = "?0=6:1=";
    for (unsigned char c : extension) tags += static_cast<char>(std::tolower(c));
    // Five bits at a time, most significant first; the last group padded with zeros.
    std::string out = "dyn.a";
    unsigned buffer = 0;
    int bits = 0;
    for (unsigned char c : tags) {
        buffer = (buffer << 8) | c;
        bits += 8;
        while (bits >= 5) {
            out += kAlphabet[(buffer >> (bits - 5)) & 31];
            bits -= 5;
        }
    }
    if (bits > 0) out += kAlphabet[(buffer << (5 - bits)) & 31];
    return out;
}

std::vector<std::string> TypeIdentifiers::parents(std::string_view type) {
    std::vector<std::string> out;
    if (const Declaration* d = declaration(type))
        for (std::string_view p : d->parents) out.emplace_back(p);
    return out;
}

}  // namespace platform
