// SPDX-License-Identifier: Apache-2.0
// The leading options: which words are options, where the positional
// arguments start, and the faults.
#include "app/options.h"

#include <gtest/gtest.h>

namespace pagecut {
namespace {

TEST(ParseOptions, OnlyLeadingDoubleDashWordsAreOptionsAndDoubleDashEndsThem) {
    struct Case {
        std::vector<std::string> words;
        std::size_t firstPositional;
        bool sawOptions;
        std::string fault;
    };
    const Case cases[] = {
        {{}, 0, false, ""},
        {{"page.png", "0"}, 0, false, ""},
        // Single-dash words and a lone dash are positional, as they always were.
        {{"-page.png", "--help"}, 0, false, ""},
        {{"-", "0"}, 0, false, ""},
        {{"-5"}, 0, false, ""},
        {{"--version", "page.png"}, 1, true, ""},
        {{"--", "--help", "0"}, 1, true, ""},
        {{"--help", "--", "--version"}, 2, true, ""},
        {{"--nope", "page.png"}, 1, true, "Unknown option --nope."},
        {{"--nope=3"}, 1, true, "Unknown option --nope."},
        {{"--help=yes"}, 1, true, "Option --help takes no value."},
        {{"--format", "alto", "page.png"}, 2, true, ""},
        {{"--format=xml", "page.png"},
         1,
         true,
         "--format should be one of txt, json, page, alto, hocr. Got xml instead."},
        {{"--format="},
         1,
         true,
         "--format should be one of txt, json, page, alto, hocr. Got  instead."},
        {{"--format"}, 1, true, "Option --format needs a value (FORMAT)."},
        {{"--paragraphs", "page.png"}, 1, true, ""},
        {{"--paragraphs=1", "page.png"}, 1, true, "Option --paragraphs takes no value."},
        {{"--skew", "-1.5", "page.png"}, 2, true, ""},
        {{"--skew=+45", "page.png"}, 1, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.words));
        const OptionsParse parse = parseOptions(c.words);
        EXPECT_EQ(parse.firstPositional, c.firstPositional);
        EXPECT_EQ(parse.sawOptions, c.sawOptions);
        EXPECT_EQ(parse.fault, c.fault);
    }
    EXPECT_TRUE(parseOptions({"--version"}).options.showVersion);
    EXPECT_FALSE(parseOptions({"--", "--version"}).options.showVersion);
    EXPECT_EQ(parseOptions({}).options.resultFormat, ResultFormat::Txt);
    EXPECT_EQ(parseOptions({"--format=hocr"}).options.resultFormat, ResultFormat::Hocr);
    EXPECT_TRUE(parseOptions({"--paragraphs", "--", "page.png"}).options.paragraphs);
    EXPECT_FALSE(parseOptions({"page.png", "--paragraphs"}).options.paragraphs);
    EXPECT_EQ(parseOptions({"--skew=-0.25"}).options.skew, -0.25);
    EXPECT_EQ(parseOptions({"--skew=0"}).options.skew, 0.0);
    EXPECT_FALSE(parseOptions({}).options.skew.has_value());
}

TEST(ParseOptions, SkewMustBeAPlainNumberOfDegreesWithinFortyFive) {
    for (const char* bad :
         {"45.01", "-46", "nan", "inf", "1e1", "0x1", "", "1.5deg", "--1", "+-1", "1.2.3", "."}) {
        SCOPED_TRACE(bad);
        const OptionsParse parse = parseOptions({std::string("--skew=") + bad});
        EXPECT_EQ(parse.fault, std::string("--skew should be a number of degrees between -45 and "
                                           "45. Got ") +
                                   bad + " instead.");
    }
}

TEST(ParseOptions, SynopsisAndDescriptionNameEveryOption) {
    EXPECT_EQ(optionsSynopsis().rfind("[--help] [--version]", 0), 0u);
    EXPECT_NE(optionsDescription().find("  --version "), std::string::npos);
}

} // namespace
} // namespace pagecut
