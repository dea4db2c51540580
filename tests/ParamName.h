#pragma once

// Readable names for parameterised GoogleTest cases: a case struct gets a PrintTo that
// describes it ("2.25 as \"0.0\" is \"2.3\""), shown where a failure is reported, and ParamName
// turns that text into the case's name (2p25_as_0p0_is_2p3).

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace kesto::test {

inline std::string paramNameOf(const std::string& description) {
    static const std::pair<char, const char*> kWords[] = {
        {' ', "_"}, {'=', "_"},     {'"', ""},     {'-', "minus"}, {'+', "plus"},
        {'.', "p"}, {',', "comma"}, {'#', "hash"}, {'$', "dollar"}};
    std::string name;
    for (const char c : description) {
        const char* word = "x";
        for (const auto& [from, to] : kWords) {
            word = from == c ? to : word;
        }
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name.push_back(c);
        } else {
            name += word;
        }
    }
    return name.empty() ? std::string("empty") : name;
}

struct ParamName {
    template <typename P> std::string operator()(const ::testing::TestParamInfo<P>& info) const {
        return paramNameOf(::testing::PrintToString(info.param));
    }
};

} // namespace kesto::test
