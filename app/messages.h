// SPDX-License-Identifier: Apache-2.0
// The program's fault messages that more than one front end gives (the
// command line, the page pipeline, the Python module), written once so that
// they keep the same words everywhere.
#pragma once

#include <cstdint>
#include <string>

#include "core/table_logic.h"

namespace pagecut {

inline std::string badCoordinateMessage(const std::string& given) {
    return "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got " + given + " instead.";
}

inline std::string badTableLogicMessage(const std::string& given) {
    return "TABLE_LOGIC should be an int in (" + std::to_string(kTableLogicRange[0]) + ", " +
           std::to_string(kTableLogicRange[1]) + "). Got " + given + " instead.";
}

inline std::string unreadableImageMessage(const std::string& path) {
    return "Could not open or find INPUT_IMAGE " + path;
}

inline const char* const kBoxOutsideImageMessage =
    "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 exceed the size of INPUT_IMAGE.";

} // namespace pagecut
