// SPDX-License-Identifier: Apache-2.0
#include "paragraph/reading_order.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "core/rect_algebra.h"

namespace pagecut {

namespace {

// Limits in units of U, the height of a line of text.
constexpr double kColumnSlack = 0.3; // blocks overlapping by at most this share no column
constexpr double kBandSlack = 0.5;   // a spanning block divides bands within this
constexpr double kHeadingGap = 2.0;  // a block belongs to the column under it this near
constexpr double kRowLine = 1.6;     // a page's head and foot: single lines at most this tall,
constexpr double kRowGap = 0.75;     // set off from the text by at least this,
constexpr double kNarrow = 6.0;      // page numbers and marks at most this wide,
constexpr double kRowReach = 2.0;    // a footer reaches both edges of the text within this
constexpr double kNoteWidth = 10.0;  // a marginal note: at most this wide,
constexpr double kNoteShare = 0.4;   // and this share of its block's width,
constexpr double kNoteGap = 6.0;     // at most this far beside it,
constexpr double kNoteClear = 2.0;   // with no wider block this near in its own column

// Whether two blocks stand in a common column: they overlap horizontally by
// more than a slack that forgives a ragged edge reaching into the gutter.
bool shareColumns(const cv::Rect& a, const cv::Rect& b, double unit) {
    const double slack = std::min(kColumnSlack * unit, 0.5 * std::min(a.width, b.width));
    return horizontalOverlap(a, b) > slack;
}

// Whether `c` divides `a` and `b` into bands: it ends above the lower one
// and below the top of the upper one. It lies between them, or level with
// the upper one: a block of a row that spans the columns, like the middle
// one of three authors under a title.
bool dividesBands(const cv::Rect& c, const cv::Rect& a, const cv::Rect& b, double unit) {
    const cv::Rect& upper = a.y + a.height / 2 <= b.y + b.height / 2 ? a : b;
    const cv::Rect& lower = &upper == &a ? b : a;
    const double slack = kBandSlack * unit;
    const int bottom = c.y + c.height;
    return bottom <= lower.y + slack && bottom > upper.y + slack;
}

// Highest top first, then leftmost, then the given order.
bool readEarlier(const std::vector<cv::Rect>& blocks, std::size_t a, std::size_t b) {
    const cv::Rect& ra = blocks[a];
    const cv::Rect& rb = blocks[b];
    if (ra.y != rb.y)
        return ra.y < rb.y;
    if (ra.x != rb.x)
        return ra.x < rb.x;
    return a < b;
}

} // namespace

namespace {

// Which of the blocks `ids` share a column: a matrix, and for each block the
// list of the others it shares one with.
struct ColumnMates {
    std::vector<std::vector<std::uint8_t>> shares;
    std::vector<std::vector<std::size_t>> mates;
};

// Whether block `a` is read before block `b` (both among `ids`): in one
// column, the upper first; in different columns, the left one first unless a
// block spanning both divides them into bands.
bool comesBefore(const std::vector<cv::Rect>& blocks, const std::vector<std::size_t>& ids,
                 const ColumnMates& columns, std::size_t a, std::size_t b, double unit) {
    const cv::Rect& ra = blocks[ids[a]];
    const cv::Rect& rb = blocks[ids[b]];
    if (columns.shares[a][b])
        return readEarlier(blocks, ids[a], ids[b]);
    if (2 * ra.x + ra.width >= 2 * rb.x + rb.width)
        return false;
    for (const std::size_t c : columns.mates[a]) {
        if (columns.shares[c][b] && dividesBands(blocks[ids[c]], ra, rb, unit))
            return false;
    }
    return true;
}

// Whether block `o` spans columns: it shares one with two blocks that share
// none with each other.
bool spansColumns(const std::vector<cv::Rect>& blocks, const std::vector<std::size_t>& ids,
                  const cv::Rect& o, double unit) {
    std::vector<std::size_t> mates;
    for (std::size_t k : ids) {
        if (shareColumns(blocks[k], o, unit) && blocks[k] != o)
            mates.push_back(k);
    }
    for (std::size_t i = 0; i < mates.size(); ++i) {
        for (std::size_t j = i + 1; j < mates.size(); ++j) {
            if (!shareColumns(blocks[mates[i]], blocks[mates[j]], unit))
                return true;
        }
    }
    return false;
}

// Whether `wide`, the columns of `r` widened, would take in a block of
// another column beside `r` (level with it): the next column's text beside
// a column's last paragraph, which stands close over a full-width figure.
// A block beside it that spans columns itself (the middle one of three
// authors in a row) does not count.
bool reachesBeside(const std::vector<cv::Rect>& blocks, const std::vector<std::size_t>& ids,
                   const cv::Rect& r, const cv::Rect& wide, double unit) {
    return std::any_of(ids.begin(), ids.end(), [&](std::size_t k) {
        const cv::Rect& o = blocks[k];
        return verticalOverlap(o, r) > 0 && !shareColumns(o, r, unit) &&
               shareColumns(o, wide, unit) && !spansColumns(blocks, ids, o, unit);
    });
}

// The columns of the blocks `ids`: each block's columns, widened to those of
// the block right below it when it lies within that one's width and nothing
// beside it gets in the way. A heading belongs to the column of the text
// under it, even where it is shorter than a title that spans that column.
std::vector<cv::Rect> columnsOf(const std::vector<cv::Rect>& blocks,
                                const std::vector<std::size_t>& ids, double unit) {
    std::vector<std::size_t> upward(ids.size());
    std::iota(upward.begin(), upward.end(), std::size_t{0});
    std::sort(upward.begin(), upward.end(),
              [&](std::size_t a, std::size_t b) { return blocks[ids[a]].y > blocks[ids[b]].y; });
    std::vector<cv::Rect> columns(ids.size());
    for (std::size_t i = 0; i < upward.size(); ++i) {
        const cv::Rect& r = blocks[ids[upward[i]]];
        columns[upward[i]] = r;
        int below = -1;
        for (std::size_t j = 0; j < i; ++j) {
            const cv::Rect& c = blocks[ids[upward[j]]];
            if (shareColumns(r, c, unit) && c.y >= r.y + r.height - kBandSlack * unit &&
                (below < 0 || c.y < blocks[ids[upward[below]]].y))
                below = static_cast<int>(j);
        }
        if (below < 0 || blocks[ids[upward[below]]].y - (r.y + r.height) > kHeadingGap * unit)
            continue;
        const cv::Rect& under = columns[upward[below]];
        const double slack = kColumnSlack * unit;
        const cv::Rect wide(under.x, r.y, under.width, r.height);
        if (r.x >= under.x - slack && r.x + r.width <= under.x + under.width + slack &&
            !reachesBeside(blocks, ids, r, wide, unit))
            columns[upward[i]] = wide;
    }
    return columns;
}

// `ids` in the order of the columns: a topological order of comesBefore,
// taking the highest of the blocks that are free to go next. Conflicting
// cues (overlapping blocks) can close a cycle; then the highest block left
// goes next all the same.
std::vector<std::size_t> columnOrder(const std::vector<cv::Rect>& blocks,
                                     const std::vector<std::size_t>& ids, double unit) {
    const std::size_t n = ids.size();
    const std::vector<cv::Rect> widened = columnsOf(blocks, ids, unit);
    ColumnMates columns{std::vector<std::vector<std::uint8_t>>(n, std::vector<std::uint8_t>(n, 0)),
                        std::vector<std::vector<std::size_t>>(n)};
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = 0; b < n; ++b) {
            columns.shares[a][b] = a != b && shareColumns(widened[a], widened[b], unit);
            if (columns.shares[a][b])
                columns.mates[a].push_back(b);
        }
    }
    std::vector<std::vector<std::size_t>> later(n);
    std::vector<int> waiting(n, 0);
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = 0; b < n; ++b) {
            if (a != b && comesBefore(blocks, ids, columns, a, b, unit)) {
                later[a].push_back(b);
                ++waiting[b];
            }
        }
    }
    std::vector<std::size_t> order;
    std::vector<std::uint8_t> taken(n, 0);
    for (std::size_t step = 0; step < n; ++step) {
        std::size_t best = n, bestFree = n;
        for (std::size_t k = 0; k < n; ++k) {
            if (taken[k])
                continue;
            if (best == n || readEarlier(blocks, ids[k], ids[best]))
                best = k;
            if (waiting[k] == 0 && (bestFree == n || readEarlier(blocks, ids[k], ids[bestFree])))
                bestFree = k;
        }
        const std::size_t next = bestFree < n ? bestFree : best;
        taken[next] = 1;
        order.push_back(ids[next]);
        for (std::size_t k : later[next])
            --waiting[k];
    }
    return order;
}

} // namespace

namespace {

// The blocks of the row at the top (`top`) or the foot of the page: the
// block nearest that edge and every block that overlaps the row vertically.
std::vector<std::size_t> edgeRow(const std::vector<cv::Rect>& blocks, bool top) {
    std::vector<std::size_t> row;
    std::vector<std::uint8_t> in(blocks.size(), 0);
    int y0 = 0, y1 = 0;
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        const cv::Rect& r = blocks[k];
        if (row.empty() || (top ? r.y < y0 : r.y + r.height > y1))
            row = {k}, y0 = r.y, y1 = r.y + r.height;
    }
    for (bool grown = true; grown;) {
        grown = false;
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            const cv::Rect& r = blocks[k];
            if (in[k] || std::find(row.begin(), row.end(), k) != row.end() || r.y >= y1 ||
                r.y + r.height <= y0)
                continue;
            in[k] = 1, grown = true;
            row.push_back(k);
            y0 = std::min(y0, r.y), y1 = std::max(y1, r.y + r.height);
        }
    }
    std::sort(row.begin(), row.end(),
              [&](std::size_t a, std::size_t b) { return blocks[a].x < blocks[b].x; });
    return row;
}

// The running head and page number above the text (`top`): a row of single
// lines set off from the rest. Or the page number, signature mark and
// catch-word below the text: such a row whose blocks are all narrow, or
// which reaches both edges of the text with but one wide block (a footer
// beside its page number); the single-line footnotes of two columns are no
// such row. Empty if there is none.
std::vector<std::size_t> pageHeadOrFoot(const std::vector<cv::Rect>& blocks, bool top,
                                        double unit) {
    const std::vector<std::size_t> row = edgeRow(blocks, top);
    if (row.empty() || row.size() == blocks.size())
        return {};
    cv::Rect rowBox, rest;
    int wide = 0;
    for (std::size_t k : row) {
        if (blocks[k].height > kRowLine * unit)
            return {};
        rowBox = rowBox.empty() ? blocks[k] : rowBox | blocks[k];
        wide += blocks[k].width > kNarrow * unit;
    }
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        if (std::find(row.begin(), row.end(), k) == row.end())
            rest = rest.empty() ? blocks[k] : rest | blocks[k];
    }
    const int gap = top ? rest.y - (rowBox.y + rowBox.height) : rowBox.y - (rest.y + rest.height);
    if (gap < kRowGap * unit)
        return {};
    const bool reaches = rowBox.x <= rest.x + kRowReach * unit &&
                         rowBox.x + rowBox.width >= rest.x + rest.width - kRowReach * unit;
    if (top || wide == 0 || (reaches && wide == 1))
        return row;
    return {};
}

} // namespace

namespace {

// Whether `note`, a narrow block beside the wider `body`, stands in a margin
// of its own: no block wider than a note shares its column near `body`.
bool inMargin(const std::vector<cv::Rect>& blocks, const std::vector<std::size_t>& ids,
              const cv::Rect& note, const cv::Rect& body, double unit) {
    const double clear = kNoteClear * unit;
    for (std::size_t k : ids) {
        const cv::Rect& r = blocks[k];
        const bool near = r.y < body.y + body.height + clear && r.y + r.height > body.y - clear;
        if (near && r.width > kNoteShare * body.width && shareColumns(r, note, unit))
            return false;
    }
    return true;
}

// For each block, the block it is a marginal note to, or -1: a block at most
// kNoteWidth wide and kNoteShare as wide as one beside it (overlapping it by
// half the note's height, at most kNoteGap away) in a margin of its own; a
// narrow column of text beside another is no margin. Of several, the nearest.
std::vector<int> marginalNotes(const std::vector<cv::Rect>& blocks,
                               const std::vector<std::size_t>& ids, double unit) {
    std::vector<int> anchor(blocks.size(), -1);
    for (std::size_t n : ids) {
        const cv::Rect& note = blocks[n];
        int best = -1, bestGap = 0;
        for (std::size_t b : ids) {
            const cv::Rect& body = blocks[b];
            const int gap = -horizontalOverlap(note, body);
            if (b == n || note.width > std::min(kNoteShare * body.width, kNoteWidth * unit) ||
                gap < 0 || gap > kNoteGap * unit || 2 * verticalOverlap(note, body) < note.height)
                continue;
            if ((best < 0 || gap < bestGap) && inMargin(blocks, ids, note, body, unit))
                best = static_cast<int>(b), bestGap = gap;
        }
        anchor[n] = best;
    }
    // A note to a note is read with the block that one stands beside.
    for (std::size_t n : ids) {
        if (anchor[n] >= 0 && anchor[anchor[n]] >= 0)
            anchor[n] = -1;
    }
    return anchor;
}

} // namespace

std::vector<std::size_t> readingOrder(const std::vector<cv::Rect>& blocks, double unit) {
    std::vector<std::uint8_t> placed(blocks.size(), 0);
    const std::vector<std::size_t> head = pageHeadOrFoot(blocks, true, unit);
    for (std::size_t k : head)
        placed[k] = 1;
    std::vector<std::size_t> foot;
    if (blocks.size() > head.size()) {
        foot = pageHeadOrFoot(blocks, false, unit);
        for (std::size_t k : foot)
            placed[k] = 1;
    }
    std::vector<std::size_t> text;
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        if (!placed[k])
            text.push_back(k);
    }
    const std::vector<int> anchor = marginalNotes(blocks, text, unit);
    std::vector<std::size_t> body;
    for (std::size_t k : text) {
        if (anchor[k] < 0)
            body.push_back(k);
    }
    std::vector<std::size_t> order = head;
    for (std::size_t b : columnOrder(blocks, body, unit)) {
        order.push_back(b);
        std::vector<std::size_t> notes;
        for (std::size_t k : text) {
            if (anchor[k] == static_cast<int>(b))
                notes.push_back(k);
        }
        std::sort(notes.begin(), notes.end(),
                  [&](std::size_t x, std::size_t y) { return readEarlier(blocks, x, y); });
        order.insert(order.end(), notes.begin(), notes.end());
    }
    order.insert(order.end(), foot.begin(), foot.end());
    return order;
}

} // namespace pagecut
