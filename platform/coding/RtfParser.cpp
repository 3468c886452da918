#include "platform/coding/RtfParser.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace platform::rtf {

namespace {

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

}  // namespace

Result<RtfDocument> RtfParser::run() {
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

std::optional<Error> RtfParser::openGroup() {
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

std::optional<Error> RtfParser::closeGroup(bool& finished) {
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

std::optional<Error> RtfParser::scanControl(Control& control) {
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

Result<size_t> RtfParser::findGroupEnd(size_t start) const {
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

std::optional<Error> RtfParser::skipGroup(std::string* raw) {
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

std::optional<Error> RtfParser::destinationGroup(std::string_view word, bool starred,
                                                 bool& handled) {
    handled = true;
    if (state_.inUpr) {
        // Only the Unicode version is read.
        if (word != "ud") return skipGroup(nullptr);
        state_.inUpr = false;
        return std::nullopt;
    }
    if (word == "upr") {
        state_.inUpr = true;
        return std::nullopt;
    }
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

}  // namespace platform::rtf
