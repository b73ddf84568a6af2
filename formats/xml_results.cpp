// SPDX-License-Identifier: Apache-2.0
#include "formats/xml_results.h"

#include <cstdlib>
#include <ctime>
#include <string_view>

#include "formats/text_encoding.h"

namespace pagecut {

namespace {

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr std::string_view kSoftware = "pagecut " PAGECUT_VERSION;

std::string number(int value) {
    return std::to_string(value);
}

// The identifier of the k-th block in the XML formats.
std::string blockId(std::size_t k) {
    return "block_" + std::to_string(k);
}

std::string lineId(std::size_t block, std::size_t line) {
    return blockId(block) + "_line_" + std::to_string(line);
}

std::string attribute(std::string_view name, const std::string& value) {
    std::string out(" ");
    return out.append(name).append("=\"").append(value).append("\"");
}

// The time of the result in UTC as an XML Schema dateTime: SOURCE_DATE_EPOCH
// (seconds since 1970) when it holds a plain number, else now.
std::string resultTime() {
    std::time_t when = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
        char* end = nullptr;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (*end == '\0' && seconds >= 0 && seconds <= 253402300799LL) // up to the year 9999
            when = static_cast<std::time_t>(seconds);
    }
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// ---- PAGE ----

// An outline as PAGE points: pixels on the image.
std::string pagePoints(const Outline& outline) {
    std::string out;
    for (const cv::Point& p : outline)
        out.append(out.empty() ? "" : " ").append(number(p.x)).append(",").append(number(p.y));
    return out;
}

// The PAGE element of a block's type: text regions carry the type itself.
std::string_view pageRegion(BlockType type) {
    switch (type) {
    case BlockType::Table:
        return "TableRegion";
    case BlockType::Image:
        return "ImageRegion";
    case BlockType::Separator:
        return "SeparatorRegion";
    case BlockType::Maths:
        return "MathsRegion";
    default:
        return "TextRegion";
    }
}

std::string pageBlock(const BlockLayout& block, std::size_t k, const ResultPage& page) {
    const std::string_view element = pageRegion(block.type);
    std::string out = "    <" + std::string(element) + attribute("id", blockId(k));
    if (page.typed && element == "TextRegion")
        out += attribute("type", blockTypeName(block.type));
    if (page.typed && page.skew != 0)
        out += attribute("orientation", degrees(page.skew));
    out += ">\n      <Coords" + attribute("points", pagePoints(block.outline)) + "/>\n";
    if (element == "TextRegion") {
        for (std::size_t n = 0; n < block.lines.size(); ++n) {
            out += "      <TextLine" + attribute("id", lineId(k, n)) + ">\n        <Coords" +
                   attribute("points", pagePoints(block.lines[n])) + "/>\n      </TextLine>\n";
        }
    }
    return out + "    </" + std::string(element) + ">\n";
}

// ---- ALTO ----

std::string altoPosition(const cv::Rect& r) {
    return attribute("HPOS", number(r.x)) + attribute("VPOS", number(r.y)) +
           attribute("WIDTH", number(r.width)) + attribute("HEIGHT", number(r.height));
}

// A skewed page's outlines as ALTO shapes, since its rectangles only bound them.
std::string altoShape(const Outline& outline, const ResultPage& page, std::string_view indent) {
    if (!page.typed || page.skew == 0)
        return std::string();
    const std::string points = pagePoints(outline);
    return std::string(indent) + "<Shape><Polygon" + attribute("POINTS", points) + "/></Shape>\n";
}

std::string altoTagId(BlockType type) {
    return std::string("type_") + blockTypeName(type);
}

std::string altoTags(const std::vector<BlockLayout>& blocks) {
    std::string out;
    bool seen[static_cast<int>(BlockType::SignatureMark) + 1] = {};
    for (const BlockLayout& block : blocks) {
        if (seen[static_cast<int>(block.type)])
            continue;
        seen[static_cast<int>(block.type)] = true;
        out += "    <StructureTag" + attribute("ID", altoTagId(block.type)) +
               attribute("LABEL", blockTypeName(block.type)) + "/>\n";
    }
    return out.empty() ? out : "  <Tags>\n" + out + "  </Tags>\n";
}

std::string altoBlock(const BlockLayout& block, std::size_t k, const ResultPage& page) {
    std::string_view element = "TextBlock";
    if (page.typed && block.type == BlockType::Image)
        element = "Illustration";
    else if (page.typed && block.type == BlockType::Separator)
        element = "GraphicalElement";
    std::string out =
        "        <" + std::string(element) + attribute("ID", blockId(k)) + altoPosition(block.box);
    if (page.typed) {
        out += attribute("TAGREFS", altoTagId(block.type));
        if (page.skew != 0)
            out += attribute("ROTATION", degrees(page.skew));
    }
    const std::string shape = altoShape(block.outline, page, "          ");
    if (shape.empty() && block.lines.empty())
        return out + "/>\n";
    out += ">\n" + shape;
    for (std::size_t n = 0; n < block.lines.size(); ++n) {
        // A line must hold a string; its text is for a recogniser to read.
        const cv::Rect r = outlineBox(block.lines[n]);
        out += "          <TextLine" + attribute("ID", lineId(k, n)) + altoPosition(r) + ">\n" +
               altoShape(block.lines[n], page, "            ") + "            <String" +
               attribute("CONTENT", "") + altoPosition(r) + "/>\n          </TextLine>\n";
    }
    return out + "        </" + std::string(element) + ">\n";
}

// ---- hOCR ----

// hOCR bounding boxes: left, top, right, bottom, the right and bottom edges
// exclusive.
std::string hocrBox(const cv::Rect& r) {
    return "bbox " + number(r.x) + ' ' + number(r.y) + ' ' + number(r.x + r.width) + ' ' +
           number(r.y + r.height);
}

std::string_view hocrArea(BlockType type) {
    switch (type) {
    case BlockType::Table:
        return "ocr_table";
    case BlockType::Image:
        return "ocr_photo";
    case BlockType::Separator:
        return "ocr_separator";
    case BlockType::Maths:
        return "ocr_display";
    case BlockType::PageNumber:
        return "ocr_pageno";
    default:
        return "ocr_carea";
    }
}

std::string_view hocrLine(BlockType type) {
    switch (type) {
    case BlockType::Heading:
        return "ocr_header";
    case BlockType::Caption:
        return "ocr_caption";
    default:
        return "ocr_line";
    }
}

constexpr std::string_view kTypedCapabilities =
    "ocr_page ocr_carea ocr_par ocr_line ocr_header ocr_caption ocr_table ocr_photo "
    "ocr_separator ocr_display ocr_pageno";

std::string hocrBlock(const BlockLayout& block, std::size_t k, const ResultPage& page) {
    std::string title = hocrBox(block.box);
    if (page.typed && page.skew != 0)
        title += "; textangle " + degrees(page.skew);
    const std::string_view area = page.typed ? hocrArea(block.type) : "ocr_carea";
    std::string out = "   <div class=\"" + std::string(area) + "\"" + attribute("id", blockId(k)) +
                      attribute("title", title);
    if (block.lines.empty())
        return out + "></div>\n";
    out += ">\n    <p class=\"ocr_par\"" + attribute("id", blockId(k) + "_par") +
           attribute("title", hocrBox(block.box)) + ">\n";
    for (std::size_t n = 0; n < block.lines.size(); ++n) {
        out += "     <span class=\"" + std::string(hocrLine(block.type)) + "\"" +
               attribute("id", lineId(k, n)) +
               attribute("title", hocrBox(outlineBox(block.lines[n]))) + "></span>\n";
    }
    return out + "    </p>\n   </div>\n";
}

} // namespace

std::string pageResult(const ResultPage& page) {
    constexpr std::string_view ns =
        "http://schema.primaresearch.org/PAGE/gts/pagecontent/2019-07-15";
    const std::vector<BlockLayout> blocks = describedBlocks(page);
    const std::string created = resultTime();
    std::string out(kXmlDeclaration);
    out += "<PcGts xmlns=\"" + std::string(ns) + "\">\n  <Metadata>\n";
    out += "    <Creator>" + std::string(kSoftware) + "</Creator>\n";
    out += "    <Created>" + created + "</Created>\n";
    out += "    <LastChange>" + created + "</LastChange>\n  </Metadata>\n";
    out += "  <Page" + attribute("imageFilename", xmlText(page.imagePath)) +
           attribute("imageWidth", number(page.width)) +
           attribute("imageHeight", number(page.height));
    if (page.typed && page.skew != 0)
        out += attribute("orientation", degrees(page.skew));
    out += ">\n";
    // An empty OrderedGroup is not valid PAGE: no blocks, no reading order.
    if (!blocks.empty()) {
        out += "    <ReadingOrder>\n      <OrderedGroup id=\"reading_order\">\n";
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            out += "        <RegionRefIndexed" + attribute("index", std::to_string(k)) +
                   attribute("regionRef", blockId(k)) + "/>\n";
        }
        out += "      </OrderedGroup>\n    </ReadingOrder>\n";
    }
    for (std::size_t k = 0; k < blocks.size(); ++k)
        out += pageBlock(blocks[k], k, page);
    return out + "  </Page>\n</PcGts>\n";
}

std::string altoResult(const ResultPage& page) {
    const std::vector<BlockLayout> blocks = describedBlocks(page);
    std::string out(kXmlDeclaration);
    out += "<alto xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\">\n  <Description>\n";
    out += "    <MeasurementUnit>pixel</MeasurementUnit>\n";
    out += "    <sourceImageInformation>\n      <fileName>" + xmlText(page.imagePath) +
           "</fileName>\n    </sourceImageInformation>\n";
    out += "    <Processing ID=\"processing_0\">\n      <processingSoftware>\n";
    out += "        <softwareName>pagecut</softwareName>\n";
    out += "        <softwareVersion>" PAGECUT_VERSION "</softwareVersion>\n";
    out += "      </processingSoftware>\n    </Processing>\n  </Description>\n";
    if (page.typed)
        out += altoTags(blocks);
    out += "  <Layout>\n";
    const cv::Rect whole(0, 0, page.width, page.height);
    out += "    <Page ID=\"page_0\" PHYSICAL_IMG_NR=\"1\"" +
           attribute("WIDTH", number(page.width)) + attribute("HEIGHT", number(page.height));
    if (page.typed && page.skew != 0)
        out += attribute("ROTATION", degrees(page.skew));
    out += ">\n      <PrintSpace" + altoPosition(whole) + ">\n";
    for (std::size_t k = 0; k < blocks.size(); ++k)
        out += altoBlock(blocks[k], k, page);
    return out + "      </PrintSpace>\n    </Page>\n  </Layout>\n</alto>\n";
}

// XHTML, so that XML tools read it as well as browsers.
std::string hocrResult(const ResultPage& page) {
    const std::vector<BlockLayout> blocks = describedBlocks(page);
    std::string out(kXmlDeclaration);
    out += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"en\" "
           "lang=\"en\">\n <head>\n";
    out += "  <title>" + xmlText(page.imagePath) + "</title>\n";
    out += "  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/>\n";
    out += "  <meta name=\"ocr-system\" content=\"" + std::string(kSoftware) + "\"/>\n";
    out += "  <meta name=\"ocr-capabilities\" content=\"" +
           std::string(page.typed ? kTypedCapabilities : "ocr_page ocr_carea") + "\"/>\n </head>\n";
    const std::string pageTitle = "image " + hocrQuoted(page.imagePath) + "; " +
                                  hocrBox(cv::Rect(0, 0, page.width, page.height)) + "; ppageno 0";
    out += " <body>\n  <div class=\"ocr_page\" id=\"page_0\"" +
           attribute("title", xmlText(pageTitle)) + ">\n";
    for (std::size_t k = 0; k < blocks.size(); ++k)
        out += hocrBlock(blocks[k], k, page);
    return out + "  </div>\n </body>\n</html>\n";
}

} // namespace pagecut
