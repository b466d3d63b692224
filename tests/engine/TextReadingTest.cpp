// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the input: lines out of large blocks, numbers exactly as strtof
// rounds them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>

#include "TestSupport.h"
#include "engine/InputText.h"
#include "engine/NumberText.h"
#include "engine/TextReader.h"

namespace torvan::test {
namespace {

std::vector<std::string> ReadAll(const std::string& path, std::size_t blockSize) {
    TextReader reader(blockSize);
    EXPECT_TRUE(reader.Open(path));
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(line)) {
        lines.emplace_back(line);
    }
    EXPECT_FALSE(reader.Failed());
    return lines;
}

// text as UTF-16 bytes with their mark.
std::string Utf16(const std::u16string& text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

TEST(TextReader, LinesAsStoredWhateverTheBlockSizeAndEncoding) {
    TempDir dir;
    const std::string path = dir.File("in.txt");
    std::u16string text =
        u"a,1\r\n?\nb,2\r\r\n" + std::u16string(300, u'x') + u"\n\u20AC\U0001F600last\r";
    text[5] = u'\0';
    const std::vector<std::string> expected = {"a,1\r\n", std::string("\0\n", 2), "b,2\r\r\n",
                                               std::string(300, 'x') + "\n",
                                               "\xE2\x82\xAC\xF0\x9F\x98\x80last\r"};
    std::string utf8;
    for (const std::string& line : expected) {
        utf8 += line;
    }
    // Blocks smaller than a line end, a character or a line, and larger
    // than the file: the same lines, as UTF-8, whatever the file holds.
    for (const std::string& bytes :
         {utf8, kUtf8Bom + utf8, Utf16(text, true), Utf16(text, false)}) {
        WriteText(path, bytes);
        for (std::size_t block : {4U, 5U, 7U, 64U, 1U << 18}) {
            EXPECT_EQ(ReadAll(path, block), expected) << block << " " << bytes.substr(0, 2);
        }
    }
    WriteText(path, "");
    EXPECT_TRUE(ReadAll(path, 16).empty());
    WriteText(path, "only\n");
    EXPECT_EQ(ReadAll(path, 16), std::vector<std::string>{"only\n"});
}

TEST(TextReader, LoneCarriageReturnsEndLinesAsLineFeedsDo) {
    TempDir dir;
    const std::string path = dir.File("in.txt");
    // Classic Mac lines, an empty one among them, CRs before an LF (one
    // line end with it), mixed ends, and lone CRs at the end of the file.
    const std::vector<std::vector<std::string>> cases = {
        {"a,1\r", "b,2\r", "\r", "c,3\r"},
        {"a,1\r", "b,2\r\n", "c,3\n", "\r\r\n", "d\r\r\n", "e\r", "\r"},
        {"x\r", "yy\r", "zzz"},
        {std::string(9, 'q') + "\r\r\r\n", "\r", "w\n", "\n", "v\r"},
    };
    for (const auto& expected : cases) {
        std::string utf8;
        std::u16string utf16;
        for (const std::string& line : expected) {
            utf8 += line;
            utf16 += std::u16string(line.begin(), line.end());
        }
        // Every block size puts some CR and its LF on two sides of a block.
        for (const std::string& bytes : {utf8, kUtf8Bom + utf8, Utf16(utf16, true)}) {
            WriteText(path, bytes);
            for (std::size_t block : {4U, 5U, 6U, 7U, 9U, 64U}) {
                EXPECT_EQ(ReadAll(path, block), expected) << block << " " << bytes.substr(0, 4);
            }
        }
    }
    EXPECT_EQ(WithoutLineEnd("a,1\r"), "a,1");
}

TEST(TextReader, RefusesLinesLongerThanTheLimitAndFilesThatAreNone) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs mkfifo()";
#else
    TempDir dir;
    const std::string path = dir.File("in.txt");
    const std::string longest(kMaxLineBytes - 1, 'x');
    const struct {
        std::string text;
        long tooLong;  // the number of the refused line, or 0
    } cases[] = {
        {"a\r" + longest + "\n" + longest + "\r" + longest, 0},
        {"a\rb\r\n" + longest + "x\n", 3},
        {"a\n\r" + longest + "xx", 3},
        {longest + "\r\r\n", 1},
        {std::string(3 * kMaxLineBytes, '\0'), 1},
    };
    for (const auto& c : cases) {
        for (std::size_t block : {std::size_t{1000}, TextReader::kBlockSize}) {
            WriteText(path, c.text);
            TextReader reader(block);
            ASSERT_TRUE(reader.Open(path));
            std::string_view line;
            long lines = 0;
            while (reader.Next(line)) {
                EXPECT_LE(line.size(), kMaxLineBytes);
                ++lines;
            }
            EXPECT_EQ(reader.Failed(), c.tooLong != 0) << lines;
            EXPECT_EQ(reader.Problem(),
                      c.tooLong != 0 ? ReadProblem::kLineTooLong : ReadProblem::kNone);
            if (c.tooLong != 0) {
                EXPECT_EQ(reader.LineNumber(), c.tooLong);
                EXPECT_EQ(lines, c.tooLong - 1);
            }
        }
    }
    // A device or a pipe may never end: refused before it is read (a pipe
    // without a writer would not even open).
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    for (const std::string& special : {std::string("/dev/zero"), dir.File("pipe")}) {
        TextReader reader;
        EXPECT_FALSE(reader.Open(special)) << special;
        EXPECT_EQ(reader.Problem(), ReadProblem::kNotAFile) << special;
    }
    TextReader reader;
    EXPECT_FALSE(reader.Open(dir.File("missing")));
    EXPECT_EQ(reader.Problem(), ReadProblem::kCannotOpen);
#endif
}

TEST(TextReader, ReadFaultEndsTheLinesAndIsTold) {
    TempDir dir;
    const std::string path = dir.File("in.txt");
    for (const std::string& bytes :
         {std::string("one\ntwo\nthree\n"), Utf16(u"one\ntwo\nthree\n", true)}) {
        WriteText(path, bytes);
        TextReader reader(4);
        ASSERT_TRUE(reader.Open(path));
        std::string_view line;
        ASSERT_TRUE(reader.Next(line));
        EXPECT_EQ(line, "one\n");
        FaultHookScope faults([](FileOp op, const std::string&) { return op == FileOp::Read; });
        EXPECT_FALSE(reader.Next(line));
        EXPECT_TRUE(reader.Failed());
    }
}

TEST(TextReader, LineEndsGoWithEveryCarriageReturn) {
    EXPECT_EQ(WithoutLineEnd("a,1\r\r\n"), "a,1");
    EXPECT_EQ(WithoutLineEnd("a,1\n"), "a,1");
    EXPECT_EQ(WithoutLineEnd("a,1\r"), "a,1");
    EXPECT_EQ(WithoutLineEnd("a\r,1\n"), "a\r,1");
    EXPECT_EQ(WithoutLineEnd("\r\n"), "");
}

// ReadNumber against strtof of the "C" locale (the tests run in it).
void ExpectLikeStrtof(const std::string& text) {
    char* end = nullptr;
    const float expected = std::strtof(text.c_str(), &end);
    const auto value = ReadNumber(text);
    ASSERT_EQ(value.has_value(), end != text.c_str()) << text;
    if (value) {
        EXPECT_EQ(std::signbit(*value), std::signbit(expected)) << text;
        EXPECT_EQ(*value, expected) << text;
    }
}

TEST(ReadNumber, RoundsExactlyAsStrtof) {
    // Halfway between two floats rounds to the even one; a hair off it does
    // not, also where the nearest double is the halfway point itself.
    for (const char* text : {"16777217",
                             "16777219",
                             "16777217.000001",
                             "16777218.999999",
                             "33554434",
                             "33554438",
                             "0.1",
                             "123.45",
                             "-0",
                             "-0.0e5",
                             "+.5",
                             "5.",
                             "1e22",
                             "9007199254740993",
                             "9007199254740992e22",
                             "12345678901234567890",
                             "1.0000000000000000000000000001",
                             "0.00000000000000000000000001",
                             "3.4028235e38",
                             "3.4028236e38",
                             "1e-45",
                             "7e-46",
                             "340282356779733661637539395458142568448",
                             "1e100000",
                             "2115029803087587e5",
                             "2128636019594266e9",
                             "327101167914088e10",
                             "6772810518741608e-16",
                             "3307775866242597e3",
                             "7501421104158736e3",
                             "4092539484190638e-21",
                             "6853469545066387e6",
                             "5015865781388129e-21",
                             "8076769590843469e-19",
                             "   2.5x",
                             "1e",
                             "1e+",
                             ".e1",
                             "-",
                             ""}) {
        ExpectLikeStrtof(text);
    }
    // Prices, volumes and random decimals of every length and scale.
    std::mt19937_64 random(20261207);
    char buffer[64];
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t mantissa = random() >> (random() % 64);
        const int decimals = static_cast<int>(random() % 25);
        const int exponent = static_cast<int>(random() % 80) - 40;
        std::string digits = std::to_string(mantissa);
        if (decimals > 0 && static_cast<std::size_t>(decimals) < digits.size()) {
            digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
        }
        if (i % 3 == 0) {
            std::snprintf(buffer, sizeof buffer, "%se%d", digits.c_str(), exponent);
            digits = buffer;
        }
        ExpectLikeStrtof(digits);
    }
    // Exact decimal forms of float midpoints (with up to 8 decimals or as
    // integers up to 2^53), which the careful path must round to even.
    for (int i = 0; i < 20000; ++i) {
        const auto odd = static_cast<double>(2 * ((1U << 23) + random() % (1U << 23)) + 1);
        const int scale = static_cast<int>(random() % 37) - 8;
        std::snprintf(buffer, sizeof buffer, "%.8f", std::ldexp(odd, scale));
        ExpectLikeStrtof(buffer);
    }
}

// Where strtof reads more than a price can be: no infinity or NaN by name,
// no hexadecimal, and magnitudes beyond float as infinity or zero.
TEST(ReadNumber, DecimalFormOnly) {
    using namespace std::string_view_literals;
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        std::string_view text;
        std::optional<float> value;
    } cases[] = {
        {"inf", std::nullopt},  {"-nan", std::nullopt}, {" +INFINITY", std::nullopt},
        {".inf", std::nullopt}, {"0x1p3", 0.0F},        {"-0x10", -0.0F},
        {"1e400", inf},         {"-1e400", -inf},       {"1e-400", 0.0F},
        {"0.5e39", inf},        {"123e-50", 0.0F},      {"\t-.5e1,", -5.0F},
        {"1ee5", 1.0F},         {"1e5e5", 1e5F},        {"2\0005"sv, 2.0F},
    };
    for (const auto& c : cases) {
        const auto value = ReadNumber(c.text);
        ASSERT_EQ(value.has_value(), c.value.has_value()) << c.text;
        if (value) {
            EXPECT_EQ(*value, *c.value) << c.text;
            EXPECT_EQ(std::signbit(*value), std::signbit(*c.value)) << c.text;
        }
    }
}

}  // namespace
}  // namespace torvan::test
