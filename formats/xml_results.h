// SPDX-License-Identifier: Apache-2.0
// The XML result formats: PAGE, ALTO and hOCR (as XHTML).
#pragma once

#include <string>

#include "formats/result_page.h"

namespace pagecut {

// The whole PAGE file. Its time stamps are the current time, or
// SOURCE_DATE_EPOCH when that is set, so that a build can be reproduced.
std::string pageResult(const ResultPage& page);

// The whole ALTO file.
std::string altoResult(const ResultPage& page);

// The whole hOCR file.
std::string hocrResult(const ResultPage& page);

} // namespace pagecut
