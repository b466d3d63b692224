// SPDX-License-Identifier: GPL-3.0-or-later
// Text helpers that the file readers lean on.
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace torvan::test {
namespace {

TEST(FindLast, FindsTheLastByteWhereverItStands) {
    EXPECT_EQ(FindLast("", '\n'), std::string_view::npos);
    EXPECT_EQ(FindLast("abc", '\n'), std::string_view::npos);
    EXPECT_EQ(FindLast("\n", '\n'), 0U);
    EXPECT_EQ(FindLast("a\nb\nc", '\n'), 3U);
    // Every position in texts longer and shorter than a word, and bytes
    // that differ from the one sought only in their top bit or by one.
    for (std::size_t size = 1; size <= 40; ++size) {
        for (std::size_t at = 0; at < size; ++at) {
            std::string text(size, static_cast<char>('\n' ^ 0x80));
            text[at] = '\n';
            if (at + 1 < size) {
                text[at + 1] = '\x0B';
            }
            if (at > 0) {
                text[at - 1] = '\x09';
            }
            ASSERT_EQ(FindLast(text, '\n'), at) << "size " << size;
            text[at] = '\0';
            ASSERT_EQ(FindLast(text, '\0'), at) << "size " << size;
        }
    }
}

TEST(FindLast, AgreesWithASearchByteByByte) {
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::string text(std::uniform_int_distribution<std::size_t>(0, 70)(random), '\0');
        for (char& c : text) {
            c = static_cast<char>(std::uniform_int_distribution<int>(0, 3)(random) == 0
                                      ? '\n'
                                      : std::uniform_int_distribution<int>(0, 255)(random));
        }
        for (char c : {'\n', '\r', '\0', '\xFF', 'a'}) {
            ASSERT_EQ(FindLast(text, c), std::string_view(text).rfind(c));
        }
    }
}

}  // namespace
}  // namespace torvan::test
