// SPDX-License-Identifier: Apache-2.0
#include "paragraph/block_types.h"

#include <algorithm>
#include <cstdint>

#include "core/profile.h"
#include "core/rect_algebra.h"
#include "paragraph/text_lines.h"

namespace pagecut {

namespace {

// Every limit in units of U, the height of a line of text, or in shares of
// the body text's measures.
constexpr double kCoreTail = 0.15;   // a line's core leaves this share of its ink above and below
constexpr double kRuleRun = 0.6;     // rows with a run this share of the line's height are rules
constexpr double kDrawnRun = 2.0;    // runs this long are drawn, not written
constexpr double kDrawnShare = 0.05; // blocks with this share of their ink drawn are drawings
constexpr double kSpeck = 0.5;       // blocks at most this high or wide are specks
constexpr std::size_t kBodyBlockLines = 3; // the body: blocks of at least this many lines
constexpr std::size_t kBodyLines = 8;      // with this many lines in all
constexpr std::size_t kMeasuredLines = 16; // lines measured of a block at most
constexpr double kLargeType = 1.25;        // larger type: this share of the body's size
constexpr double kBoldType = 1.25;         // bold type: strokes this share of the body's
constexpr double kHeavierType = 1.1;       // larger type is heavier by at least this share
constexpr double kSmallType = 0.88;        // smaller type: at most this share
constexpr double kFurnitureSize = 1.6;     // a running head or page number: at most this share
constexpr double kNumberWidth = 4.0;       // a page number or catch-word: at most this wide
constexpr double kMarginRatio = 2.5;       // marginalia: beside text this many times as wide
constexpr std::size_t kCaptionLines = 4;   // a caption: at most this many lines
constexpr double kCaptionGap = 2.0;        // at most this far from its picture or table
constexpr double kFootRuleGap = 2.0;       // footnotes: at most this far under a rule
constexpr double kFootRuleShare = 0.6;     // at most this share of their width
constexpr double kEdgeAlign = 1.0;         // starting this close to their left edge
constexpr std::size_t kHeadingLines = 3;   // a heading or formula: at most this many lines
constexpr double kCentredMargin = 2.0;     // a centred line: this far from both column edges
constexpr double kCentredSlack = 1.5;      // and the two margins this close
constexpr double kSingleRow = 1.6;         // tables less high than this are one row

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// What one line's ink shows of its type.
struct LineLook {
    double core = 0;   // rows between which the middle of its ink lies
    double stroke = 0; // ink per run along the rows
    long ink = 0;      // all its ink
    long drawn = 0;    // ink in runs along the rows at least kDrawnRun long
};

// The look of one line. The core leaves a share kCoreTail of the ink above
// and below it. Rows crossed by a run kRuleRun of the line's height long (a
// dash, a rule, an underline) are no part of the type.
LineLook lineLook(const cv::Mat& ink, const cv::Rect& line, double unit) {
    LineLook look;
    const cv::Rect r = clipToImage(line, ink);
    if (r.empty())
        return look;
    const int longRun = std::max(2, static_cast<int>(kRuleRun * r.height));
    const int drawnRun = std::max(2, static_cast<int>(kDrawnRun * unit));
    std::vector<long> counts(r.height, 0);
    long total = 0, runs = 0;
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t* row = ink.ptr<std::uint8_t>(r.y + y) + r.x;
        // Branch-free: a run grows on ink and ends (is counted) on paper.
        int count = 0, starts = 0, run = 0, longest = 0;
        long drawn = 0;
        for (int x = 0; x < r.width; ++x) {
            const int inked = row[x] != 0;
            drawn += (1 - inked) * (run >= drawnRun) * run;
            starts += inked & (run == 0);
            run = (run + 1) * inked;
            count += inked;
            longest = std::max(longest, run);
        }
        drawn += (run >= drawnRun) * run;
        look.ink += count;
        look.drawn += drawn;
        if (starts == 0 || longest >= longRun)
            continue;
        counts[y] = count;
        total += count;
        runs += starts;
    }
    if (total == 0)
        return look;
    // The rows where the ink above reaches the tail share and where the ink
    // below does, each to a fraction of a row.
    const double tail = kCoreTail * static_cast<double>(total);
    double low = 0, high = 0;
    long sum = 0;
    for (int y = 0; y < r.height; ++y) {
        const long next = sum + counts[y];
        if (sum <= tail && next > tail)
            low = y + (tail - sum) / counts[y];
        if (sum < total - tail && next >= total - tail)
            high = y + (total - tail - sum) / counts[y];
        sum = next;
    }
    look.core = high - low;
    look.stroke = static_cast<double>(total) / runs;
    return look;
}

} // namespace

namespace {

// The measures of a block from those of its lines.
TypeMeasures measuresOf(const std::vector<LineLook>& looks) {
    double sizes = 0, strokes = 0;
    long inked = 0, drawn = 0;
    int measured = 0;
    for (const LineLook& look : looks) {
        inked += look.ink;
        drawn += look.drawn;
        if (look.core <= 0)
            continue;
        sizes += look.core;
        strokes += look.stroke;
        ++measured;
    }
    TypeMeasures m;
    m.drawn = inked > 0 ? static_cast<double>(drawn) / inked : 0;
    if (measured > 0)
        m.size = sizes / measured, m.weight = strokes / measured;
    return m;
}

} // namespace

TypeMeasures measureType(const cv::Mat& ink, const std::vector<cv::Rect>& lines, double unit) {
    std::vector<LineLook> looks;
    for (const cv::Rect& line : lines)
        looks.push_back(lineLook(ink, line, unit));
    return measuresOf(looks);
}

namespace {

bool isFurniture(BlockType type) {
    return type == BlockType::Header || type == BlockType::PageNumber ||
           type == BlockType::CatchWord || type == BlockType::SignatureMark;
}

bool isUntypedText(const BlockGroup& g) {
    return !g.table && g.type == BlockType::Paragraph;
}

// Whether two boxes share a column: they overlap horizontally by at least
// half the narrower one.
bool shareColumn(const cv::Rect& a, const cv::Rect& b) {
    return horizontalOverlap(a, b) * 2 >= std::min(a.width, b.width);
}

// The gap from `above` down to `below` (negative when they overlap).
int gapBelow(const cv::Rect& above, const cv::Rect& below) {
    return below.y - (above.y + above.height);
}

// The page as the typing sees it: every group's look against the body's.
struct TypingPage {
    std::vector<BlockGroup>& groups;
    std::vector<TypeMeasures> looks; // relative to the body text: 1 is the body's
    double unit = 0;
    bool hasBody = false; // enough running text for headings to stand out from
};

// Whether a group counts as content (no speck, no rule) that can stand
// above or below another.
bool isContent(const BlockGroup& g, double unit) {
    return g.type != BlockType::Separator && g.box.width >= kSpeck * unit &&
           g.box.height >= kSpeck * unit;
}

// The measures of every text group relative to the body text's: the lines
// of groups of at least three lines.
TypingPage measurePage(std::vector<BlockGroup>& groups, const cv::Mat& ink, double unit) {
    TypingPage page{groups, {}, unit, false};
    std::vector<double> sizes, strokes;
    std::size_t bodyLines = 0;
    for (const BlockGroup& g : groups) {
        // A long block shows its type in a few of its lines as well as in all.
        std::vector<LineLook> looks;
        const std::size_t step = (g.lines.size() + kMeasuredLines - 1) / kMeasuredLines;
        for (std::size_t k = 0; isUntypedText(g) && k < g.lines.size(); k += step)
            looks.push_back(lineLook(ink, g.lines[k], unit));
        page.looks.push_back(measuresOf(looks));
        if (looks.empty() || g.lines.size() < kBodyBlockLines)
            continue;
        bodyLines += g.lines.size();
        for (const LineLook& look : looks) {
            if (look.core > 0)
                sizes.push_back(look.core), strokes.push_back(look.stroke);
        }
    }
    page.hasBody = bodyLines >= kBodyLines;
    const double size = median(sizes), stroke = median(strokes);
    for (TypeMeasures& look : page.looks) {
        look.size = size > 0 ? look.size / size : 1;
        look.weight = stroke > 0 ? look.weight / stroke : 1;
    }
    return page;
}

// Whether nothing of the page's content lies wholly above (`above`) or
// below `r`, and no block of several lines beside it.
bool aloneAtEdge(const TypingPage& page, const cv::Rect& r, bool above) {
    return std::none_of(page.groups.begin(), page.groups.end(), [&](const BlockGroup& g) {
        const bool beyond = above ? gapBelow(g.box, r) >= 0 : gapBelow(r, g.box) >= 0;
        const bool beside = g.lines.size() > 1 && verticalOverlap(g.box, r) > 0;
        return isContent(g, page.unit) && (beyond || beside);
    });
}

// Whether `r` stands in the middle of `within`, clear of both its edges.
bool isCentred(const cv::Rect& r, const cv::Rect& within, double unit) {
    const int left = r.x - within.x;
    const int right = within.x + within.width - (r.x + r.width);
    return std::min(left, right) >= kCentredMargin * unit &&
           std::abs(left - right) <= kCentredSlack * unit;
}

// Running heads and page numbers at the top, signature marks, catch-words
// and page numbers at the foot: single lines with nothing beyond them.
void typeFurniture(TypingPage& page, const cv::Rect& area) {
    const double unit = page.unit;
    for (std::size_t k = 0; k < page.groups.size(); ++k) {
        BlockGroup& g = page.groups[k];
        if (!isUntypedText(g) || g.lines.size() != 1 || !isContent(g, unit))
            continue;
        // Page numbers are narrow; a wider line in bold type is a heading
        // unless centred over the text.
        const bool narrow = g.box.width <= kNumberWidth * unit;
        const bool bold = page.looks[k].weight >= kBoldType;
        if (page.looks[k].size > kFurnitureSize ||
            (!narrow && bold && !isCentred(g.box, area, unit)))
            continue;
        if (aloneAtEdge(page, g.box, true)) {
            g.type = narrow ? BlockType::PageNumber : BlockType::Header;
        } else if (aloneAtEdge(page, g.box, false)) {
            const bool right = area.x + area.width - (g.box.x + g.box.width) <= kNumberWidth * unit;
            g.type = !narrow ? BlockType::SignatureMark
                     : right ? BlockType::CatchWord
                             : BlockType::PageNumber;
        }
    }
}

// Narrow blocks beside much wider text, outside the columns of the body
// text and at the outer edge of the text.
bool isMarginal(const TypingPage& page, const BlockGroup& g) {
    bool besideWide = false, wideLeft = false;
    for (const BlockGroup& w : page.groups) {
        if (&w == &g || !isUntypedText(w) || w.box.width < kMarginRatio * g.box.width)
            continue;
        if (w.lines.size() >= kBodyBlockLines && shareColumn(w.box, g.box))
            return false;
        if (verticalOverlap(w.box, g.box) > 0 &&
            horizontalOverlap(w.box, g.box) <= kSpeck * page.unit) {
            besideWide = true;
            wideLeft = w.box.x < g.box.x;
        }
    }
    if (!besideWide)
        return false;
    // Nothing further out on its side of the text.
    return std::none_of(page.groups.begin(), page.groups.end(), [&](const BlockGroup& h) {
        const bool further =
            wideLeft ? h.box.x >= g.box.x + g.box.width : h.box.x + h.box.width <= g.box.x;
        return &h != &g && isContent(h, page.unit) && h.type != BlockType::Image && further &&
               verticalOverlap(h.box, g.box) > 0;
    });
}

// Few lines against a picture or a table, sharing its column.
bool isCaption(const TypingPage& page, const BlockGroup& g) {
    if (g.lines.size() > kCaptionLines)
        return false;
    return std::any_of(page.groups.begin(), page.groups.end(), [&](const BlockGroup& t) {
        if (!t.table && t.type != BlockType::Image)
            return false;
        const int gap = std::max(gapBelow(t.box, g.box), gapBelow(g.box, t.box));
        return shareColumn(t.box, g.box) && gap >= -kSpeck * page.unit &&
               gap <= kCaptionGap * page.unit;
    });
}

// Footnotes: the blocks of a column under a short rule at its left edge,
// and blocks in smaller type under body text with nothing but furniture
// under them in their column.
void typeFootnotes(TypingPage& page) {
    const double unit = page.unit;
    std::vector<BlockGroup>& groups = page.groups;
    const auto below = [&](const BlockGroup& top) {
        for (BlockGroup& g : groups) {
            if (isUntypedText(g) && shareColumn(g.box, top.box) && g.box.y >= top.box.y)
                g.type = BlockType::Footnote;
        }
    };
    for (const BlockGroup& rule : groups) {
        if (rule.type != BlockType::Separator || rule.box.width < rule.box.height)
            continue;
        for (BlockGroup& g : groups) {
            const int gap = gapBelow(rule.box, g.box);
            if (isUntypedText(g) && gap >= 0 && gap <= kFootRuleGap * unit &&
                std::abs(g.box.x - rule.box.x) <= kEdgeAlign * unit &&
                rule.box.width <= kFootRuleShare * g.box.width) {
                below(g);
                break;
            }
        }
    }
    for (std::size_t k = 0; k < groups.size(); ++k) {
        BlockGroup& g = groups[k];
        if (!isUntypedText(g) || page.looks[k].size > kSmallType || !isContent(g, unit))
            continue;
        const bool atFoot = std::none_of(groups.begin(), groups.end(), [&](const BlockGroup& h) {
            return &h != &g && isContent(h, unit) && !isFurniture(h.type) &&
                   shareColumn(h.box, g.box) && gapBelow(g.box, h.box) >= 0;
        });
        bool underBody = false;
        for (std::size_t b = 0; b < groups.size(); ++b) {
            const BlockGroup& h = groups[b];
            underBody |= h.type == BlockType::Paragraph && !h.table &&
                         h.lines.size() >= kBodyBlockLines && page.looks[b].size > kSmallType &&
                         shareColumn(h.box, g.box) && gapBelow(h.box, g.box) >= 0;
        }
        if (atFoot && underBody)
            g.type = BlockType::Footnote;
    }
}

// The horizontal extent of the column of `g`: the text blocks of several
// lines that share its column, or `g` itself.
cv::Rect columnOf(const TypingPage& page, const BlockGroup& g) {
    cv::Rect column = g.box;
    for (const BlockGroup& c : page.groups) {
        if (c.lines.size() >= 2 && c.type == BlockType::Paragraph &&
            horizontalOverlap(c.box, g.box) * 2 >= g.box.width)
            column |= c.box;
    }
    return column;
}

// Headings: a few lines in larger and heavier type than the body, or in
// bold type, or a single line set in the middle of its column.
bool isHeading(const TypingPage& page, std::size_t k) {
    const BlockGroup& g = page.groups[k];
    const TypeMeasures& look = page.looks[k];
    if (look.size >= kLargeType ? look.weight >= kHeavierType : look.weight >= kBoldType)
        return true;
    return g.lines.size() == 1 && isCentred(g.box, columnOf(page, g), page.unit);
}

// Displayed formulas: lines reaching higher and lower than the body's
// (fractions, indices, large signs) in strokes no heavier, set off from
// both edges of the column, or a narrow equation number.
bool isMaths(const TypingPage& page, std::size_t k) {
    const BlockGroup& g = page.groups[k];
    const TypeMeasures& look = page.looks[k];
    if (look.size < kLargeType || look.weight >= kHeavierType)
        return false;
    const cv::Rect column = columnOf(page, g);
    const int left = g.box.x - column.x;
    const int right = column.x + column.width - (g.box.x + g.box.width);
    return std::min(left, right) >= kCentredMargin * page.unit ||
           g.box.width <= kNumberWidth * page.unit;
}

} // namespace

void typeBlocks(std::vector<BlockGroup>& groups, const cv::Mat& ink, double unit) {
    for (BlockGroup& g : groups) {
        // A table of one row is a line of text spaced out.
        if (g.table && g.box.height < kSingleRow * unit) {
            g.table = false;
            g.lines = textLines(ink, {g.box}, unit);
        }
    }
    TypingPage page = measurePage(groups, ink, unit);
    cv::Rect area;
    for (const BlockGroup& g : groups) {
        if (isContent(g, unit))
            area = area.empty() ? g.box : area | g.box;
    }
    for (std::size_t k = 0; k < groups.size(); ++k) {
        // Text has no long straight strokes; drawings with labels do.
        if (isUntypedText(groups[k]) && page.looks[k].drawn >= kDrawnShare) {
            groups[k].type = BlockType::Image;
            groups[k].lines.clear();
        }
    }
    for (BlockGroup& g : groups) {
        if (isUntypedText(g) && isCaption(page, g))
            g.type = BlockType::Caption;
    }
    typeFurniture(page, area);
    for (BlockGroup& g : groups) {
        if (isUntypedText(g) && isMarginal(page, g))
            g.type = BlockType::Marginalia;
    }
    typeFootnotes(page);
    for (std::size_t k = 0; k < groups.size(); ++k) {
        BlockGroup& g = groups[k];
        if (!isUntypedText(g) || !page.hasBody || g.lines.size() > kHeadingLines)
            continue;
        if (isHeading(page, k))
            g.type = BlockType::Heading;
        else if (isMaths(page, k))
            g.type = BlockType::Maths;
    }
}

} // namespace pagecut
