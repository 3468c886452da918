#include "platform/coding/AttributedString.h"

#include <algorithm>
#include <cassert>

#include "platform/core/Utf8.h"

namespace platform {

bool operator==(const TextAttributes& a, const TextAttributes& b) {
    const bool sameAttachment = a.attachment == b.attachment ||
                                (a.attachment && b.attachment && *a.attachment == *b.attachment);
    return sameAttachment && a.fontFamily == b.fontFamily && a.fontSize == b.fontSize &&
           a.bold == b.bold && a.italic == b.italic && a.underline == b.underline &&
           a.strikethrough == b.strikethrough && a.foregroundColor == b.foregroundColor &&
           a.backgroundColor == b.backgroundColor && a.alignment == b.alignment &&
           a.link == b.link && a.tableRow == b.tableRow && a.paragraphFormat == b.paragraphFormat;
}

std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        if (!Utf8::next(utf8, i, c)) {
            c = 0xFFFD;
            ++i;
        }
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (Utf8::isHighSurrogate(c) && i + 1 < utf16.size() &&
            Utf8::isLowSurrogate(utf16[i + 1])) {
            c = Utf8::combineSurrogates(c, utf16[++i]);
        } else if (Utf8::isSurrogate(c)) {
            c = 0xFFFD;
        }
        Utf8::append(out, c);
    }
    return out;
}

AttributedString::AttributedString(std::u16string text, const TextAttributes& attributes)
    : text_(std::move(text)) {
    if (!text_.empty()) runs_.push_back({0, text_.size(), attributes});
}

AttributedString AttributedString::fromUtf8(std::string_view text,
                                            const TextAttributes& attributes) {
    return AttributedString(toUtf16(text), attributes);
}

std::string AttributedString::string() const {
    return toUtf8(text_);
}

const TextAttributes& AttributedString::attributesAt(size_t index, size_t* runIndex) const {
    assert(index < text_.size());
    auto it = std::upper_bound(runs_.begin(), runs_.end(), index,
                               [](size_t i, const Run& r) { return i < r.location; });
    const size_t found = static_cast<size_t>(it - runs_.begin()) - 1;
    if (runIndex) *runIndex = found;
    return runs_[found].attributes;
}

void AttributedString::append(std::u16string_view text, const TextAttributes& attributes) {
    if (text.empty()) return;
    if (!runs_.empty() && runs_.back().attributes == attributes) {
        runs_.back().length += text.size();
    } else {
        runs_.push_back({text_.size(), text.size(), attributes});
    }
    text_.append(text);
}

void AttributedString::append(const AttributedString& other) {
    for (const Run& r : other.runs_) {
        append(std::u16string_view(other.text_).substr(r.location, r.length), r.attributes);
    }
}

void AttributedString::appendAttachment(TextAttachment attachment, TextAttributes attributes) {
    attributes.attachment = std::make_shared<const TextAttachment>(std::move(attachment));
    // Never merged with a neighbour: every attachment character is a run of its own unless the
    // attachments are equal, which is harmless.
    append(std::u16string_view(&kAttachmentCharacter, 1), attributes);
}

size_t AttributedString::splitAt(size_t position) {
    if (position >= text_.size()) return runs_.size();
    size_t index = 0;
    attributesAt(position, &index);
    Run& r = runs_[index];
    if (r.location == position) return index;
    Run tail{position, r.location + r.length - position, r.attributes};
    r.length = position - r.location;
    runs_.insert(runs_.begin() + static_cast<long>(index) + 1, std::move(tail));
    return index + 1;
}

void AttributedString::setAttributes(size_t location, size_t length,
                                     const TextAttributes& attributes) {
    location = std::min(location, text_.size());
    length = std::min(length, text_.size() - location);
    if (length == 0) return;
    const size_t first = splitAt(location);
    const size_t last = splitAt(location + length);
    runs_.erase(runs_.begin() + static_cast<long>(first), runs_.begin() + static_cast<long>(last));
    runs_.insert(runs_.begin() + static_cast<long>(first), Run{location, length, attributes});
    normalizeAround(first);
}

void AttributedString::replaceCharacters(size_t location, size_t length,
                                         std::u16string_view replacement) {
    location = std::min(location, text_.size());
    length = std::min(length, text_.size() - location);
    if (length == 0 && replacement.empty()) return;
    TextAttributes inherited;
    if (!text_.empty()) {
        inherited = attributesAt(length > 0 || location == 0 ? location : location - 1);
    }
    // Typed text never becomes part of an attachment.
    inherited.attachment.reset();

    const size_t first = splitAt(location);
    const size_t last = splitAt(location + length);
    runs_.erase(runs_.begin() + static_cast<long>(first), runs_.begin() + static_cast<long>(last));
    for (size_t i = first; i < runs_.size(); ++i) {
        runs_[i].location = runs_[i].location - length + replacement.size();
    }
    if (!replacement.empty()) {
        runs_.insert(runs_.begin() + static_cast<long>(first),
                     Run{location, replacement.size(), std::move(inherited)});
    }
    text_.replace(location, length, replacement);
    normalizeAround(first);
}

void AttributedString::replaceSegment(size_t start, size_t length, std::u16string_view newText) {
    const std::u16string_view old = std::u16string_view(text_).substr(start, length);
    const size_t maxCommon = std::min(newText.size(), old.size());
    size_t prefix = 0;
    while (prefix < maxCommon && old[prefix] == newText[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < maxCommon - prefix &&
           old[old.size() - 1 - suffix] == newText[newText.size() - 1 - suffix]) {
        ++suffix;
    }
    replaceCharacters(start + prefix, old.size() - prefix - suffix,
                      newText.substr(prefix, newText.size() - prefix - suffix));
}

void AttributedString::replaceText(std::u16string_view newText) {
    if (newText.size() == text_.size()) {
        text_.assign(newText);
        return;
    }
    std::vector<size_t> oldMarks;
    std::vector<size_t> newMarks;
    for (size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == kAttachmentCharacter) oldMarks.push_back(i);
    }
    for (size_t i = 0; i < newText.size(); ++i) {
        if (newText[i] == kAttachmentCharacter) newMarks.push_back(i);
    }
    if (oldMarks.empty() || oldMarks.size() != newMarks.size()) {
        replaceSegment(0, text_.size(), newText);
        return;
    }
    // Attachments stay where they are; the text between them is replaced piece by piece, from
    // the end so that earlier positions hold.
    oldMarks.push_back(text_.size());
    newMarks.push_back(newText.size());
    for (size_t k = oldMarks.size(); k-- > 0;) {
        const size_t oldStart = k == 0 ? 0 : oldMarks[k - 1] + 1;
        const size_t newStart = k == 0 ? 0 : newMarks[k - 1] + 1;
        replaceSegment(oldStart, oldMarks[k] - oldStart,
                       newText.substr(newStart, newMarks[k] - newStart));
    }
}

void AttributedString::replaceText(std::string_view utf8) {
    replaceText(toUtf16(utf8));
}

void AttributedString::transformRuns(
    const std::function<std::u16string(std::u16string_view, const TextAttributes&)>& transform) {
    AttributedString out;
    for (const Run& r : runs_) {
        const std::u16string_view part = std::u16string_view(text_).substr(r.location, r.length);
        if (r.attributes.attachment) {
            out.append(part, r.attributes);
        } else {
            out.append(transform(part, r.attributes), r.attributes);
        }
    }
    *this = std::move(out);
}

AttributedString AttributedString::substring(size_t location, size_t length) const {
    location = std::min(location, text_.size());
    length = std::min(length, text_.size() - location);
    AttributedString out;
    const size_t end = location + length;
    for (const Run& r : runs_) {
        const size_t from = std::max(r.location, location);
        const size_t to = std::min(r.location + r.length, end);
        if (from < to) out.append(std::u16string_view(text_).substr(from, to - from), r.attributes);
    }
    return out;
}

bool AttributedString::hasAttachments() const {
    return std::any_of(runs_.begin(), runs_.end(),
                       [](const Run& r) { return r.attributes.attachment != nullptr; });
}

void AttributedString::normalizeAround(size_t index) {
    // Only the run at `index` and its neighbours can have become equal; the rest were merged
    // before the edit.
    const size_t lo = index > 0 ? index - 1 : 0;
    for (size_t i = std::min(index + 2, runs_.size()); i-- > lo + 1;) {
        if (runs_[i - 1].attributes == runs_[i].attributes) {
            runs_[i - 1].length += runs_[i].length;
            runs_.erase(runs_.begin() + static_cast<long>(i));
        }
    }
}

}  // namespace platform
