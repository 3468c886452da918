#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An sRGB colour, 8 bits per channel as RTF colour tables store it.
struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

enum class TextAlignment { Natural, Left, Center, Right, Justified };

// What an attachment character (U+FFFC) stands for. A file attachment (from an RTFD folder) has
// a file name, its data and the size it is shown at; a picture or other object read from plain
// RTF has no file but keeps its whole RTF group as it was read, so it is written back unchanged.
struct TextAttachment {
    std::string fileName;  // the attachment's file name inside an RTFD folder
    std::string contents;  // the file's bytes
    int width = 0;         // twips, 0 when unknown
    int height = 0;
    std::string rtf;  // the verbatim RTF group ("{\pict …}"), when read from RTF

    friend bool operator==(const TextAttachment&, const TextAttachment&) = default;
};

// The attributes of one character. Paragraph attributes (alignment, table row) are the same on
// every character of a paragraph.
struct TextAttributes {
    // Empty: the document's default font (Helvetica when it has none). Text read from RTF
    // always names its font.
    std::string fontFamily;
    double fontSize = 12.0;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::optional<Color> foregroundColor;  // none: the default (automatic) colour
    std::optional<Color> backgroundColor;
    TextAlignment alignment = TextAlignment::Natural;
    std::string link;  // target URL of a hyperlink field
    // The RTF row definition ("\trowd…\cellx…") of the table row this text belongs to; empty
    // outside tables. Inside a row, a tab ends a cell and a newline ends the row.
    std::string tableRow;
    // Paragraph formatting besides the alignment (indents, spacing, tab stops) as the RTF
    // control words that set it after \pard, kept so it survives a round trip.
    std::string paragraphFormat;
    // Set on attachment characters only. Compared by value.
    std::shared_ptr<const TextAttachment> attachment;

    friend bool operator==(const TextAttributes& a, const TextAttributes& b);
};

// Text with attributes, as the OS's attributed string: UTF-16 text (indexes and lengths count
// UTF-16 code units, as the OS's do) covered by runs of attributes. Adjacent runs always differ,
// so two strings that look the same compare equal.
class AttributedString {
  public:
    static constexpr char16_t kAttachmentCharacter = u'\uFFFC';

    struct Run {
        size_t location = 0;
        size_t length = 0;
        TextAttributes attributes;
        friend bool operator==(const Run&, const Run&) = default;
    };

    AttributedString() = default;
    explicit AttributedString(std::u16string text, const TextAttributes& attributes = {});
    // From UTF-8; malformed sequences become U+FFFD.
    static AttributedString fromUtf8(std::string_view text, const TextAttributes& attributes = {});

    const std::u16string& text() const { return text_; }
    // The plain string, as UTF-8 (an unpaired surrogate becomes U+FFFD).
    std::string string() const;
    size_t length() const { return text_.size(); }
    bool empty() const { return text_.empty(); }

    // Runs in order, covering the whole text; none for an empty string.
    const std::vector<Run>& runs() const { return runs_; }
    // The attributes at `index` (< length()); `runIndex` receives the index of its run.
    const TextAttributes& attributesAt(size_t index, size_t* runIndex = nullptr) const;

    void append(std::u16string_view text, const TextAttributes& attributes);
    void append(const AttributedString& other);
    // One attachment character carrying `attachment`.
    void appendAttachment(TextAttachment attachment, TextAttributes attributes = {});

    // Sets the attributes of a range (clamped to the text).
    void setAttributes(size_t location, size_t length, const TextAttributes& attributes);
    // Replaces a range (clamped to the text). The new text takes the attributes of the first
    // replaced character, or of the character before when nothing is replaced (the first
    // character's at the start), as typing does.
    void replaceCharacters(size_t location, size_t length, std::u16string_view replacement);

    // Replaces the whole text keeping the styles. With the same length every character keeps
    // its attributes. Otherwise the common start and common end keep theirs and the changed
    // middle is replaced as by replaceCharacters, so a cleaner that trims, or rewrites words
    // inside one style, keeps every other run exactly. When the new text has as many attachment
    // characters as the old, the attachments stay and each stretch of text between them is
    // replaced that way on its own.
    void replaceText(std::u16string_view newText);
    void replaceText(std::string_view utf8);

    // Cleans run by run: `transform` gets the text of each run that is not an attachment and
    // returns its new text, which keeps the run's attributes. Attachments stay as they are.
    void transformRuns(
        const std::function<std::u16string(std::u16string_view, const TextAttributes&)>& transform);

    AttributedString substring(size_t location, size_t length) const;
    bool hasAttachments() const;

    friend bool operator==(const AttributedString&, const AttributedString&) = default;

  private:
    // Merges the run at `index` with equal neighbours.
    void normalizeAround(size_t index);
    // Makes a run start at `position`; returns that run's index (runs_.size() at the end).
    size_t splitAt(size_t position);
    // replaceText's rule for the stretch [start, start + length).
    void replaceSegment(size_t start, size_t length, std::u16string_view newText);

    std::u16string text_;
    std::vector<Run> runs_;
};

// UTF-16 helpers for callers that keep UTF-8.
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

}  // namespace platform
