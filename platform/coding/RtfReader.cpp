#include "platform/coding/RtfReader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/coding/RtfCodePage.h"

namespace platform {

namespace {

// RTF 1.9 limits a control word to 32 letters.
constexpr size_t kMaxControlWordLength = 32;
// Every run and every open group holds its own copy of these names, so they are bounded: a
// longer font name is cut, a longer link dropped, a longer row definition cut.
constexpr size_t kMaxFontNameLength = 256;
constexpr size_t kMaxLinkLength = 8192;
constexpr size_t kMaxRowDefinitionLength = 16384;
// And all runs together may take this many times the size of the input.
constexpr size_t kRunBytesPerInputByte = 32;

enum class Destination {
    Text,        // the document's text
    FontTable,   // \fonttbl
    ColorTable,  // \colortbl
    FieldInstruction,
};

struct Font {
    std::string name;
    std::optional<int> codePage;  // from \fcharset; none defers to the document's
};

// What a group inherits and restores.
struct State {
    TextAttributes attributes;
    int fontIndex = -1;
    int unicodeSkip = 1;
    Destination destination = Destination::Text;
};

// The outcome of scanning a control word or symbol.
struct Control {
    std::string_view word;  // letters, or the one symbol character
    bool symbol = false;
    bool hasParameter = false;
    int parameter = 0;
};

class Parser {
  public:
    Parser(std::string_view input, const RtfReader::Limits& limits) : in_(input), limits_(limits) {}

    Result<RtfDocument> run();

  private:
    // Errors carry the byte offset for diagnostics.
    Error fail(const std::string& what) const {
        return Error::corruptData("RTF: " + what + " at byte " + std::to_string(pos_));
    }

    std::optional<Error> scanControl(Control& control);
    std::optional<Error> handleControl(const Control& control);
    std::optional<Error> openGroup();
    std::optional<Error> closeGroup(bool& finished);
    // From the `{` at `start`: the index of its matching `}`.
    Result<size_t> findGroupEnd(size_t start) const;
    // Skips the group the current state belongs to (its `{` at groupStart_), restoring the
    // state before it.
    std::optional<Error> skipGroup(std::string* raw);
    std::optional<Error> destinationGroup(std::string_view word, bool starred, bool& handled);

    void addByte(char byte) { pendingBytes_.push_back(byte); }
    void flushBytes();
    void addText(std::u16string_view text);
    void addChar(char16_t c) { addText(std::u16string_view(&c, 1)); }
    void addAttachment(TextAttachment attachment);
    void flushCellBreak();
    // Accounts for a new run; past the budget the document is refused.
    void countRun();
    void emit(std::u16string_view text);
    RtfCodePage& codePage(int number);
    int currentCodePage() const;
    void setFont(int index);
    void finishFontEntry();
    void finishColorEntry();
    void resetCharacterFormatting();
    std::optional<Color> color(int index) const;
    void collectRowDefinition(const Control& control);
    void closeOpenRows();
    void nameDefaultFont();

    std::string_view in_;
    RtfReader::Limits limits_;
    size_t pos_ = 0;
    size_t runBytes_ = 0;  // memory the runs take, roughly
    bool tooManyRuns_ = false;

    std::vector<State> stack_;
    std::vector<size_t> groupStarts_;
    State state_;
    bool groupJustOpened_ = false;
    bool starred_ = false;
    int skipCount_ = 0;

    AttributedString text_;
    DocumentAttributes document_;
    std::string pendingBytes_;
    bool cellBreakPending_ = false;
    std::string rowDefinition_;
    bool collectingRow_ = false;

    std::map<int, Font> fonts_;
    int fontEntry_ = -1;
    std::string fontName_;
    std::optional<int> fontCharset_;
    std::vector<std::optional<Color>> colors_;
    int red_ = -1, green_ = -1, blue_ = -1;
    std::u16string fieldInstruction_;

    std::unordered_map<int, std::unique_ptr<RtfCodePage>> codePages_;
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Destinations whose contents are not text of the document.
bool isSkippedDestination(std::string_view word) {
    static const char* const kSkipped[] = {"stylesheet",
                                           "info",
                                           "header",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footer",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "annotation",
                                           "listtable",
                                           "listoverridetable",
                                           "revtbl",
                                           "rsidtbl",
                                           "generator",
                                           "xmlnstbl",
                                           "filetbl",
                                           "latentstyles",
                                           "datastore",
                                           "themedata",
                                           "colorschememapping",
                                           "pgdsctbl",
                                           "nonshppict",
                                           "bkmkstart",
                                           "bkmkend",
                                           "txe",
                                           "xe",
                                           "tc",
                                           "private",
                                           "expandedcolortbl",
                                           "pntext",
                                           "pntxta",
                                           "pntxtb",
                                           "operator",
                                           "author",
                                           "title",
                                           "subject",
                                           "doccomm",
                                           "company",
                                           "creatim",
                                           "revtim",
                                           "printim",
                                           "buptim",
                                           "comment",
                                           "keywords",
                                           "hlinkbase"};
    return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

// Pictures and objects: kept whole as attachments.
bool isOpaqueDestination(std::string_view word) {
    return word == "pict" || word == "shppict" || word == "object" || word == "shp";
}

Result<RtfDocument> Parser::run() {
    if (in_.size() > limits_.maxInputSize) {
        return Error::corruptData("RTF: input of " + std::to_string(in_.size()) +
                                  " bytes is larger than the limit");
    }
    if (in_.substr(0, 5) != "{\\rtf") return fail("no {\\rtf header");

    bool finished = false;
    while (!finished) {
        if (pos_ >= in_.size()) return fail("unbalanced braces: the document is not closed");
        if (tooManyRuns_) return fail("more styled runs than the input size allows");
        const char c = in_[pos_];
        switch (c) {
            case '{':
                if (auto e = openGroup()) return *e;
                break;
            case '}':
                if (auto e = closeGroup(finished)) return *e;
                break;
            case '\\': {
                Control control;
                if (auto e = scanControl(control)) return *e;
                if (skipCount_ > 0 && !(control.symbol && control.word == "*")) {
                    --skipCount_;
                    break;
                }
                if (auto e = handleControl(control)) return *e;
                break;
            }
            case '\r':
            case '\n':
                ++pos_;
                break;
            default:
                ++pos_;
                groupJustOpened_ = false;
                starred_ = false;
                if (skipCount_ > 0) {
                    --skipCount_;
                    break;
                }
                if (collectingRow_) collectingRow_ = false;
                if (c == '\t') {
                    flushBytes();
                    addChar(u'\t');
                } else {
                    addByte(c);
                }
        }
    }
    flushBytes();
    flushCellBreak();
    closeOpenRows();
    nameDefaultFont();
    return RtfDocument{std::move(text_), std::move(document_)};
}

std::optional<Error> Parser::openGroup() {
    if (static_cast<int>(stack_.size()) >= limits_.maxGroupDepth) {
        return fail("groups nested deeper than " + std::to_string(limits_.maxGroupDepth));
    }
    flushBytes();
    stack_.push_back(state_);
    groupStarts_.push_back(pos_);
    ++pos_;
    groupJustOpened_ = true;
    starred_ = false;
    // A fallback being skipped ends with the group.
    skipCount_ = 0;
    return std::nullopt;
}

std::optional<Error> Parser::closeGroup(bool& finished) {
    if (stack_.empty()) return fail("unbalanced braces: '}' without '{'");
    flushBytes();
    if (state_.destination == Destination::FontTable) finishFontEntry();
    const Destination closing = state_.destination;
    state_ = std::move(stack_.back());
    stack_.pop_back();
    groupStarts_.pop_back();
    ++pos_;
    groupJustOpened_ = false;
    skipCount_ = 0;
    if (closing == Destination::FontTable && state_.destination != Destination::FontTable) {
        // The default font is known now; text before any \f is in it.
        if (document_.defaultFont) {
            auto it = fonts_.find(*document_.defaultFont);
            if (it != fonts_.end()) document_.defaultFontFamily = it->second.name;
            for (State& s : stack_) {
                if (s.fontIndex < 0) s.attributes.fontFamily = document_.defaultFontFamily;
            }
            if (state_.fontIndex < 0) state_.attributes.fontFamily = document_.defaultFontFamily;
        }
    }
    if (closing == Destination::FieldInstruction &&
        state_.destination != Destination::FieldInstruction) {
        // HYPERLINK "url" (switches after the URL are ignored); the field's result is the link's
        // text.
        const std::string instruction = toUtf8(fieldInstruction_);
        fieldInstruction_.clear();
        const size_t keyword = instruction.find("HYPERLINK");
        if (keyword != std::string::npos) {
            const size_t open = instruction.find('"', keyword);
            const size_t close = open == std::string::npos ? open : instruction.find('"', open + 1);
            if (close != std::string::npos) {
                std::string link = instruction.substr(open + 1, close - open - 1);
                std::erase_if(link, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
                if (link.size() <= kMaxLinkLength) state_.attributes.link = std::move(link);
            }
        }
    }
    if (stack_.empty()) finished = true;
    return std::nullopt;
}

std::optional<Error> Parser::scanControl(Control& control) {
    ++pos_;  // the backslash
    if (pos_ >= in_.size()) return fail("control word cut off by the end of the input");
    const char first = in_[pos_];
    if (!isLetter(first)) {
        control.symbol = true;
        control.word = in_.substr(pos_, 1);
        ++pos_;
        if (first == '\'') {
            if (pos_ + 2 > in_.size()) return fail("\\' cut off");
            const int hi = hexValue(in_[pos_]);
            const int lo = hexValue(in_[pos_ + 1]);
            if (hi < 0 || lo < 0) return fail("\\' without two hex digits");
            control.hasParameter = true;
            control.parameter = hi * 16 + lo;
            pos_ += 2;
        }
        return std::nullopt;
    }
    const size_t start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
    if (pos_ - start > kMaxControlWordLength) return fail("control word longer than 32 letters");
    control.word = in_.substr(start, pos_ - start);
    if (pos_ < in_.size() && (in_[pos_] == '-' || isDigit(in_[pos_]))) {
        const size_t numberStart = pos_;
        if (in_[pos_] == '-') ++pos_;
        while (pos_ < in_.size() && isDigit(in_[pos_])) ++pos_;
        long long value = 0;
        const char* begin = in_.data() + numberStart;
        const char* end = in_.data() + pos_;
        if (*begin == '-' && end - begin == 1) {
            // A lone '-' is no parameter; it is text.
            --pos_;
        } else {
            if (end - begin > 11) return fail("control word parameter beyond 32 bits");
            auto [ptr, ec] = std::from_chars(begin, end, value);
            if (ec != std::errc() || ptr != end || value < INT_MIN || value > INT_MAX) {
                return fail("control word parameter beyond 32 bits");
            }
            control.hasParameter = true;
            control.parameter = static_cast<int>(value);
        }
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    return std::nullopt;
}

Result<size_t> Parser::findGroupEnd(size_t start) const {
    int depth = 0;
    const int baseDepth = static_cast<int>(stack_.size());
    size_t i = start;
    while (i < in_.size()) {
        const char c = in_[i];
        if (c == '{') {
            if (baseDepth + ++depth > limits_.maxGroupDepth + 1) {
                return Error::corruptData("RTF: groups nested deeper than " +
                                          std::to_string(limits_.maxGroupDepth) + " at byte " +
                                          std::to_string(i));
            }
            ++i;
        } else if (c == '}') {
            if (--depth == 0) return i;
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i >= in_.size()) break;
            if (!isLetter(in_[i])) {
                ++i;
                continue;
            }
            const size_t wordStart = i;
            while (i < in_.size() && isLetter(in_[i])) ++i;
            const bool bin = in_.substr(wordStart, i - wordStart) == "bin";
            const size_t numberStart = i;
            if (i < in_.size() && in_[i] == '-') ++i;
            while (i < in_.size() && isDigit(in_[i])) ++i;
            if (bin) {
                long long n = 0;
                auto [ptr, ec] = std::from_chars(in_.data() + numberStart, in_.data() + i, n);
                if (ec != std::errc() || n < 0 || i - numberStart > 10) {
                    return Error::corruptData("RTF: bad \\bin length at byte " + std::to_string(i));
                }
                if (i < in_.size() && in_[i] == ' ') ++i;
                if (static_cast<unsigned long long>(n) > in_.size() - i) break;
                i += static_cast<size_t>(n);
            }
        } else {
            ++i;
        }
    }
    return Error::corruptData("RTF: unbalanced braces: group at byte " + std::to_string(start) +
                              " is not closed");
}

std::optional<Error> Parser::skipGroup(std::string* raw) {
    const size_t start = groupStarts_.back();
    auto end = findGroupEnd(start);
    if (!end.ok()) return end.error();
    if (raw) *raw = std::string(in_.substr(start, *end - start + 1));
    state_ = std::move(stack_.back());
    stack_.pop_back();
    groupStarts_.pop_back();
    pos_ = *end + 1;
    groupJustOpened_ = false;
    starred_ = false;
    return std::nullopt;
}

std::optional<Error> Parser::destinationGroup(std::string_view word, bool starred, bool& handled) {
    handled = true;
    if (word == "fonttbl") {
        state_.destination = Destination::FontTable;
        fontEntry_ = -1;
        return std::nullopt;
    }
    if (word == "colortbl") {
        state_.destination = Destination::ColorTable;
        return std::nullopt;
    }
    if (word == "fldinst") {
        state_.destination = Destination::FieldInstruction;
        return std::nullopt;
    }
    if (word == "fldrslt" || word == "field") {
        handled = false;
        return std::nullopt;
    }
    if (state_.destination != Destination::Text) {
        // Inside a table: skip whatever it is (font alternatives, panose, …).
        if (starred) return skipGroup(nullptr);
        handled = false;
        return std::nullopt;
    }
    if (isOpaqueDestination(word)) {
        TextAttachment attachment;
        if (auto e = skipGroup(&attachment.rtf)) return e;
        addAttachment(std::move(attachment));
        return std::nullopt;
    }
    if (word == "NeXTGraphic") {
        std::string raw;
        if (auto e = skipGroup(&raw)) return e;
        // {\NeXTGraphic name \width… \height…}: the file name runs up to the next control word.
        TextAttachment attachment;
        size_t i = raw.find("NeXTGraphic") + 11;
        while (i < raw.size() && raw[i] == ' ') ++i;
        const size_t nameEnd = raw.find_first_of("\\}", i);
        attachment.fileName = raw.substr(i, nameEnd - i);
        while (!attachment.fileName.empty() && attachment.fileName.back() == ' ') {
            attachment.fileName.pop_back();
        }
        auto number = [&raw](std::string_view key) {
            const size_t at = raw.find(key);
            int value = 0;
            if (at != std::string::npos) {
                const char* b = raw.data() + at + key.size();
                std::from_chars(b, raw.data() + raw.size(), value);
            }
            return std::max(value, 0);
        };
        attachment.width = number("\\width");
        attachment.height = number("\\height");
        addAttachment(std::move(attachment));
        // The group is followed by the attachment's stand-in character (¬), which belongs to it.
        size_t j = pos_;
        while (j < in_.size() && (in_[j] == '\r' || in_[j] == '\n')) ++j;
        if (in_.substr(j, 4) == "\\'ac") {
            pos_ = j + 4;
        } else if (j < in_.size() && static_cast<unsigned char>(in_[j]) == 0xAC) {
            pos_ = j + 1;
        }
        return std::nullopt;
    }
    if (isSkippedDestination(word) || starred) return skipGroup(nullptr);
    handled = false;
    return std::nullopt;
}

std::optional<Error> Parser::handleControl(const Control& control) {
    const std::string_view w = control.word;
    const int p = control.parameter;
    if (control.symbol) {
        if (w == "*") {
            // Only marks a destination right after the group's brace.
            starred_ = groupJustOpened_;
            return std::nullopt;
        }
        groupJustOpened_ = false;
        starred_ = false;
        if (w == "'") {
            addByte(static_cast<char>(p));
            return std::nullopt;
        }
        flushBytes();
        if (w == "\\" || w == "{" || w == "}") {
            addChar(static_cast<char16_t>(w[0]));
        } else if (w == "~") {
            addChar(u'\u00A0');
        } else if (w == "-") {
            addChar(u'\u00AD');
        } else if (w == "_") {
            addChar(u'\u2011');
        } else if (w == "\n" || w == "\r") {
            addChar(u'\n');
        } else if (w == "\t") {
            addChar(u'\t');
        }
        return std::nullopt;
    }

    flushBytes();
    if (groupJustOpened_ || starred_) {
        const bool starred = starred_;
        groupJustOpened_ = false;
        starred_ = false;
        bool handled = false;
        if (auto e = destinationGroup(w, starred, handled)) return e;
        if (handled) return std::nullopt;
    }
    groupJustOpened_ = false;
    if (collectingRow_) {
        collectRowDefinition(control);
        if (collectingRow_) return std::nullopt;
    }

    if (w == "u") {
        const char16_t unit = static_cast<char16_t>(static_cast<unsigned>(p) & 0xFFFF);
        addChar(unit);
        skipCount_ = state_.unicodeSkip;
        return std::nullopt;
    }
    if (w == "uc") {
        if (p < 0 || p > limits_.maxUnicodeSkip) {
            return fail("\\uc" + std::to_string(p) + " beyond the limit");
        }
        state_.unicodeSkip = p;
        return std::nullopt;
    }
    if (w == "bin") {
        if (!control.hasParameter || p < 0 || static_cast<size_t>(p) > in_.size() - pos_) {
            return fail("bad \\bin length");
        }
        pos_ += static_cast<size_t>(p);  // binary data outside a picture has no text
        return std::nullopt;
    }

    switch (state_.destination) {
        case Destination::FontTable:
            if (w == "f") {
                finishFontEntry();
                fontEntry_ = p;
                fontName_.clear();
                fontCharset_.reset();
            } else if (w == "fcharset") {
                fontCharset_ = p;
            }
            return std::nullopt;
        case Destination::ColorTable:
            if (w == "red") red_ = std::clamp(p, 0, 255);
            if (w == "green") green_ = std::clamp(p, 0, 255);
            if (w == "blue") blue_ = std::clamp(p, 0, 255);
            return std::nullopt;
        case Destination::FieldInstruction:
            return std::nullopt;
        case Destination::Text:
            break;
    }

    TextAttributes& a = state_.attributes;
    const bool on = !control.hasParameter || p != 0;
    // Special characters.
    static const std::unordered_map<std::string_view, char16_t> kCharacters = {
        {"par", u'\n'},           {"line", u'\u2028'},    {"tab", u'\t'},
        {"emdash", u'\u2014'},    {"endash", u'\u2013'},  {"emspace", u'\u2003'},
        {"enspace", u'\u2002'},   {"qmspace", u'\u2005'}, {"bullet", u'\u2022'},
        {"lquote", u'\u2018'},    {"rquote", u'\u2019'},  {"ldblquote", u'\u201C'},
        {"rdblquote", u'\u201D'}, {"page", u'\f'},        {"sect", u'\n'},
        {"zwj", u'\u200D'},       {"zwnj", u'\u200C'},    {"ltrmark", u'\u200E'},
        {"rtlmark", u'\u200F'},   {"nestcell", u'\t'}};
    if (auto it = kCharacters.find(w); it != kCharacters.end()) {
        addChar(it->second);
        return std::nullopt;
    }
    if (w == "ansicpg") {
        if (p > 0) document_.codePage = p;
    } else if (w == "mac") {
        document_.codePage = 10000;
    } else if (w == "pc") {
        document_.codePage = 437;
    } else if (w == "pca") {
        document_.codePage = 850;
    } else if (w == "deff") {
        document_.defaultFont = p;
    } else if (w == "paperw") {
        document_.paperWidth = p;
    } else if (w == "paperh") {
        document_.paperHeight = p;
    } else if (w == "margl") {
        document_.leftMargin = p;
    } else if (w == "margr") {
        document_.rightMargin = p;
    } else if (w == "margt") {
        document_.topMargin = p;
    } else if (w == "margb") {
        document_.bottomMargin = p;
    } else if (w == "deftab") {
        document_.defaultTabInterval = p;
    } else if (w == "vieww") {
        document_.viewWidth = p;
    } else if (w == "viewh") {
        document_.viewHeight = p;
    } else if (w == "f") {
        setFont(p);
    } else if (w == "fs") {
        if (p > 0) a.fontSize = p / 2.0;
    } else if (w == "b") {
        a.bold = on;
    } else if (w == "i") {
        a.italic = on;
    } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" ||
               w == "ulth" || w == "ulwave") {
        a.underline = on;
    } else if (w == "ulnone") {
        a.underline = false;
    } else if (w == "strike" || w == "striked") {
        a.strikethrough = on;
    } else if (w == "cf") {
        a.foregroundColor = color(p);
    } else if (w == "cb" || w == "highlight" || w == "chcbpat") {
        a.backgroundColor = color(p);
    } else if (w == "plain") {
        resetCharacterFormatting();
    } else if (w == "pard") {
        a.alignment = TextAlignment::Natural;
    } else if (w == "ql") {
        a.alignment = TextAlignment::Left;
    } else if (w == "qc") {
        a.alignment = TextAlignment::Center;
    } else if (w == "qr") {
        a.alignment = TextAlignment::Right;
    } else if (w == "qj") {
        a.alignment = TextAlignment::Justified;
    } else if (w == "trowd") {
        rowDefinition_ = "\\trowd";
        collectingRow_ = true;
    } else if (w == "cell") {
        flushCellBreak();
        cellBreakPending_ = true;
    } else if (w == "row" || w == "nestrow") {
        cellBreakPending_ = false;
        emit(u"\n");
        a.tableRow.clear();
    }
    return std::nullopt;
}

void Parser::nameDefaultFont() {
    // Text before the font table (only in odd files) is in the default font too.
    if (document_.defaultFontFamily.empty()) return;
    std::vector<AttributedString::Run> unnamed;
    for (const AttributedString::Run& r : text_.runs()) {
        if (r.attributes.fontFamily.empty()) unnamed.push_back(r);
    }
    for (AttributedString::Run& r : unnamed) {
        r.attributes.fontFamily = document_.defaultFontFamily;
        text_.setAttributes(r.location, r.length, r.attributes);
    }
}

void Parser::closeOpenRows() {
    // Text of a row that no \row ended is not part of the table: a row always ends with its
    // newline, so the writer never has to invent one.
    const std::u16string& t = text_.text();
    const std::vector<AttributedString::Run>& runs = text_.runs();
    std::vector<AttributedString::Run> outside;
    for (size_t i = 0; i < runs.size();) {
        const std::string& row = runs[i].attributes.tableRow;
        size_t j = i;
        while (j + 1 < runs.size() && runs[j + 1].attributes.tableRow == row) ++j;
        if (!row.empty()) {
            const size_t start = runs[i].location;
            const size_t end = runs[j].location + runs[j].length;
            const size_t newline = t.rfind(u'\n', end - 1);
            const size_t from =
                newline == std::u16string::npos || newline < start ? start : newline + 1;
            for (size_t k = i; k <= j; ++k) {
                const size_t runEnd = runs[k].location + runs[k].length;
                if (runEnd <= from) continue;
                const size_t runStart = std::max(runs[k].location, from);
                outside.push_back({runStart, runEnd - runStart, runs[k].attributes});
                outside.back().attributes.tableRow.clear();
            }
        }
        i = j + 1;
    }
    for (const AttributedString::Run& r : outside)
        text_.setAttributes(r.location, r.length, r.attributes);
}

void Parser::collectRowDefinition(const Control& control) {
    const std::string_view w = control.word;
    const bool rowWord = w.starts_with("tr") || w.starts_with("cl") || w == "cellx" ||
                         w.starts_with("brdr") || w.starts_with("irow") || w == "lastrow" ||
                         w.starts_with("tbl") || w.starts_with("ts");
    if (!rowWord || control.symbol) {
        collectingRow_ = false;
        state_.attributes.tableRow = rowDefinition_;
        return;
    }
    if (rowDefinition_.size() > kMaxRowDefinitionLength) return;
    rowDefinition_ += '\\';
    rowDefinition_ += w;
    if (control.hasParameter) rowDefinition_ += std::to_string(control.parameter);
}

void Parser::flushBytes() {
    if (pendingBytes_.empty()) return;
    if (collectingRow_) {
        collectingRow_ = false;
        state_.attributes.tableRow = rowDefinition_;
    }
    std::u16string decoded;
    decoded.reserve(pendingBytes_.size());
    const bool ascii = std::all_of(pendingBytes_.begin(), pendingBytes_.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        decoded.assign(pendingBytes_.begin(), pendingBytes_.end());
    } else {
        codePage(currentCodePage()).decode(pendingBytes_, decoded);
    }
    pendingBytes_.clear();
    addText(decoded);
}

int Parser::currentCodePage() const {
    if (state_.destination == Destination::FontTable && fontCharset_) {
        if (auto cp = RtfCodePage::forCharset(*fontCharset_)) return *cp;
    }
    const int font = state_.fontIndex >= 0 ? state_.fontIndex : document_.defaultFont.value_or(-1);
    if (state_.destination == Destination::Text && font >= 0) {
        auto it = fonts_.find(font);
        if (it != fonts_.end() && it->second.codePage) return *it->second.codePage;
    }
    return document_.codePage;
}

RtfCodePage& Parser::codePage(int number) {
    auto& slot = codePages_[number];
    if (!slot) slot = std::make_unique<RtfCodePage>(number);
    return *slot;
}

void Parser::addText(std::u16string_view text) {
    switch (state_.destination) {
        case Destination::Text:
            flushCellBreak();
            emit(text);
            return;
        case Destination::FontTable:
            for (char16_t c : text) {
                if (c == u';') {
                    finishFontEntry();
                    fontEntry_ = -1;
                } else if (c >= 0x20) {
                    fontName_ += toUtf8(std::u16string_view(&c, 1));
                }
            }
            return;
        case Destination::ColorTable:
            for (char16_t c : text) {
                if (c == u';') finishColorEntry();
            }
            return;
        case Destination::FieldInstruction:
            fieldInstruction_.append(text);
            return;
    }
}

void Parser::emit(std::u16string_view text) {
    if (collectingRow_) {
        collectingRow_ = false;
        state_.attributes.tableRow = rowDefinition_;
    }
    const size_t runs = text_.runs().size();
    text_.append(text, state_.attributes);
    if (text_.runs().size() != runs) countRun();
}

void Parser::countRun() {
    const TextAttributes& a = state_.attributes;
    runBytes_ +=
        sizeof(AttributedString::Run) + a.fontFamily.size() + a.link.size() + a.tableRow.size();
    if (runBytes_ > in_.size() * kRunBytesPerInputByte + (size_t{1} << 20)) tooManyRuns_ = true;
}

void Parser::flushCellBreak() {
    if (!cellBreakPending_) return;
    cellBreakPending_ = false;
    emit(u"\t");
}

void Parser::addAttachment(TextAttachment attachment) {
    flushCellBreak();
    runBytes_ += attachment.rtf.size() + attachment.fileName.size();
    text_.appendAttachment(std::move(attachment), state_.attributes);
    countRun();
}

void Parser::setFont(int index) {
    state_.fontIndex = index;
    auto it = fonts_.find(index);
    state_.attributes.fontFamily = it == fonts_.end() ? std::string() : it->second.name;
}

void Parser::finishFontEntry() {
    if (fontEntry_ < 0) return;
    std::string name = fontName_;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    Font font{std::move(name), std::nullopt};
    if (fontCharset_) font.codePage = RtfCodePage::forCharset(*fontCharset_);
    if (font.name.size() > kMaxFontNameLength) {
        size_t cut = kMaxFontNameLength;
        while (cut > 0 && (static_cast<unsigned char>(font.name[cut]) & 0xC0) == 0x80) --cut;
        font.name.resize(cut);
    }
    fonts_[fontEntry_] = std::move(font);
    fontEntry_ = -1;
    fontName_.clear();
    fontCharset_.reset();
}

void Parser::finishColorEntry() {
    if (red_ < 0 && green_ < 0 && blue_ < 0) {
        colors_.emplace_back();  // "auto"
    } else {
        colors_.push_back(Color{static_cast<uint8_t>(std::max(red_, 0)),
                                static_cast<uint8_t>(std::max(green_, 0)),
                                static_cast<uint8_t>(std::max(blue_, 0))});
    }
    red_ = green_ = blue_ = -1;
}

std::optional<Color> Parser::color(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= colors_.size()) return std::nullopt;
    return colors_[static_cast<size_t>(index)];
}

void Parser::resetCharacterFormatting() {
    TextAttributes& a = state_.attributes;
    TextAttributes fresh;
    fresh.alignment = a.alignment;
    fresh.tableRow = a.tableRow;
    fresh.link = a.link;
    a = std::move(fresh);
    state_.fontIndex = -1;
    a.fontFamily = document_.defaultFontFamily;
}

}  // namespace

Result<RtfDocument> RtfReader::read(std::string_view rtf, const Limits& limits) {
    return Parser(rtf, limits).run();
}

}  // namespace platform
