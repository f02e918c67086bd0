#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace testing_support {

// Names a parameterised case after its printed form: every case type has a
// PrintTo that writes a short name, and this turns it into GoogleTest's
// alphabet (letters, digits, '_'), so failures, `--gtest_filter` and `ctest -N`
// all show the same name, stable from build to build.
//     INSTANTIATE_TEST_SUITE_P(Cases, Suite, ::testing::Values(...), testing_support::CaseName());
struct CaseName {
    template <class P>
    std::string operator()(const ::testing::TestParamInfo<P>& info) const {
        return identifier(::testing::PrintToString(info.param));
    }

    static std::string identifier(const std::string& text) {
        std::string name;
        bool gap = false;
        for (const char ch : text) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x80 && std::isalnum(c)) {
                if (gap && !name.empty()) name += '_';
                name += ch;
                gap = false;
            } else {
                gap = true;
            }
        }
        return name;
    }
};

}  // namespace testing_support
