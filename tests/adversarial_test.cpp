// SPDX-License-Identifier: Apache-2.0
// Pages built to be hard on the segmentation: deep nesting, pixel-fine
// patterns, a page of ink, ink only on the edges, a view into a larger
// image, and a very large page.
// Whatever the page, the run must finish with every block inside the page,
// a positive size, and the same blocks when run again.
#include <algorithm>
#include <functional>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "pagecut/pagecut.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Runs the page twice with each table setting and checks the invariants;
// returns the final blocks of the last setting.
std::vector<cv::Rect> cutAndCheck(const cv::Mat& grey, std::vector<int> tableLogics = {1, 2}) {
    std::vector<cv::Rect> blocks;
    for (const int tableLogic : tableLogics) {
        PageBlocks first, second;
        EXPECT_EQ(cutPage(grey, PageBox{}, PageOptions{tableLogic}, first), PageStatus::Ok);
        EXPECT_EQ(cutPage(grey, PageBox{}, PageOptions{tableLogic}, second), PageStatus::Ok);
        EXPECT_EQ(first.blocks, second.blocks) << "table logic " << tableLogic;
        EXPECT_EQ(first.unmerged, second.unmerged) << "table logic " << tableLogic;
        EXPECT_FALSE(first.blocks.empty());
        const cv::Rect page(0, 0, grey.cols, grey.rows);
        for (const auto* list : {&first.blocks, &first.unmerged})
            for (const cv::Rect& r : *list) {
                EXPECT_GT(r.width, 0) << r;
                EXPECT_GT(r.height, 0) << r;
                EXPECT_EQ(r & page, r) << r;
            }
        blocks = first.blocks;
    }
    return blocks;
}

cv::Mat pattern(int side, const std::function<bool(int, int)>& ink) {
    cv::Mat page = pagegen::blankPage(side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (ink(x, y))
                page.at<std::uint8_t>(y, x) = 0;
    return page;
}

TEST(Adversarial, FramesNestedDownToTheSmallestBoxableSize) {
    // One-pixel frames, each `pitch` pixels inside the last, down to 21 x 21;
    // at the wider pitch each ring holds a short bar of text under its top rule,
    // and each framed level is divided again.
    const int side = kSanitized ? 400 : 1200;
    for (const int pitch : {2, 8}) {
        SCOPED_TRACE("pitch " + std::to_string(pitch));
        cv::Mat page = pagegen::blankPage(side, side);
        std::vector<cv::Rect> bars;
        for (cv::Rect r(0, 0, side, side); r.width >= 21; r -= cv::Size(2 * pitch, 2 * pitch)) {
            cv::rectangle(page, r, cv::Scalar(0), 1);
            if (pitch == 8)
                bars.emplace_back(r.x + 3, r.y + 3, r.width / 3, 2);
            r += cv::Point(pitch, pitch);
        }
        for (const cv::Rect& bar : bars)
            page(bar).setTo(0);
        const std::vector<cv::Rect> blocks = cutAndCheck(page, {1});
        if (!bars.empty()) {
            EXPECT_EQ(blocks, bars);
        }
    }
}

TEST(Adversarial, PixelFinePatternsAndFullPages) {
    const int side = kSanitized ? 300 : 1200;
    const int last = side - 1;
    const struct {
        const char* name;
        std::function<bool(int, int)> ink;
        cv::Rect inkBounds; // the bounding box of the ink
    } cases[] = {
        {"rows", [](int, int y) { return y % 2 == 0; }, {0, 0, side, last}},
        {"columns", [](int x, int) { return x % 2 == 0; }, {0, 0, last, side}},
        {"checkerboard", [](int x, int y) { return (x + y) % 2 == 0; }, {0, 0, side, side}},
        {"squares", [](int x, int y) { return (x / 8 + y / 8) % 2 == 0; }, {0, 0, side, side}},
        {"all ink", [](int, int) { return true; }, {0, 0, side, side}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A page of one texture is one block, holding all of its ink.
        const std::vector<cv::Rect> blocks = cutAndCheck(pattern(side, c.ink));
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0] & c.inkBounds, c.inkBounds) << blocks[0];
    }
}

TEST(Adversarial, InkOnlyOnTheBorderOfThePage) {
    const int side = kSanitized ? 300 : 1200;
    for (const int width : {1, 3}) {
        SCOPED_TRACE("border " + std::to_string(width));
        cv::Mat page = pagegen::blankPage(side, side);
        cv::rectangle(page, cv::Rect(0, 0, side, side), cv::Scalar(0), width);
        cutAndCheck(page);
        // With text inside, the text is found inside the frame.
        pagegen::drawParagraph(page, cv::Rect(40, 40, side - 80, side - 80), 8, 3);
        for (const cv::Rect& r : cutAndCheck(page))
            EXPECT_TRUE(r.x >= width && r.y >= width && r.br().x <= side - width &&
                        r.br().y <= side - width)
                << r;
    }
}

TEST(Adversarial, PageThatIsAViewIntoALargerImage) {
    // Rows of the view are not contiguous, and the ink around it is not the page's.
    cv::Mat sheet(500, 700, CV_8UC1, cv::Scalar(0));
    cv::Mat view = sheet(cv::Rect(50, 40, 450, 380));
    view.setTo(255);
    pagegen::drawParagraph(view, cv::Rect(20, 20, 190, 300), 10, 1);
    pagegen::drawParagraph(view, cv::Rect(240, 20, 190, 300), 10, 2);
    cv::rectangle(view, cv::Rect(10, 330, 420, 40), cv::Scalar(0), 2);
    const cv::Mat before = sheet.clone();
    for (const PageBox box : {PageBox{}, PageBox{5, 5, 440, 360}}) {
        for (const int tableLogic : {1, 2}) {
            PageBlocks inView, inCopy;
            ASSERT_EQ(cutPage(view, box, PageOptions{tableLogic}, inView), PageStatus::Ok);
            ASSERT_EQ(cutPage(view.clone(), box, PageOptions{tableLogic}, inCopy), PageStatus::Ok);
            EXPECT_EQ(inView.blocks, inCopy.blocks);
            EXPECT_EQ(inView.unmerged, inCopy.unmerged);
        }
    }
    EXPECT_EQ(cv::norm(before, sheet, cv::NORM_INF), 0);
    cutAndCheck(view);
}

TEST(Adversarial, HugeSparsePageFinishes) {
    if (kSanitized)
        GTEST_SKIP() << "a 400-megapixel page is too large for the sanitizer build";
    const int side = 20000;
    cv::Mat page = pagegen::blankPage(side, side);
    const std::vector<cv::Rect> areas = {
        {1000, 1000, 5000, 800}, {12000, 9000, 6000, 1200}, {3000, 17000, 4000, 900}};
    for (std::size_t k = 0; k < areas.size(); ++k)
        pagegen::drawParagraph(page, areas[k], 30, static_cast<unsigned>(k + 1));
    const std::vector<cv::Rect> blocks = cutAndCheck(page, {1});
    // Every paragraph is in a block, and every block holds some paragraph.
    const auto meets = [](const cv::Rect& a, const std::vector<cv::Rect>& list) {
        return std::any_of(list.begin(), list.end(),
                           [&](const cv::Rect& b) { return !(a & b).empty(); });
    };
    for (const cv::Rect& area : areas)
        EXPECT_TRUE(meets(area, blocks)) << area;
    for (const cv::Rect& block : blocks)
        EXPECT_TRUE(meets(block, areas)) << block;
}

} // namespace
} // namespace pagecut
