// SPDX-License-Identifier: Apache-2.0
#include "formats/text_encoding.h"

#include <cstdint>

namespace pagecut {

namespace {

// One step through UTF-8 text: a code point and the bytes it took, or, for an
// invalid sequence, U+FFFD and the length of its maximal invalid prefix.
struct Step {
    char32_t codePoint;
    std::size_t length;
    bool valid;
};

Step decodeStep(std::string_view text) {
    const auto lead = static_cast<std::uint8_t>(text[0]);
    if (lead < 0x80)
        return {lead, 1, true};
    std::size_t need = 0;
    char32_t codePoint = 0;
    // The second byte's range excludes overlong forms, surrogates and code
    // points beyond U+10FFFF.
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, codePoint = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, codePoint = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {0xFFFD, 1, false};
    }
    for (std::size_t i = 1; i <= need; ++i) {
        const auto byte = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
        if (i >= text.size() || byte < low || byte > high)
            return {0xFFFD, i, false};
        low = 0x80, high = 0xBF;
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    return {codePoint, need + 1, true};
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Calls `emit(step, bytes)` for each code point of `text`.
template <typename Emit> void forEachCodePoint(std::string_view text, Emit emit) {
    while (!text.empty()) {
        const Step step = decodeStep(text);
        emit(step, text.substr(0, step.length));
        text.remove_prefix(step.length);
    }
}

} // namespace

// Text for an XML attribute value or element content. Tabs and line ends
// are written as references, since attribute values would lose them to
// blanks; the other control characters and U+FFFE/U+FFFF are not XML
// characters at all.
std::string xmlText(std::string_view text) {
    std::string out;
    forEachCodePoint(text, [&out](const Step& step, std::string_view bytes) {
        const char32_t c = step.codePoint;
        switch (c) {
        case '&':
            out += "&amp;";
            return;
        case '<':
            out += "&lt;";
            return;
        case '>':
            out += "&gt;";
            return;
        case '"':
            out += "&quot;";
            return;
        case '\'':
            out += "&#39;";
            return;
        case '\t':
            out += "&#9;";
            return;
        case '\n':
            out += "&#10;";
            return;
        case '\r':
            out += "&#13;";
            return;
        default:
            break;
        }
        if (!step.valid || c < 0x20 || c == 0xFFFE || c == 0xFFFF)
            out += kReplacement;
        else
            out += bytes;
    });
    return out;
}

// A JSON string literal, quotes included.
std::string jsonString(std::string_view text) {
    std::string out = "\"";
    forEachCodePoint(text, [&out](const Step& step, std::string_view bytes) {
        const char32_t c = step.codePoint;
        if (!step.valid) {
            out += kReplacement;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += bytes;
        }
    });
    return out + "\"";
}

// hOCR properties quote strings in double quotes, with a backslash before
// a quote or backslash inside them.
std::string hocrQuoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace pagecut
