#include "platform/coding/RtfWriter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "platform/coding/RtfCodePage.h"

namespace platform {

namespace {

const char* const kDefaultFont = "Helvetica";

// The formatting in effect at a point of the output, as indexes into the tables.
struct Format {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    int foreground = 0;
    int background = 0;
    TextAlignment alignment = TextAlignment::Natural;
};

// A file name as a NeXT graphic group can carry it: readers take it up to the next control word
// or brace, without the spaces around it.
std::string graphicName(std::string name) {
    for (char& c : name) {
        if (c == '\\' || c == '{' || c == '}' || static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return "_";
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

std::string withoutControls(std::string text, char terminator) {
    std::erase_if(text, [terminator](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == terminator;
    });
    return text;
}

// The text with its attributes as RTF can tell them apart: the default font named, sizes in
// half points, names without the characters that would end them. Runs that would be written
// alike are merged, so they are written as one.
TextAttributes normalized(const TextAttributes& attributes, const std::string& defaultFont) {
    TextAttributes a = attributes;
    a.fontFamily = a.fontFamily.empty() ? defaultFont : withoutControls(a.fontFamily, ';');
    if (a.fontFamily.empty()) a.fontFamily = defaultFont;
    const double size =
        std::isfinite(a.fontSize) ? std::clamp(a.fontSize, 0.5, INT_MAX / 2.0) : 12.0;
    a.fontSize = static_cast<double>(std::lround(size * 2)) / 2.0;
    a.link = withoutControls(a.link, '"');
    return a;
}

// Nothing when the text is normalized already (what the reader gives always is), so the
// common case copies nothing.
std::optional<AttributedString> normalized(const AttributedString& text,
                                           const DocumentAttributes& document) {
    const std::string defaultFont = document.defaultFontFamily.empty()
                                        ? kDefaultFont
                                        : withoutControls(document.defaultFontFamily, ';');
    const auto& runs = text.runs();
    const bool already = std::all_of(runs.begin(), runs.end(), [&](const auto& r) {
        return normalized(r.attributes, defaultFont) == r.attributes;
    });
    if (already) return std::nullopt;
    AttributedString out;
    for (const AttributedString::Run& r : runs) {
        out.append(std::u16string_view(text.text()).substr(r.location, r.length),
                   normalized(r.attributes, defaultFont));
    }
    return out;
}

class Writer {
  public:
    Writer(const AttributedString& text, const DocumentAttributes& document)
        : normalized_(normalized(text, document)),
          text_(normalized_ ? *normalized_ : text),
          document_(document),
          codePage_(document.codePage) {}

    std::string run();

  private:
    // Table indexes, assigned on first use.
    int fontIndex(const std::string& name);
    int colorIndex(const std::optional<Color>& color);
    void writeHeader();
    void writeRun(const AttributedString::Run& run);
    void writeLink(std::u16string_view text, const TextAttributes& a);
    void writeFormat(const TextAttributes& a, bool inRow);
    void writeParagraphFormat(const TextAttributes& a, bool inRow);
    void writeCharacterFormat(const TextAttributes& a);
    void writeText(std::u16string_view text, const TextAttributes& a);
    void writeChar(char16_t c);
    // Names in tables and fields: escaped characters, no formatting.
    // Control characters and the name's terminator are left out: readers could not tell them.
    void writeEscaped(std::string_view utf8, char16_t terminator);
    void writeAttachment(const TextAttachment& attachment);
    void startRow(const std::string& definition);
    void endRow();
    void control(const char* word, std::optional<int> parameter = std::nullopt);

    const std::optional<AttributedString> normalized_;
    const AttributedString& text_;
    const DocumentAttributes& document_;
    RtfCodePage codePage_;
    std::string out_;

    std::vector<std::string> fonts_;
    std::map<std::string, int> fontIndex_;
    std::vector<Color> colors_;  // index + 1 in the table; 0 is the automatic colour

    Format format_;
    std::string paragraphFormat_;
    bool inRow_ = false;
    std::string rowDefinition_;
    bool needDelimiter_ = false;
};

std::string Writer::run() {
    // The body first: the tables list only the fonts and colours it really uses, so reading
    // the result back and writing it again gives the same RTF.
    fonts_.push_back(document_.defaultFontFamily.empty()
                         ? kDefaultFont
                         : withoutControls(document_.defaultFontFamily, ';'));
    if (fonts_[0].empty()) fonts_[0] = kDefaultFont;
    fontIndex_[fonts_[0]] = 0;
    out_.reserve(text_.length() + text_.length() / 8 + 256);
    for (const AttributedString::Run& r : text_.runs()) writeRun(r);
    if (inRow_) endRow();
    out_ += "}\n";
    std::string body = std::move(out_);
    out_.clear();
    needDelimiter_ = false;
    writeHeader();
    return out_ + body;
}

int Writer::fontIndex(const std::string& name) {
    auto [it, added] = fontIndex_.try_emplace(name, static_cast<int>(fonts_.size()));
    if (added) fonts_.push_back(name);
    return it->second;
}

int Writer::colorIndex(const std::optional<Color>& color) {
    if (!color) return 0;
    auto it = std::find(colors_.begin(), colors_.end(), *color);
    if (it == colors_.end()) it = colors_.insert(colors_.end(), *color);
    return static_cast<int>(it - colors_.begin()) + 1;
}

void Writer::control(const char* word, std::optional<int> parameter) {
    out_ += '\\';
    out_ += word;
    if (parameter) out_ += std::to_string(*parameter);
    needDelimiter_ = true;
}

void Writer::writeHeader() {
    out_ += "{\\rtf1\\ansi\\ansicpg" + std::to_string(codePage_.codePage());
    // Our default font is always the first; text starts with an explicit \f0 anyway.
    if (document_.defaultFont) out_ += "\\deff0";
    out_ += "\\uc1";
    out_ += "\n{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        out_ += "{\\f" + std::to_string(i) + "\\fnil ";
        needDelimiter_ = false;
        writeEscaped(fonts_[i], u';');
        out_ += ";}";
    }
    out_ += "}\n{\\colortbl;";
    for (const Color& c : colors_) {
        out_ += "\\red" + std::to_string(c.red) + "\\green" + std::to_string(c.green) + "\\blue" +
                std::to_string(c.blue) + ";";
    }
    out_ += "}\n";
    const std::pair<const char*, const std::optional<int>&> settings[] = {
        {"paperw", document_.paperWidth},         {"paperh", document_.paperHeight},
        {"margl", document_.leftMargin},          {"margr", document_.rightMargin},
        {"margt", document_.topMargin},           {"margb", document_.bottomMargin},
        {"deftab", document_.defaultTabInterval}, {"vieww", document_.viewWidth},
        {"viewh", document_.viewHeight}};
    for (const auto& [word, value] : settings) {
        if (value) control(word, *value);
    }
    control("pard");
    control("plain");
    control("f", 0);
    control("fs", 24);
    out_ += '\n';
    needDelimiter_ = false;
}

void Writer::writeFormat(const TextAttributes& a, bool inRow) {
    writeParagraphFormat(a, inRow);
    writeCharacterFormat(a);
}

void Writer::writeParagraphFormat(const TextAttributes& a, bool inRow) {
    if (a.paragraphFormat != paragraphFormat_) {
        // Only \pard takes formatting away; everything is set again after it.
        control("pard");
        if (inRow) control("intbl");
        out_ += a.paragraphFormat;
        needDelimiter_ = true;
        paragraphFormat_ = a.paragraphFormat;
        format_.alignment = TextAlignment::Natural;
    }
    if (a.alignment != format_.alignment) {
        if (a.alignment == TextAlignment::Natural) {
            control("pard");
            if (inRow) control("intbl");
            out_ += paragraphFormat_;
            needDelimiter_ = true;
        } else {
            static const char* const kWords[] = {"pard", "ql", "qc", "qr", "qj"};
            control(kWords[static_cast<int>(a.alignment)]);
        }
        format_.alignment = a.alignment;
    }
}

void Writer::writeCharacterFormat(const TextAttributes& a) {
    const int font = a.fontFamily.empty() ? 0 : fontIndex(a.fontFamily);
    if (font != format_.font) control("f", format_.font = font);
    const int halfPoints = static_cast<int>(std::lround(a.fontSize * 2));
    if (halfPoints != format_.halfPoints) control("fs", format_.halfPoints = halfPoints);
    auto toggle = [this](const char* on, const char* off, bool want, bool& have) {
        if (want != have) control(want ? on : off);
        have = want;
    };
    toggle("b", "b0", a.bold, format_.bold);
    toggle("i", "i0", a.italic, format_.italic);
    toggle("ul", "ulnone", a.underline, format_.underline);
    toggle("strike", "strike0", a.strikethrough, format_.strikethrough);
    const int foreground = colorIndex(a.foregroundColor);
    if (foreground != format_.foreground) control("cf", format_.foreground = foreground);
    const int background = colorIndex(a.backgroundColor);
    if (background != format_.background) control("cb", format_.background = background);
}

void Writer::startRow(const std::string& definition) {
    if (inRow_) endRow();
    out_ += '\n';
    out_ += definition;
    control("pard");
    control("intbl");
    format_.alignment = TextAlignment::Natural;
    paragraphFormat_.clear();
    inRow_ = true;
    rowDefinition_ = definition;
}

void Writer::endRow() {
    control("cell");
    control("row");
    control("pard");
    out_ += '\n';
    needDelimiter_ = false;
    format_.alignment = TextAlignment::Natural;
    paragraphFormat_.clear();
    inRow_ = false;
}

void Writer::writeRun(const AttributedString::Run& r) {
    const TextAttributes& a = r.attributes;
    if (inRow_ && a.tableRow != rowDefinition_) endRow();
    const std::u16string_view text = std::u16string_view(text_.text()).substr(r.location, r.length);
    if (a.attachment) {
        if (!a.tableRow.empty() && !inRow_) startRow(a.tableRow);
        writeFormat(a, inRow_);
        for (size_t i = 0; i < text.size(); ++i) writeAttachment(*a.attachment);
        return;
    }
    if (!a.link.empty()) {
        // In a table, cell and row ends go between fields, never inside one.
        size_t start = 0;
        while (start < text.size()) {
            size_t end = a.tableRow.empty() ? text.size() : text.find_first_of(u"\t\n", start);
            if (end == std::u16string_view::npos) end = text.size();
            if (end > start) writeLink(text.substr(start, end - start), a);
            if (end < text.size()) writeText(text.substr(end, 1), a);
            start = end + 1;
        }
        return;
    }
    writeText(text, a);
}

void Writer::writeLink(std::u16string_view text, const TextAttributes& a) {
    if (!a.tableRow.empty() && !inRow_) startRow(a.tableRow);
    // Paragraph formatting goes outside the field: its group restores what is set inside.
    writeParagraphFormat(a, inRow_);
    const Format outside = format_;
    out_ += "{\\field{\\*\\fldinst{HYPERLINK \"";
    needDelimiter_ = false;
    writeEscaped(a.link, u'"');
    out_ += "\"}}{\\fldrslt ";
    needDelimiter_ = false;
    writeFormat(a, inRow_);
    writeText(text, a);
    out_ += "}}";
    needDelimiter_ = false;
    format_ = outside;
}

void Writer::writeText(std::u16string_view text, const TextAttributes& a) {
    bool formatted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (!a.tableRow.empty()) {
            if (!inRow_) {
                startRow(a.tableRow);
                formatted = false;
            }
            if (c == u'\t') {
                control("cell");
                continue;
            }
            if (c == u'\n') {
                endRow();
                continue;
            }
        }
        if (!formatted) {
            writeFormat(a, inRow_);
            formatted = true;
        }
        writeChar(c);
    }
}

void Writer::writeChar(char16_t c) {
    switch (c) {
        case u'\n':
            control("par");
            out_ += '\n';
            needDelimiter_ = false;
            return;
        case u'\t':
            control("tab");
            return;
        case u'\u2028':
            control("line");
            return;
        case u'\f':
            control("page");
            return;
        case u'\\':
        case u'{':
        case u'}':
            out_ += '\\';
            out_ += static_cast<char>(c);
            needDelimiter_ = false;
            return;
        default:
            break;
    }
    if (c >= 0x20 && c < 0x7F) {
        if (needDelimiter_) out_ += ' ';
        needDelimiter_ = false;
        out_ += static_cast<char>(c);
        return;
    }
    // \uN takes a signed 16-bit number; one fallback character follows for older readers.
    control("u", static_cast<int16_t>(c));
    const auto fallback = c >= 0x80 ? codePage_.encode(c) : std::nullopt;
    if (fallback && *fallback >= 0x80) {
        static const char kHex[] = "0123456789abcdef";
        out_ += "\\'";
        out_ += kHex[*fallback >> 4];
        out_ += kHex[*fallback & 15];
    } else {
        out_ += '?';
    }
    needDelimiter_ = false;
}

void Writer::writeEscaped(std::string_view utf8, char16_t terminator) {
    for (char16_t c : toUtf16(utf8)) {
        if (c >= 0x20 && c != terminator) writeChar(c);
    }
}

void Writer::writeAttachment(const TextAttachment& attachment) {
    if (!attachment.rtf.empty()) {
        out_ += attachment.rtf;
        needDelimiter_ = false;
        return;
    }
    if (!attachment.fileName.empty()) {
        out_ += "{{\\NeXTGraphic ";
        out_ += graphicName(attachment.fileName);
        out_ += " \\width" + std::to_string(attachment.width) + " \\height" +
                std::to_string(attachment.height) + "\\noorient}\\'ac}";
        needDelimiter_ = false;
        return;
    }
    writeChar(AttributedString::kAttachmentCharacter);
}

}  // namespace

std::string RtfWriter::write(const AttributedString& text, const DocumentAttributes& document) {
    return Writer(text, document).run();
}

}  // namespace platform
