// SPDX-License-Identifier: Apache-2.0
#include "paragraph/paragraph_mode.h"

#include <cmath>
#include <vector>

#include "paragraph/grouping.h"
#include "segment/page_passes.h"
#include "working_page/page_frame.h"
#include "working_page/scale.h"
#include "working_page/skew.h"
#include "working_page/vertical_rules.h"

namespace pagecut {

namespace {

constexpr double kMaxSkew = 45;
// A measured skew under this many degrees moves a line by a few pixels
// across the working page, less than the gap between two lines; turning the
// page would cost more in rounding (a rule becomes a staircase) than it gains.
constexpr double kLevelEnough = 0.15;

double measuredSkew(const ScaledPage& scaled) {
    // Measured on the glyphs alone: rules, pictures and the scan's edge have
    // directions of their own.
    const double degrees = measureSkew(scaled.glyphs, scaled.textHeight);
    return std::abs(degrees) < kLevelEnough ? 0.0 : degrees;
}

// `block` on the page; its box is empty when nothing of it is left there.
BlockLayout layoutOnPage(const ParagraphBlock& block, const PageFrame& frame) {
    BlockLayout layout;
    layout.box = boxOnPage(block.box, frame);
    layout.type = block.type;
    layout.outline = outlineOnPage(block.box, frame);
    for (const cv::Rect& line : block.lines) {
        if (!boxOnPage(line, frame).empty())
            layout.lines.push_back(outlineOnPage(line, frame));
    }
    return layout;
}

} // namespace

bool isSkewValue(double degrees) {
    return std::isfinite(degrees) && std::abs(degrees) <= kMaxSkew;
}

void cutParagraphs(const cv::Mat& grey, const PageBox& box, std::optional<double> skew,
                   PageBlocks& result) {
    ScaledPage scaled = scalePage(grey, box);
    result.skew = skew ? *skew : measuredSkew(scaled);
    PageFrame frame;
    frame.scale = scaled.scale;
    frame.page = grey.size();
    if (result.skew != 0) {
        // Projection cuts need the blank rows and columns of a level page.
        const Straightening how = straightening(scaled.ink.size(), result.skew);
        scaled.ink = straighten(scaled.ink, how);
        scaled.glyphs = straighten(scaled.glyphs, how);
        mendTurnedRules(scaled.ink, scaled.textHeight, result.skew);
        frame.toScaled = how.inverse;
        frame.straight = false;
    }
    // Only once the page is level are its vertical rules vertical. They are
    // kept as separators before they are wiped from the gutters.
    scaled.verticalRules = findVerticalRules(scaled.ink, scaled.textHeight);
    removeVerticalRules(scaled.ink, scaled.textHeight);
    // The passes may draw into their page; the regrouping reads the ink as it was.
    cv::Mat working = scaled.ink.clone();
    const PageRegions regions = segmentWorkingPage(working);
    std::vector<cv::Rect> blocks;
    for (const Region& region : regions.blocks)
        blocks.push_back(region.rect);
    for (const ParagraphBlock& block : groupParagraphs(blocks, scaled.ink, scaled.glyphs,
                                                       scaled.textHeight, scaled.verticalRules)) {
        BlockLayout layout = layoutOnPage(block, frame);
        if (layout.box.empty())
            continue;
        if (isTextType(layout.type))
            result.blocks.push_back(layout.box);
        result.layouts.push_back(std::move(layout));
    }
    for (const cv::Rect& block : blocks) {
        if (const cv::Rect mapped = boxOnPage(block, frame); !mapped.empty())
            result.unmerged.push_back(mapped);
    }
}

} // namespace pagecut
