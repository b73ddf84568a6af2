// SPDX-License-Identifier: Apache-2.0
#include "strategies/closed_background.h"

#include <algorithm>
#include <bit>
#include <numeric>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pagecut {

namespace {

// Rows of the closing are handled as bits: pixel x is bit x % 64 of word
// x / 64, and the bits past a row's width are always 0. A word then carries
// 64 pixels through every OR of the dilations.
using Word = std::uint64_t;
constexpr int kWordBits = 64;

int wordsFor(int bits) {
    return (bits + kWordBits - 1) / kWordBits;
}

// Packs `width` bytes into bits: 1 where the byte is not 0.
void packRow(const std::uint8_t* row, int width, Word* bits) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; x + kWordBits <= width; x += kWordBits) {
        Word blank = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i bytes =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x + 16 * k));
            const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero));
            blank |= Word(static_cast<std::uint16_t>(mask)) << (16 * k);
        }
        bits[x / kWordBits] = ~blank;
    }
#endif
    std::fill(bits + x / kWordBits, bits + wordsFor(width), Word(0));
    for (; x < width; ++x)
        bits[x / kWordBits] |= Word(row[x] != 0) << (x % kWordBits);
}

// bits[x] |= bits[x + shift] for the `words` words of bits, which are
// followed by at least shift / 64 + 1 words of 0. Words are taken in
// increasing order, so each reads its source before that is changed.
void orShiftedDown(Word* bits, int words, int shift) {
    const int q = shift / kWordBits;
    const int r = shift % kWordBits;
    if (r == 0) {
        for (int i = 0; i < words; ++i)
            bits[i] |= bits[i + q];
        return;
    }
    for (int i = 0; i < words; ++i)
        bits[i] |= (bits[i + q] >> r) | (bits[i + q + 1] << (kWordBits - r));
}

// out[x] = in[x - shift] (0 where x < shift) for the `outWords` words of out,
// at least inWords + shift / 64 + 1 of them; in holds `inWords` words.
void shiftUp(const Word* in, int inWords, int shift, Word* out, int outWords) {
    const int q = shift / kWordBits;
    const int r = shift % kWordBits;
    std::fill(out, out + outWords, Word(0));
    if (r == 0) {
        std::copy(in, in + inWords, out + q);
        return;
    }
    // Word k of in goes to the top of out[k + q] and the bottom of out[k + q + 1].
    for (int k = 0; k < inWords; ++k) {
        out[k + q] |= in[k] << r;
        out[k + q + 1] |= in[k] >> (kWordBits - r);
    }
}

// The first bit at or after `from` that is 1 (with `set`) or 0 (without) in
// the `words` words of `bits`; words * 64 when there is none.
int nextBit(const Word* bits, int words, int from, bool set) {
    int w = from / kWordBits;
    if (w >= words)
        return words * kWordBits;
    const Word flip = set ? Word(0) : ~Word(0);
    Word current = (bits[w] ^ flip) & (~Word(0) << (from % kWordBits));
    while (current == 0) {
        if (++w == words)
            return words * kWordBits;
        current = bits[w] ^ flip;
    }
    return w * kWordBits + std::countr_zero(current);
}

// Sets the bits [from, to) of `bits`; from < to.
void setBits(Word* bits, int from, int to) {
    const int first = from / kWordBits;
    const int last = (to - 1) / kWordBits;
    const Word fromMask = ~Word(0) << (from % kWordBits);
    const Word toMask = ~Word(0) >> (kWordBits - 1 - (to - 1) % kWordBits);
    if (first == last) {
        bits[first] |= fromMask & toMask;
        return;
    }
    bits[first] |= fromMask;
    std::fill(bits + first + 1, bits + last, ~Word(0));
    bits[last] |= toMask;
}

// The horizontal dilation of dilateRow by widening each run of 1 bits;
// false, with `out` unfinished, when the row has more than `maxRuns` runs.
bool dilateRuns(const Word* in, int width, int size, int left, Word* out, int maxRuns) {
    const int words = wordsFor(width);
    std::fill(out, out + words, Word(0));
    int runs = 0;
    for (int x = nextBit(in, words, 0, true); x < width; x = nextBit(in, words, x, true)) {
        if (++runs > maxRuns)
            return false;
        const int start = x;
        x = nextBit(in, words, x, false);
        // The windows that meet [start, x).
        setBits(out, std::max(0, start - (size - 1 - left)), std::min(width, x + left));
    }
    return true;
}

// The scratch words of dilateRow: the row with room for the window, and the
// zero words that the shifts read past it.
int scratchWords(int width, int size) {
    return wordsFor(width + size) + 1 + size / kWordBits + 2;
}

// One row dilated by a horizontal window: out[x] = OR of
// in[x - left .. x - left + size - 1] for x < width, where pixels outside the
// row are 0. `scratch` holds scratchWords(width, size) words, the last
// size / 64 + 2 of them 0.
void dilateRow(const Word* in, int width, int size, int left, Word* scratch, Word* out) {
    const int words = wordsFor(width);
    // Rows that went through the tall window mostly have a few long runs,
    // which are cheaper to widen one by one; past one run in four words the
    // shifted words cost less.
    if (dilateRuns(in, width, size, left, out, words / 4))
        return;
    const int padded = wordsFor(width + size) + 1;
    // Shifted up by `left`, the window of x starts at x.
    shiftUp(in, words, left, scratch, padded);
    // Windows of doubling length first: a window of 11 takes four ORs.
    int span = 1;
    for (; span * 2 <= size; span *= 2)
        orShiftedDown(scratch, padded, span);
    if (size > span)
        orShiftedDown(scratch, padded, size - span);
    std::copy(scratch, scratch + words, out);
    if (width % kWordBits != 0)
        out[words - 1] &= (Word(1) << (width % kWordBits)) - 1;
}

// The OR of the last `size` rows of bits pushed, streamed: rows are taken in
// chunks of `size`, and a window that ends at row v is the OR of the suffix of
// the chunk before v's, from v - size + 1 on, and the prefix of v's chunk up to
// v. Both are kept, so a row costs a few word ORs whatever the size.
class WindowOr {
  public:
    WindowOr(int words, int size)
        : words_(words), size_(size), chunk_(std::size_t(words) * size),
          suffix_(std::size_t(words) * size), prefix_(words), out_(words) {}

    // Adds the next row; returns the OR of the last `size` rows once that
    // many have come, else nullptr. The result stays valid until the next
    // push.
    const Word* push(const Word* row) {
        const int j = static_cast<int>(pushed_ % size_);
        ++pushed_;
        Word* slot = chunk_.data() + std::size_t(j) * words_;
        std::copy(row, row + words_, slot);
        for (int i = 0; i < words_; ++i)
            prefix_[i] = j == 0 ? row[i] : prefix_[i] | row[i];
        if (j == size_ - 1) {
            // The window is this chunk; its suffixes serve the next one.
            for (int k = size_ - 2; k >= 0; --k) {
                Word* into = chunk_.data() + std::size_t(k) * words_;
                for (int i = 0; i < words_; ++i)
                    into[i] |= into[i + words_];
            }
            std::swap(chunk_, suffix_);
            return prefix_.data();
        }
        if (pushed_ < size_)
            return nullptr;
        const Word* tail = suffix_.data() + std::size_t(j + 1) * words_;
        for (int i = 0; i < words_; ++i)
            out_[i] = tail[i] | prefix_[i];
        return out_.data();
    }

  private:
    int words_;
    int size_;
    long long pushed_ = 0;
    std::vector<Word> chunk_, suffix_, prefix_, out_;
};

// Streams the rows of the closed block's background (bit 1 where the closing
// left background) to `emit(y, bits)`, top to bottom.
//
// Binary dilation and erosion by a rectangle are separable: a window of rows
// is ORed, then each row is dilated across. The erosion is a dilation of the
// background, and the closed block's background is exactly that dilated
// background, so both steps are the same dilation, the second applied to the
// complement of the first. Rows outside the block count as blank for the
// dilation and as ink for the erosion, as the border does: both are 0 rows
// entering a dilation, `above` of them before the block and the rest of the
// window after it.
template <typename Emit>
void streamClosedBackground(const cv::Mat& block, int kernelWidth, int kernelHeight, Emit emit) {
    const int width = block.cols;
    const int words = wordsFor(width);
    const int left = kernelWidth / 2;
    const int above = kernelHeight / 2;
    const int below = kernelHeight - 1 - above;
    std::vector<Word> blank(words), packed(words), inked(words), gap(words), background(words);
    std::vector<Word> scratch(scratchWords(width, kernelWidth));
    WindowOr ink(words, kernelHeight), gaps(words, kernelHeight);
    int closedRow = 0;
    const auto pushGaps = [&](const Word* row) {
        if (const Word* window = gaps.push(row)) {
            dilateRow(window, width, kernelWidth, left, scratch.data(), background.data());
            emit(closedRow++, background.data());
        }
    };
    const auto pushInk = [&](const Word* row) {
        const Word* window = ink.push(row);
        if (window == nullptr)
            return;
        dilateRow(window, width, kernelWidth, left, scratch.data(), inked.data());
        // The dilated row's background goes on to be dilated in turn.
        for (int i = 0; i < words; ++i)
            gap[i] = ~inked[i];
        if (width % kWordBits != 0)
            gap[words - 1] &= (Word(1) << (width % kWordBits)) - 1;
        pushGaps(gap.data());
    };
    for (int v = 0; v < above; ++v) {
        pushInk(blank.data());
        pushGaps(blank.data());
    }
    for (int y = 0; y < block.rows; ++y) {
        packRow(block.ptr<std::uint8_t>(y), width, packed.data());
        pushInk(packed.data());
    }
    for (int v = 0; v < below; ++v)
        pushInk(blank.data());
    for (int v = 0; v < below; ++v)
        pushGaps(blank.data());
}

struct Run {
    int y;
    int x0, x1; // columns [x0, x1)
    int label;
};

int findRoot(std::vector<int>& parent, int label) {
    while (parent[label] != label) {
        parent[label] = parent[parent[label]];
        label = parent[label];
    }
    return label;
}

// Background runs, labelled as they come: a run joins every run of the row
// above that it touches, diagonals included (8-connectivity).
struct RunLabels {
    std::vector<Run> runs;
    std::vector<int> parent;                        // union-find over labels
    std::size_t previousBegin = 0, previousEnd = 0; // the runs of the row above
};

// Gives `run` the label of the runs above it that it touches, joining their
// labels, or a new label when it touches none. `above` is the first run of
// the row above that may touch it; runs of that row are in order.
void labelRun(RunLabels& labels, Run& run, std::size_t& above) {
    // Runs above that end before x0 - 1 cannot touch this run or any later
    // one in the row.
    while (above < labels.previousEnd && labels.runs[above].x1 < run.x0)
        ++above;
    for (std::size_t k = above; k < labels.previousEnd && labels.runs[k].x0 <= run.x1; ++k) {
        const int root = findRoot(labels.parent, labels.runs[k].label);
        if (run.label < 0) {
            run.label = root;
        } else {
            const int mine = findRoot(labels.parent, run.label);
            if (mine != root)
                labels.parent[std::max(mine, root)] = std::min(mine, root);
        }
    }
    if (run.label < 0) {
        run.label = static_cast<int>(labels.parent.size());
        labels.parent.push_back(run.label);
    }
}

// Labels the runs of 1 bits of one row of `width` pixels.
void labelRow(RunLabels& labels, int y, const Word* background, int width) {
    const std::size_t currentBegin = labels.runs.size();
    const int words = wordsFor(width);
    std::size_t above = labels.previousBegin;
    for (int x = nextBit(background, words, 0, true); x < width;
         x = nextBit(background, words, x, true)) {
        const int x0 = x;
        x = std::min(nextBit(background, words, x, false), width);
        Run run{y, x0, x, -1};
        labelRun(labels, run, above);
        labels.runs.push_back(run);
    }
    labels.previousBegin = currentBegin;
    labels.previousEnd = labels.runs.size();
}

// One component per root label, with its bounding box and area; `slotOf`
// maps each root label to its component.
std::vector<BackgroundComponent> boundComponents(RunLabels& labels, std::vector<int>& slotOf) {
    slotOf.assign(labels.parent.size(), -1);
    std::vector<BackgroundComponent> components;
    for (Run& run : labels.runs) {
        run.label = findRoot(labels.parent, run.label);
        int& slot = slotOf[run.label];
        if (slot < 0) {
            slot = static_cast<int>(components.size());
            BackgroundComponent fresh;
            fresh.left = run.x0;
            fresh.top = run.y;
            // Until every run is in, width holds the right edge and height
            // the bottom row.
            fresh.width = run.x1;
            fresh.height = run.y;
            components.push_back(fresh);
        }
        BackgroundComponent& c = components[slot];
        c.left = std::min(c.left, run.x0);
        c.width = std::max(c.width, run.x1);
        c.top = std::min(c.top, run.y);
        c.height = std::max(c.height, run.y);
        c.area += run.x1 - run.x0;
    }
    for (BackgroundComponent& c : components) {
        c.width -= c.left;
        c.height = c.height - c.top + 1;
    }
    return components;
}

// The pixels per column of each component, from +1 / -1 marks at each run's
// ends.
void countColumns(std::vector<BackgroundComponent>& components, const std::vector<Run>& runs,
                  const std::vector<int>& slotOf) {
    for (BackgroundComponent& c : components)
        c.columnCounts.assign(c.width + 1, 0);
    for (const Run& run : runs) {
        BackgroundComponent& c = components[slotOf[run.label]];
        ++c.columnCounts[run.x0 - c.left];
        --c.columnCounts[run.x1 - c.left];
    }
    for (BackgroundComponent& c : components) {
        std::partial_sum(c.columnCounts.begin(), c.columnCounts.end(), c.columnCounts.begin());
        c.columnCounts.pop_back();
    }
}

} // namespace

cv::Mat closeBlock(const cv::Mat& block, int kernelWidth, int kernelHeight) {
    cv::Mat closed(block.size(), CV_8UC1);
    streamClosedBackground(block, kernelWidth, kernelHeight, [&](int y, const Word* background) {
        std::uint8_t* dst = closed.ptr<std::uint8_t>(y);
        for (int x = 0; x < closed.cols; ++x)
            dst[x] = (background[x / kWordBits] >> (x % kWordBits) & 1) == 0;
    });
    return closed;
}

std::vector<BackgroundComponent> closedBackgroundComponents(const cv::Mat& block, int kernelWidth,
                                                            int kernelHeight) {
    RunLabels labels;
    streamClosedBackground(block, kernelWidth, kernelHeight, [&](int y, const Word* background) {
        labelRow(labels, y, background, block.cols);
    });
    std::vector<int> slotOf;
    std::vector<BackgroundComponent> components = boundComponents(labels, slotOf);
    countColumns(components, labels.runs, slotOf);
    return components;
}

} // namespace pagecut
