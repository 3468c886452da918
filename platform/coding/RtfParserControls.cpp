#include <algorithm>
#include <unordered_map>

#include "platform/coding/RtfParser.h"

namespace platform::rtf {

namespace {

// Paragraph formatting kept verbatim: indents, spacing, tab stops, keeping together.
bool isParagraphFormatWord(std::string_view w) {
    static const std::string_view kWords[] = {"li",
                                              "ri",
                                              "fi",
                                              "lin",
                                              "rin",
                                              "sb",
                                              "sa",
                                              "sl",
                                              "slmult",
                                              "tx",
                                              "tqr",
                                              "tqc",
                                              "tqdec",
                                              "tb",
                                              "tldot",
                                              "tlhyph",
                                              "tlul",
                                              "tlth",
                                              "tleq",
                                              "keep",
                                              "keepn",
                                              "widctlpar",
                                              "nowidctlpar",
                                              "pardirnatural",
                                              "partightenfactor",
                                              "ltrpar",
                                              "rtlpar",
                                              "sbauto",
                                              "saauto",
                                              "hyphpar",
                                              "nohyphpar",
                                              "contextualspace"};
    return std::find(std::begin(kWords), std::end(kWords), w) != std::end(kWords);
}

}  // namespace

std::optional<Error> RtfParser::handleControl(const Control& control) {
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
        a.paragraphFormat.clear();
    } else if (isParagraphFormatWord(w)) {
        if (a.paragraphFormat.size() <= kMaxParagraphFormatLength) {
            a.paragraphFormat += '\\';
            a.paragraphFormat += w;
            if (control.hasParameter) a.paragraphFormat += std::to_string(p);
        }
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

void RtfParser::nameDefaultFont() {
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

void RtfParser::closeOpenRows() {
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

void RtfParser::collectRowDefinition(const Control& control) {
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

void RtfParser::flushBytes() {
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

int RtfParser::currentCodePage() const {
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

RtfCodePage& RtfParser::codePage(int number) {
    auto& slot = codePages_[number];
    if (!slot) slot = std::make_unique<RtfCodePage>(number);
    return *slot;
}

void RtfParser::addText(std::u16string_view text) {
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

void RtfParser::emit(std::u16string_view text) {
    if (collectingRow_) {
        collectingRow_ = false;
        state_.attributes.tableRow = rowDefinition_;
    }
    const size_t runs = text_.runs().size();
    text_.append(text, state_.attributes);
    if (text_.runs().size() != runs) countRun();
}

void RtfParser::countRun() {
    const TextAttributes& a = state_.attributes;
    runBytes_ += sizeof(AttributedString::Run) + a.fontFamily.size() + a.link.size() +
                 a.tableRow.size() + a.paragraphFormat.size();
    if (runBytes_ > in_.size() * kRunBytesPerInputByte + (size_t{1} << 20)) tooManyRuns_ = true;
}

void RtfParser::flushCellBreak() {
    if (!cellBreakPending_) return;
    cellBreakPending_ = false;
    emit(u"\t");
}

void RtfParser::addAttachment(TextAttachment attachment) {
    flushCellBreak();
    runBytes_ += attachment.rtf.size() + attachment.fileName.size();
    text_.appendAttachment(std::move(attachment), state_.attributes);
    countRun();
}

void RtfParser::setFont(int index) {
    state_.fontIndex = index;
    auto it = fonts_.find(index);
    state_.attributes.fontFamily = it == fonts_.end() ? std::string() : it->second.name;
}

void RtfParser::finishFontEntry() {
    if (fontEntry_ < 0) return;
    std::string name = fontName_;
    if (name.size() > kMaxFontNameLength) {
        size_t cut = kMaxFontNameLength;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    Font font{std::move(name), std::nullopt};
    if (fontCharset_) font.codePage = RtfCodePage::forCharset(*fontCharset_);
    fonts_[fontEntry_] = std::move(font);
    fontEntry_ = -1;
    fontName_.clear();
    fontCharset_.reset();
}

void RtfParser::finishColorEntry() {
    if (red_ < 0 && green_ < 0 && blue_ < 0) {
        colors_.emplace_back();  // "auto"
    } else {
        colors_.push_back(Color{static_cast<uint8_t>(std::max(red_, 0)),
                                static_cast<uint8_t>(std::max(green_, 0)),
                                static_cast<uint8_t>(std::max(blue_, 0))});
    }
    red_ = green_ = blue_ = -1;
}

std::optional<Color> RtfParser::color(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= colors_.size()) return std::nullopt;
    return colors_[static_cast<size_t>(index)];
}

void RtfParser::resetCharacterFormatting() {
    TextAttributes& a = state_.attributes;
    TextAttributes fresh;
    fresh.alignment = a.alignment;
    fresh.tableRow = a.tableRow;
    fresh.link = a.link;
    a = std::move(fresh);
    state_.fontIndex = -1;
    a.fontFamily = document_.defaultFontFamily;
}

}  // namespace platform::rtf
