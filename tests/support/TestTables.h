#pragma once
// Table-driven checks the tests share.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace pg::test {

// A table of inputs, each with the value expected for it.
template <class T = std::string> using TRows = std::pair<std::string, T>[];

// Checks f(input) against each row's expected value; a failure names the input.
template <class F, class Rows> void ExpectEach(F f, const Rows& rows) {
    for (const auto& [input, expected] : rows)
        EXPECT_EQ(f(input), expected) << '"' << input << '"';
}
template <class T = std::string, class F>
void ExpectEach(F f, std::initializer_list<std::pair<std::string, T>> rows) {
    ExpectEach<F, decltype(rows)>(f, rows);
}

// Checks that every part occurs in text.
inline void ExpectContains(std::string_view text, std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts)
        EXPECT_NE(text.find(part), std::string_view::npos) << '"' << part << "\" in\n" << text;
}

} // namespace pg::test
