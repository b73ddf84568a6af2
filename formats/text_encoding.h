// SPDX-License-Identifier: Apache-2.0
// Text of any bytes made safe for the structured result formats: UTF-8 where
// the bytes are not (each maximal invalid run becomes one U+FFFD, as Unicode
// recommends), and quoted as each format needs.
#pragma once

#include <string>
#include <string_view>

namespace pagecut {

// Text for an XML attribute value or element content; control characters
// other than tab and line ends, which XML cannot hold, become U+FFFD.
std::string xmlText(std::string_view text);

// A JSON string literal, quotes included.
std::string jsonString(std::string_view text);

// An hOCR property string, in double quotes.
std::string hocrQuoted(std::string_view text);

} // namespace pagecut
