// SPDX-License-Identifier: Apache-2.0
// The result file in the formats other layout tools read: the program's own
// plain lines, JSON, PAGE XML, ALTO and hOCR. Every format carries the
// blocks of text in the same order; the structured ones also name the image
// and give its size, and in the paragraph mode they carry every block with
// its type, outline and text lines, and the page's skew.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "formats/result_page.h"

namespace pagecut {

enum class ResultFormat { Txt, Json, Page, Alto, Hocr };

// The format called `name` on the command line ("txt", "json", "page",
// "alto", "hocr"); nothing for any other name.
std::optional<ResultFormat> resultFormatNamed(std::string_view name);

// The names above, as a list for messages: "txt, json, page, alto, hocr".
std::string resultFormatNames();

// The end of the default result file name: ".txt", ".json", ".page.xml",
// ".alto.xml" or ".hocr".
std::string_view resultFormatExtension(ResultFormat format);

// Writes the result file at `path` in `format`. The structured formats are
// UTF-8: each maximal run of bytes of the image path that is not valid UTF-8
// becomes one U+FFFD, as Unicode recommends (and as Python's and browsers'
// decoders do); in the XML formats control characters other than tab and
// line ends, which XML cannot hold, become U+FFFD too. The file appears whole
// or not at all (writeFileAtomically). Returns false when it could not be
// written completely.
bool writeResultFile(const std::string& path, ResultFormat format, const ResultPage& page);

} // namespace pagecut
