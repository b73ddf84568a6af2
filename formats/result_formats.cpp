// SPDX-License-Identifier: Apache-2.0
#include "formats/result_formats.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <system_error>

#include "formats/atomic_file.h"

namespace pagecut {

namespace {

struct FormatName {
    ResultFormat format;
    std::string_view name;
    std::string_view extension;
};

constexpr std::array<FormatName, 5> kFormats = {{
    {ResultFormat::Txt, "txt", ".txt"},
    {ResultFormat::Json, "json", ".json"},
    // PAGE and ALTO files are both ".xml" by custom; the prefix tells them apart.
    {ResultFormat::Page, "page", ".page.xml"},
    {ResultFormat::Alto, "alto", ".alto.xml"},
    {ResultFormat::Hocr, "hocr", ".hocr"},
}};

// One step through UTF-8 text: a code point and the bytes it took, or, for an
// invalid sequence, U+FFFD and the length of its maximal invalid prefix.
struct Step {
    char32_t codePoint;
    std::size_t length;
    bool valid;
};

Step decodeStep(std::string_view text) {
    const auto lead = static_cast<std::uint8_t>(text[0]);
    if (lead < 0x80)
        return {lead, 1, true};
    std::size_t need = 0;
    char32_t codePoint = 0;
    // The second byte's range excludes overlong forms, surrogates and code
    // points beyond U+10FFFF.
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, codePoint = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, codePoint = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {0xFFFD, 1, false};
    }
    for (std::size_t i = 1; i <= need; ++i) {
        const auto byte = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
        if (i >= text.size() || byte < low || byte > high)
            return {0xFFFD, i, false};
        low = 0x80, high = 0xBF;
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    return {codePoint, need + 1, true};
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Calls `emit(step, bytes)` for each code point of `text`.
template <typename Emit> void forEachCodePoint(std::string_view text, Emit emit) {
    while (!text.empty()) {
        const Step step = decodeStep(text);
        emit(step, text.substr(0, step.length));
        text.remove_prefix(step.length);
    }
}

// Text for an XML attribute value or element content. Tabs and line ends
// are written as references, since attribute values would lose them to
// blanks; the other control characters and U+FFFE/U+FFFF are not XML
// characters at all.
std::string xmlText(std::string_view text) {
    std::string out;
    forEachCodePoint(text, [&out](const Step& step, std::string_view bytes) {
        const char32_t c = step.codePoint;
        switch (c) {
        case '&':
            out += "&amp;";
            return;
        case '<':
            out += "&lt;";
            return;
        case '>':
            out += "&gt;";
            return;
        case '"':
            out += "&quot;";
            return;
        case '\'':
            out += "&#39;";
            return;
        case '\t':
            out += "&#9;";
            return;
        case '\n':
            out += "&#10;";
            return;
        case '\r':
            out += "&#13;";
            return;
        default:
            break;
        }
        if (!step.valid || c < 0x20 || c == 0xFFFE || c == 0xFFFF)
            out += kReplacement;
        else
            out += bytes;
    });
    return out;
}

// A JSON string literal, quotes included.
std::string jsonString(std::string_view text) {
    std::string out = "\"";
    forEachCodePoint(text, [&out](const Step& step, std::string_view bytes) {
        const char32_t c = step.codePoint;
        if (!step.valid) {
            out += kReplacement;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += bytes;
        }
    });
    return out + "\"";
}

// hOCR properties quote strings in double quotes, with a backslash before
// a quote or backslash inside them.
std::string hocrQuoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string number(int value) {
    return std::to_string(value);
}

// The identifier of the k-th block in the XML formats.
std::string blockId(std::size_t k) {
    return "block_" + std::to_string(k);
}

std::string attribute(std::string_view name, const std::string& value) {
    std::string out(" ");
    return out.append(name).append("=\"").append(value).append("\"");
}

// The time the result is made, in UTC as an XML Schema dateTime: the
// SOURCE_DATE_EPOCH of the environment when it is set (seconds since 1970, as
// reproducible builds fix it), so that two runs over one page give the same
// bytes; otherwise the current time. A value that is not a plain count of
// seconds up to the end of the year 9999 is passed over.
std::string createdTime() {
    std::time_t when = std::time(nullptr);
    constexpr long long kLastSecondOf9999 = 253402300799;
    const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
    const std::string_view text = fixed != nullptr ? fixed : "";
    long long seconds = -1;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (!text.empty() && fault == std::errc() && end == text.data() + text.size() && seconds >= 0 &&
        seconds <= kLastSecondOf9999)
        when = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&when, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return stamp;
}

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr std::string_view kSoftware = "pagecut " PAGECUT_VERSION;

std::string jsonResult(const ResultPage& page) {
    std::string out = "{\n  \"image\": " + jsonString(page.imagePath) + ",\n";
    out += "  \"width\": " + number(page.width) + ",\n  \"height\": " + number(page.height) + ",\n";
    out += "  \"blocks\": [";
    for (std::size_t k = 0; k < page.blocks.size(); ++k) {
        const cv::Rect& r = page.blocks[k];
        out += k == 0 ? "\n" : ",\n";
        out += "    {\"x\": " + number(r.x) + ", \"y\": " + number(r.y) +
               ", \"width\": " + number(r.width) + ", \"height\": " + number(r.height) + "}";
    }
    return out + (page.blocks.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

// Corners of a block as PAGE points: pixels of the block, so the last column
// and row are inclusive (unlike the program's exclusive edges) and every point
// lies on the image.
std::string pagePoints(const cv::Rect& r) {
    const std::string x0 = number(r.x), y0 = number(r.y);
    const std::string x1 = number(r.x + r.width - 1), y1 = number(r.y + r.height - 1);
    return x0 + ',' + y0 + ' ' + x1 + ',' + y0 + ' ' + x1 + ',' + y1 + ' ' + x0 + ',' + y1;
}

std::string pageResult(const ResultPage& page) {
    constexpr std::string_view ns =
        "http://schema.primaresearch.org/PAGE/gts/pagecontent/2019-07-15";
    const std::string created = createdTime();
    std::string out(kXmlDeclaration);
    out += "<PcGts xmlns=\"" + std::string(ns) + "\">\n  <Metadata>\n";
    out += "    <Creator>" + std::string(kSoftware) + "</Creator>\n";
    out += "    <Created>" + created + "</Created>\n";
    out += "    <LastChange>" + created + "</LastChange>\n  </Metadata>\n";
    out += "  <Page" + attribute("imageFilename", xmlText(page.imagePath)) +
           attribute("imageWidth", number(page.width)) +
           attribute("imageHeight", number(page.height)) + ">\n";
    // An empty OrderedGroup is not valid PAGE: no blocks, no reading order.
    if (!page.blocks.empty()) {
        out += "    <ReadingOrder>\n      <OrderedGroup id=\"reading_order\">\n";
        for (std::size_t k = 0; k < page.blocks.size(); ++k) {
            out += "        <RegionRefIndexed" + attribute("index", std::to_string(k)) +
                   attribute("regionRef", blockId(k)) + "/>\n";
        }
        out += "      </OrderedGroup>\n    </ReadingOrder>\n";
    }
    for (std::size_t k = 0; k < page.blocks.size(); ++k) {
        out += "    <TextRegion" + attribute("id", blockId(k)) + ">\n";
        out += "      <Coords" + attribute("points", pagePoints(page.blocks[k])) + "/>\n";
        out += "    </TextRegion>\n";
    }
    return out + "  </Page>\n</PcGts>\n";
}

std::string altoPosition(const cv::Rect& r) {
    return attribute("HPOS", number(r.x)) + attribute("VPOS", number(r.y)) +
           attribute("WIDTH", number(r.width)) + attribute("HEIGHT", number(r.height));
}

std::string altoResult(const ResultPage& page) {
    std::string out(kXmlDeclaration);
    out += "<alto xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\">\n  <Description>\n";
    out += "    <MeasurementUnit>pixel</MeasurementUnit>\n";
    out += "    <sourceImageInformation>\n      <fileName>" + xmlText(page.imagePath) +
           "</fileName>\n    </sourceImageInformation>\n";
    out += "    <Processing ID=\"processing_0\">\n      <processingSoftware>\n";
    out += "        <softwareName>pagecut</softwareName>\n";
    out += "        <softwareVersion>" PAGECUT_VERSION "</softwareVersion>\n";
    out += "      </processingSoftware>\n    </Processing>\n  </Description>\n  <Layout>\n";
    const cv::Rect whole(0, 0, page.width, page.height);
    out += "    <Page ID=\"page_0\" PHYSICAL_IMG_NR=\"1\"" +
           attribute("WIDTH", number(page.width)) + attribute("HEIGHT", number(page.height)) +
           ">\n      <PrintSpace" + altoPosition(whole) + ">\n";
    for (std::size_t k = 0; k < page.blocks.size(); ++k) {
        out += "        <TextBlock" + attribute("ID", blockId(k)) + altoPosition(page.blocks[k]) +
               "/>\n";
    }
    return out + "      </PrintSpace>\n    </Page>\n  </Layout>\n</alto>\n";
}

// hOCR bounding boxes: left, top, right, bottom, the right and bottom edges
// exclusive.
std::string hocrBox(const cv::Rect& r) {
    return "bbox " + number(r.x) + ' ' + number(r.y) + ' ' + number(r.x + r.width) + ' ' +
           number(r.y + r.height);
}

// XHTML, so that XML tools read it as well as browsers.
std::string hocrResult(const ResultPage& page) {
    std::string out(kXmlDeclaration);
    out += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"en\" "
           "lang=\"en\">\n <head>\n";
    out += "  <title>" + xmlText(page.imagePath) + "</title>\n";
    out += "  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/>\n";
    out += "  <meta name=\"ocr-system\" content=\"" + std::string(kSoftware) + "\"/>\n";
    out += "  <meta name=\"ocr-capabilities\" content=\"ocr_page ocr_carea\"/>\n </head>\n";
    const std::string pageTitle = "image " + hocrQuoted(page.imagePath) + "; " +
                                  hocrBox(cv::Rect(0, 0, page.width, page.height)) + "; ppageno 0";
    out += " <body>\n  <div class=\"ocr_page\" id=\"page_0\"" +
           attribute("title", xmlText(pageTitle)) + ">\n";
    for (std::size_t k = 0; k < page.blocks.size(); ++k) {
        out += "   <div class=\"ocr_carea\"" + attribute("id", blockId(k)) +
               attribute("title", hocrBox(page.blocks[k])) + "></div>\n";
    }
    return out + "  </div>\n </body>\n</html>\n";
}

// The whole file in one of the structured formats.
std::string structuredResult(ResultFormat format, const ResultPage& page) {
    switch (format) {
    case ResultFormat::Json:
        return jsonResult(page);
    case ResultFormat::Page:
        return pageResult(page);
    case ResultFormat::Alto:
        return altoResult(page);
    case ResultFormat::Hocr:
        return hocrResult(page);
    case ResultFormat::Txt:
        break;
    }
    return std::string();
}

// The program's own format: one line per block.
std::string txtResult(const std::vector<cv::Rect>& blocks) {
    std::string out;
    for (const cv::Rect& r : blocks)
        out +=
            number(r.x) + ' ' + number(r.y) + ' ' + number(r.width) + ' ' + number(r.height) + '\n';
    return out;
}

} // namespace

std::optional<ResultFormat> resultFormatNamed(std::string_view name) {
    for (const FormatName& entry : kFormats) {
        if (entry.name == name)
            return entry.format;
    }
    return std::nullopt;
}

std::string resultFormatNames() {
    std::string names;
    for (const FormatName& entry : kFormats)
        names.append(names.empty() ? "" : ", ").append(entry.name);
    return names;
}

std::string_view resultFormatExtension(ResultFormat format) {
    for (const FormatName& entry : kFormats) {
        if (entry.format == format)
            return entry.extension;
    }
    return ".txt";
}

bool writeResultFile(const std::string& path, ResultFormat format, const ResultPage& page) {
    // Made whole in memory first: a run that fails or is killed while writing
    // leaves no part of it under the name.
    const std::string content =
        format == ResultFormat::Txt ? txtResult(page.blocks) : structuredResult(format, page);
    return writeFileAtomically(path, content);
}

} // namespace pagecut
