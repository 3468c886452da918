#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/coding/RtfCodePage.h"
#include "platform/coding/RtfReader.h"

namespace platform::rtf {

// The reader's machinery, shared by RtfParser.cpp (groups, control words, destinations) and
// RtfParserControls.cpp (what each control word does, text, fonts and colours).

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
    // Inside \upr, which holds text twice: as 8-bit text, then as \ud with Unicode.
    bool inUpr = false;
};

// The outcome of scanning a control word or symbol.
struct Control {
    std::string_view word;  // letters, or the one symbol character
    bool symbol = false;
    bool hasParameter = false;
    int parameter = 0;
};

// One reading of one document.
class RtfParser {
  public:
    // RTF 1.9 limits a control word to 32 letters.
    static constexpr size_t kMaxControlWordLength = 32;
    // Every run and every open group holds its own copy of these names, so they are bounded: a
    // longer font name is cut, a longer link dropped, a longer row definition cut.
    static constexpr size_t kMaxFontNameLength = 256;
    static constexpr size_t kMaxLinkLength = 8192;
    static constexpr size_t kMaxRowDefinitionLength = 16384;
    static constexpr size_t kMaxParagraphFormatLength = 4096;
    // And all runs together may take this many times the size of the input.
    static constexpr size_t kRunBytesPerInputByte = 32;

    RtfParser(std::string_view input, const RtfReader::Limits& limits)
        : in_(input), limits_(limits) {}

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

}  // namespace platform::rtf
