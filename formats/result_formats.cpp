// SPDX-License-Identifier: Apache-2.0
#include "formats/result_formats.h"

#include <array>
#include <string>

#include "formats/atomic_file.h"
#include "formats/text_encoding.h"
#include "formats/xml_results.h"

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

std::string number(int value) {
    return std::to_string(value);
}

// JSON's members of a rectangle.
std::string jsonBox(const cv::Rect& r) {
    return "\"x\": " + number(r.x) + ", \"y\": " + number(r.y) + ", \"width\": " + number(r.width) +
           ", \"height\": " + number(r.height);
}

std::string jsonOutline(const Outline& outline) {
    std::string out = "[";
    for (const cv::Point& p : outline) {
        out += out.size() > 1 ? ", [" : "[";
        out.append(number(p.x)).append(", ").append(number(p.y)).append("]");
    }
    return out + "]";
}

std::string jsonLayout(const BlockLayout& block) {
    std::string out = "{";
    out.append(jsonBox(block.box)).append(", \"type\": \"").append(blockTypeName(block.type));
    out.append("\", \"polygon\": ").append(jsonOutline(block.outline)).append(", \"lines\": [");
    for (std::size_t k = 0; k < block.lines.size(); ++k) {
        out.append(k == 0 ? "{" : ", {").append(jsonBox(outlineBox(block.lines[k])));
        out.append(", \"polygon\": ").append(jsonOutline(block.lines[k])).append("}");
    }
    return out + "]}";
}

std::string jsonResult(const ResultPage& page) {
    std::string out = "{\n  \"image\": " + jsonString(page.imagePath) + ",\n";
    out += "  \"width\": " + number(page.width) + ",\n  \"height\": " + number(page.height) + ",\n";
    if (page.typed)
        out += "  \"skew\": " + degrees(page.skew) + ",\n";
    out += "  \"blocks\": [";
    const std::size_t count = page.typed ? page.layouts.size() : page.blocks.size();
    for (std::size_t k = 0; k < count; ++k) {
        out += k == 0 ? "\n    " : ",\n    ";
        if (page.typed)
            out += jsonLayout(page.layouts[k]);
        else
            out.append("{").append(jsonBox(page.blocks[k])).append("}");
    }
    return out + (count == 0 ? "]\n}\n" : "\n  ]\n}\n");
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
