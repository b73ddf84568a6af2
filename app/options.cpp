// SPDX-License-Identifier: Apache-2.0
#include "app/options.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "paragraph/paragraph_mode.h"

namespace pagecut {

namespace {

// How an option changes ProgramOptions; `value` is empty for a flag. Returns
// a fault message, or an empty string when the value is accepted.
using ApplyOption = std::string (*)(ProgramOptions& options, const std::string& value);

struct Option {
    std::string_view name;        // without the leading "--"
    std::string_view valueName;   // empty for a flag, such as "FORMAT"
    std::string_view description; // for --help
    ApplyOption apply;
    std::string (*values)() = nullptr; // the values it takes, listed after the description
};

// A flag: sets its member of ProgramOptions.
template <bool ProgramOptions::*member>
std::string setFlag(ProgramOptions& options, const std::string&) {
    options.*member = true;
    return std::string();
}

// A decimal number of degrees between -45 and 45 ("1.5", "-0.25", "+2"); the
// whole word must be the number. Anything else, infinities, NaN and
// exponents included, gives nothing.
std::optional<double> parseDegrees(const std::string& text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-')
            return std::nullopt;
    }
    if (digits.empty() || digits.find_first_not_of("-0123456789.") != std::string_view::npos)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                              std::chars_format::fixed);
    if (error != std::errc() || end != digits.data() + digits.size() || !isSkewValue(value))
        return std::nullopt;
    return value;
}

// Every option of the program, in the order the usage line names them.
constexpr Option kOptions[] = {
    {"help", "", "describe the command line and exit", setFlag<&ProgramOptions::showHelp>},
    {"version", "", "print the version of pagecut and of OpenCV and exit",
     setFlag<&ProgramOptions::showVersion>},
    {"format", "FORMAT", "the result file's format (txt by default): ",
     [](ProgramOptions& o, const std::string& value) {
         const std::optional<ResultFormat> format = resultFormatNamed(value);
         if (!format)
             return "--format should be one of " + resultFormatNames() + ". Got " + value +
                    " instead.";
         o.resultFormat = *format;
         return std::string();
     },
     resultFormatNames},
    {"paragraphs", "", "one block per paragraph, heading and table instead of the merged blocks",
     setFlag<&ProgramOptions::paragraphs>},
    {"skew", "DEGREES",
     "paragraph mode: the page's skew, counter-clockwise (0: do not straighten); "
     "measured when not given",
     [](ProgramOptions& o, const std::string& value) {
         const std::optional<double> degrees = parseDegrees(value);
         if (!degrees)
             return "--skew should be a number of degrees between -45 and 45. Got " + value +
                    " instead.";
         o.skew = *degrees;
         return std::string();
     }},
    {"serve", "", "run page jobs from the standard input: one a line, words separated by tabs",
     setFlag<&ProgramOptions::serve>},
};

const Option* findOption(std::string_view name) {
    for (const Option& option : kOptions) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

// "--name", or "--name=VALUE" for an option that takes a value.
std::string spelling(const Option& option) {
    std::string text = "--";
    text.append(option.name);
    if (!option.valueName.empty())
        text.append("=").append(option.valueName);
    return text;
}

bool isOptionWord(const std::string& word) {
    return word.size() > 2 && word.rfind("--", 0) == 0;
}

} // namespace

OptionsParse parseOptions(const std::vector<std::string>& words) {
    OptionsParse parse;
    std::size_t i = 0;
    while (i < words.size()) {
        const std::string& word = words[i];
        if (word == "--") {
            parse.sawOptions = true;
            ++i;
            break;
        }
        if (!isOptionWord(word))
            break;
        parse.sawOptions = true;
        ++i;
        const std::size_t equals = word.find('=');
        const std::string name =
            word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const Option* option = findOption(name);
        if (option == nullptr) {
            parse.fault = "Unknown option --" + name + ".";
            break;
        }
        std::string value;
        if (option->valueName.empty()) {
            if (equals != std::string::npos) {
                parse.fault = "Option --" + name + " takes no value.";
                break;
            }
        } else if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (i < words.size()) {
            value = words[i++];
        } else {
            parse.fault =
                "Option --" + name + " needs a value (" + std::string(option->valueName) + ").";
            break;
        }
        parse.fault = option->apply(parse.options, value);
        if (!parse.fault.empty())
            break;
    }
    parse.firstPositional = i;
    return parse;
}

std::string optionsSynopsis() {
    std::string synopsis;
    for (const Option& option : kOptions) {
        if (!synopsis.empty())
            synopsis += ' ';
        synopsis.append("[").append(spelling(option)).append("]");
    }
    return synopsis;
}

std::string optionsDescription() {
    std::string text;
    for (const Option& option : kOptions) {
        std::string head = "  " + spelling(option);
        head.resize(std::max<std::size_t>(head.size() + 2, 24), ' ');
        text.append(head).append(option.description);
        text.append(option.values != nullptr ? option.values() : "").append("\n");
    }
    return text;
}

} // namespace pagecut
