// SPDX-License-Identifier: Apache-2.0
// Draws synthetic page images: text in columns, headings, framed boxes and
// tables, on a white greyscale page (255 background, 0 ink). Used for the
// shipped sample page, the whole-program tests and the benchmark. Everything
// is deterministic: the same arguments draw the same pixels.
#pragma once

#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut::pagegen {

// Font size of the drawn text; the line pitch follows from it.
struct TextStyle {
    double scale = 0.6;   // Hershey simplex font scale
    int thickness = 1;    // stroke thickness
    int lineSpacing = 10; // blank rows between two lines of text
};

// A white page of the given size.
cv::Mat blankPage(int width, int height);

// Height in pixels of one line of text (ascenders and descenders included).
int lineHeight(const TextStyle& style);

// Fills `area` with lines of words chosen from `seed`, left-aligned, each
// line ending before the area's right edge. Returns the number of rows used
// (the bottom of the last line, relative to area.y).
int drawParagraph(cv::Mat& page, const cv::Rect& area, int lines, unsigned seed,
                  const TextStyle& style = TextStyle());

// One line of `text` with its top-left corner at `topLeft`.
void drawTextLine(cv::Mat& page, const std::string& text, cv::Point topLeft,
                  const TextStyle& style = TextStyle());

// The outline of `rect`, `thickness` pixels wide, inside the rectangle.
void drawFrame(cv::Mat& page, const cv::Rect& rect, int thickness = 2);

// A table ruled on every side of every cell: `rows` x `columns` cells of
// equal size in `area`, each holding a short word.
void drawGridTable(cv::Mat& page, const cv::Rect& area, int rows, int columns, unsigned seed,
                   const TextStyle& style = TextStyle());

// A table with a heading line, a rule under it, `rows` body lines and a
// closing rule of the same length; a wide first column and narrow number
// columns. Returns the bottom row of the closing rule (page coordinates).
int drawRuledTable(cv::Mat& page, const cv::Rect& area, int rows, int numberColumns, unsigned seed,
                   const TextStyle& style = TextStyle());

// The sample page the project ships: a heading, two columns of text, a framed
// paragraph, a ruled table and a gridded table, 1240 x 1754 pixels.
cv::Mat samplePage();

} // namespace pagecut::pagegen
