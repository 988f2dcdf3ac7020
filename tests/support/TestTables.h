#pragma once
// Table-driven checks the tests share.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace pg::test {

// Checks f(input) against each row's expected value; a failure names the input.
template <class T = std::string, class F>
void ExpectEach(F f, std::initializer_list<std::pair<std::string, T>> rows) {
    for (const auto& [input, expected] : rows)
        EXPECT_EQ(f(input), expected) << '"' << input << '"';
}

// Checks that every part occurs in text.
inline void ExpectContains(std::string_view text, std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts)
        EXPECT_NE(text.find(part), std::string_view::npos) << '"' << part << "\" in\n" << text;
}

} // namespace pg::test
