#pragma once

// Readable names for parameterised GoogleTest cases. A case struct gets a PrintTo that
// describes it ("2.25 as \"0.0\" is \"2.3\""); that text shows where a failure is reported, and
// ParamName turns it into the case's name (2p25_as_0p0_is_2p3), so the list of tests and the
// failures say which case it is instead of printing the struct's raw bytes.

#include <gtest/gtest.h>

#include <string>

namespace kesto::test {

inline std::string paramNameOf(const std::string& description) {
    std::string name;
    for (const char c : description) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            name.push_back(c);
            continue;
        }
        switch (c) {
        case ' ':
        case '=':
            name.push_back('_');
            break;
        case '"':
            break;
        case '-':
            name += "minus";
            break;
        case '+':
            name += "plus";
            break;
        case '.':
            name += "p";
            break;
        case ',':
            name += "comma";
            break;
        case '#':
            name += "hash";
            break;
        case '$':
            name += "dollar";
            break;
        default:
            name += "x";
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
