// SPDX-License-Identifier: Apache-2.0
// A group of the paragraph mode's blocks: a line, a table or a paragraph.
#pragma once

#include <algorithm>
#include <vector>

#include <opencv2/core/types.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

struct BlockGroup {
    cv::Rect box;                          // bounding box of its blocks
    int first = 0;                         // reading-order index of its first block
    bool table = false;                    // a table: never joined with anything else
    std::vector<cv::Rect> lines{};         // the text lines it was joined from
    BlockType type = BlockType::Paragraph; // what it is, once the groups are typed
};

// The group of the blocks of `a` and `b`, listed where the earlier was.
inline BlockGroup unite(const BlockGroup& a, const BlockGroup& b) {
    BlockGroup joined{a.box | b.box, std::min(a.first, b.first), a.table || b.table, a.lines,
                      a.type};
    joined.lines.insert(joined.lines.end(), b.lines.begin(), b.lines.end());
    return joined;
}

} // namespace pagecut
