// SPDX-License-Identifier: Apache-2.0
// The names of the block types, as the result formats and the Python module
// write them: the words of the PAGE format's region types where it has one.
#include "pagecut/pagecut.h"

namespace pagecut {

const char* blockTypeName(BlockType type) {
    switch (type) {
    case BlockType::Paragraph:
        return "paragraph";
    case BlockType::Heading:
        return "heading";
    case BlockType::Caption:
        return "caption";
    case BlockType::Table:
        return "table";
    case BlockType::Image:
        return "image";
    case BlockType::Separator:
        return "separator";
    case BlockType::Maths:
        return "maths";
    case BlockType::Footnote:
        return "footnote";
    case BlockType::Marginalia:
        return "marginalia";
    case BlockType::Header:
        return "header";
    case BlockType::PageNumber:
        return "page-number";
    case BlockType::CatchWord:
        return "catch-word";
    case BlockType::SignatureMark:
        return "signature-mark";
    }
    return "paragraph";
}

bool isTextType(BlockType type) {
    return type != BlockType::Image && type != BlockType::Separator;
}

} // namespace pagecut
