// SPDX-License-Identifier: Apache-2.0
#include "paragraph/non_text.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/profile.h"
#include "core/rect_algebra.h"

namespace pagecut {

namespace {

// Every limit in units of U, the height of a line of text.
constexpr double kPictureReach = 0.5;       // picture pieces this close are one picture
constexpr double kPictureSide = 2.0;        // a picture: at least this long both ways
constexpr double kLetterLine = 5.0;         // a line of letters is at most this high,
constexpr int kLetters = 4;                 // and holds this many strokes side by side
constexpr double kFlatHeight = 2.0;         // an ornamental rule: at most this high
constexpr double kFlatRatio = 8.0;          // and this many times as wide
constexpr double kRuleLength = 3.0;         // a rule: at least this long
constexpr double kVerticalRuleLength = 6.0; // a vertical one: at least this long
constexpr double kRuleGap = 0.5;            // rules this close along one stretch are one
constexpr double kRuleShare = 0.8;          // sharing this much of the shorter one
constexpr double kBorder = 0.5;             // rules this close to the page's border are none

cv::Rect grown(const cv::Rect& r, int by) {
    return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by};
}

BlockGroup nonTextGroup(const cv::Rect& box, int first, BlockType type) {
    return {box, first, false, {}, type};
}

int rootOf(std::vector<std::size_t>& parent, std::size_t k) {
    while (parent[k] != k)
        k = parent[k] = parent[parent[k]];
    return static_cast<int>(k);
}

// Joins the groups of `type` whose boxes grown by `reach` overlap until
// none do. Each round joins whole chains of overlapping groups at once.
void joinNear(std::vector<BlockGroup>& groups, BlockType type, int reach) {
    for (bool joined = true; joined;) {
        joined = false;
        std::vector<std::size_t> parent(groups.size());
        std::iota(parent.begin(), parent.end(), std::size_t{0});
        for (std::size_t i = 0; i < groups.size(); ++i) {
            for (std::size_t j = i + 1; j < groups.size(); ++j) {
                if (groups[i].type == type && groups[j].type == type &&
                    overlaps(grown(groups[i].box, reach), groups[j].box)) {
                    parent[rootOf(parent, j)] = static_cast<std::size_t>(rootOf(parent, i));
                    joined = true;
                }
            }
        }
        std::vector<BlockGroup> out;
        std::vector<int> at(groups.size(), -1);
        for (std::size_t k = 0; k < groups.size(); ++k) {
            const int root = rootOf(parent, k);
            if (at[root] < 0) {
                at[root] = static_cast<int>(out.size());
                out.push_back(groups[k]);
                continue;
            }
            BlockGroup& into = out[at[root]];
            into.box |= groups[k].box;
            into.first = std::min(into.first, groups[k].first);
        }
        groups = std::move(out);
    }
}

// Whether two rules run along one stretch close enough to be one (a double
// rule): less than kRuleGap apart, sharing most of the shorter one's length.
bool oneRule(const cv::Rect& a, const cv::Rect& b, double unit) {
    const bool flat = a.width >= a.height;
    if (flat != (b.width >= b.height))
        return false;
    const int along = flat ? horizontalOverlap(a, b) : verticalOverlap(a, b);
    const int across = flat ? verticalOverlap(a, b) : horizontalOverlap(a, b);
    const int shorter = flat ? std::min(a.width, b.width) : std::min(a.height, b.height);
    return along >= kRuleShare * shorter && -across <= kRuleGap * unit;
}

// Whether a cluster is a line of large letters rather than a picture: low,
// and parted by blank columns into several strokes no wider than it is high.
bool isLetterLine(const cv::Mat& ink, const cv::Rect& r, double unit) {
    if (r.height > kLetterLine * unit)
        return false;
    const cv::Mat columns = columnProfile(ink(r));
    const int* v = columns.ptr<int>();
    int strokes = 0, start = -1;
    for (int x = 0; x <= r.width; ++x) {
        const bool inked = x < r.width && v[x] != 0;
        if (inked && start < 0)
            start = x;
        if (!inked && start >= 0) {
            strokes += x - start <= r.height;
            start = -1;
        }
    }
    return strokes >= kLetters;
}

// The number of text pieces (in reading order) that stand above `r`.
int placeAmong(const std::vector<cv::Rect>& text, const cv::Rect& r) {
    return static_cast<int>(std::count_if(
        text.begin(), text.end(), [&](const cv::Rect& t) { return t.y + t.height / 2 < r.y; }));
}

bool isRule(const cv::Rect& r, double unit) {
    const bool flat = r.width >= r.height;
    return std::max(r.width, r.height) >= (flat ? kRuleLength : kVerticalRuleLength) * unit;
}

// Rules that touch a picture (within `reach`) are part of it: axes, frames,
// hatching.
void joinRulesToPictures(std::vector<BlockGroup>& found, int reach) {
    for (auto rule = found.begin(); rule != found.end();) {
        auto picture = std::find_if(found.begin(), found.end(), [&](const BlockGroup& g) {
            return g.type == BlockType::Image && overlaps(grown(g.box, reach), rule->box);
        });
        if (rule->type != BlockType::Separator || picture == found.end()) {
            ++rule;
            continue;
        }
        picture->box |= rule->box;
        rule = found.erase(rule);
    }
}

// Rules along one stretch close to each other are one separator.
void joinDoubleRules(std::vector<BlockGroup>& found, double unit) {
    for (std::size_t i = 0; i < found.size(); ++i) {
        for (std::size_t j = i + 1; j < found.size();) {
            if (found[i].type != BlockType::Separator || found[j].type != BlockType::Separator ||
                !oneRule(found[i].box, found[j].box, unit)) {
                ++j;
                continue;
            }
            found[i].box |= found[j].box;
            found[i].first = std::min(found[i].first, found[j].first);
            found.erase(found.begin() + static_cast<std::ptrdiff_t>(j));
        }
    }
}

} // namespace

std::vector<BlockGroup> nonTextGroups(const cv::Mat& ink, const std::vector<NonTextPiece>& pieces,
                                      const std::vector<cv::Rect>& rules,
                                      const std::vector<cv::Rect>& text, double unit) {
    std::vector<BlockGroup> pictures, found;
    for (const NonTextPiece& piece : pieces) {
        if (piece.rule)
            found.push_back(nonTextGroup(piece.box, piece.place, BlockType::Separator));
        else
            pictures.push_back(nonTextGroup(piece.box, piece.place, BlockType::Image));
    }
    const int reach = static_cast<int>(std::lround(kPictureReach * unit));
    joinNear(pictures, BlockType::Image, reach);
    for (const BlockGroup& g : pictures) {
        const cv::Rect& r = g.box;
        if (r.height <= kFlatHeight * unit && r.width >= kFlatRatio * r.height)
            found.push_back(nonTextGroup(r, g.first, BlockType::Separator));
        else if (isLetterLine(ink, r, unit))
            found.push_back(nonTextGroup(r, g.first, BlockType::Paragraph));
        else if (std::min(r.width, r.height) >= kPictureSide * unit)
            found.insert(found.begin(), g);
    }
    for (const cv::Rect& r : rules) {
        if (isRule(r, unit))
            found.push_back(nonTextGroup(r, placeAmong(text, r), BlockType::Separator));
    }
    joinRulesToPictures(found, reach);
    joinNear(found, BlockType::Image, reach);
    joinDoubleRules(found, unit);
    const cv::Rect inner = grown({0, 0, ink.cols, ink.rows}, -static_cast<int>(kBorder * unit));
    std::erase_if(found, [&](const BlockGroup& g) {
        return g.type == BlockType::Separator && (g.box & inner) != g.box;
    });
    // Scaling the page down wears a pixel off each side of a thin rule.
    for (BlockGroup& g : found) {
        if (g.type == BlockType::Separator)
            g.box = clipToImage(g.box.width >= g.box.height
                                    ? cv::Rect(g.box.x, g.box.y - 1, g.box.width, g.box.height + 2)
                                    : cv::Rect(g.box.x - 1, g.box.y, g.box.width + 2, g.box.height),
                                ink);
    }
    return found;
}

std::vector<cv::Rect> withoutPictureText(const std::vector<cv::Rect>& pieces,
                                         std::vector<BlockGroup>& groups, double unit) {
    // Lines of large letters go back among the text pieces, at their place.
    std::vector<BlockGroup> letters;
    for (auto g = groups.begin(); g != groups.end();) {
        if (g->type != BlockType::Paragraph) {
            ++g;
            continue;
        }
        letters.push_back(*g);
        g = groups.erase(g);
    }
    std::stable_sort(letters.begin(), letters.end(),
                     [](const BlockGroup& a, const BlockGroup& b) { return a.first < b.first; });
    std::vector<cv::Rect> kept;
    std::vector<int> keptBefore; // for each piece, how many were kept before it
    auto letter = letters.begin();
    for (std::size_t k = 0; k <= pieces.size(); ++k) {
        for (; letter != letters.end() && letter->first <= static_cast<int>(k); ++letter)
            kept.push_back(letter->box);
        if (k == pieces.size())
            break;
        const cv::Rect& piece = pieces[k];
        keptBefore.push_back(static_cast<int>(kept.size()));
        auto inside = std::find_if(groups.begin(), groups.end(), [&](const BlockGroup& g) {
            return g.type == BlockType::Image && 2 * (g.box & piece).area() >= piece.area();
        });
        if (inside == groups.end())
            kept.push_back(piece);
        else
            inside->box |= piece;
    }
    for (BlockGroup& g : groups) {
        g.first = g.first < static_cast<int>(keptBefore.size()) ? keptBefore[g.first]
                                                                : static_cast<int>(kept.size());
    }
    joinNear(groups, BlockType::Image, static_cast<int>(std::lround(kPictureReach * unit)));
    return kept;
}

void dropInnerNonText(std::vector<BlockGroup>& nonText, const std::vector<BlockGroup>& groups,
                      const std::vector<cv::Rect>& text, double unit) {
    const int reach = static_cast<int>(std::lround(kPictureReach * unit));
    const auto inside = [](const cv::Rect& inner, const cv::Rect& outer) {
        return 2 * (inner & outer).area() >= inner.area();
    };
    std::erase_if(nonText, [&](const BlockGroup& g) {
        const bool inTable = std::any_of(groups.begin(), groups.end(), [&](const BlockGroup& t) {
            return t.table && inside(g.box, grown(t.box, reach));
        });
        const bool inText = std::any_of(text.begin(), text.end(),
                                        [&](const cv::Rect& t) { return inside(g.box, t); });
        return inTable || (g.type == BlockType::Separator && inText);
    });
}

} // namespace pagecut
