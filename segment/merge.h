// SPDX-License-Identifier: Apache-2.0
// Joining runs of consecutive blocks into their bounding box.
#pragma once

#include <vector>

#include "core/region.h"

namespace pagecut {

// Walks `input` (in reading order) and appends to `output` runs of
// consecutive blocks joined into their bounding box, as long as the grown box
// overlaps none of the later input blocks and none already output. At the end
// of the list the last block joins its run whatever it overlaps. Blocks
// flagged inCell are never joined. A merged block keeps the other fields of
// the first block of its run.
void mergeRegions(std::vector<Region> input, std::vector<Region>& output);

} // namespace pagecut
