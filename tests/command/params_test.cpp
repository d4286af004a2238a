// The command's first phase: the number reader, the phase draw, the checks
// in their order with their messages, and the trace.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "fresh_host.h"
#include "rilo.h"

namespace {

struct Reading {
    const char *text;
    bool ok;
    float value;
};

TEST(ReadNumber, FollowsFormattedInputGrammar)
{
    const Reading cases[] = {
        {"2.5", true, 2.5f},     {"  \t\n-3", true, -3.0f},
        {"+4.", true, 4.0f},     {".5", true, 0.5f},
        {"2.5abc", true, 2.5f},  {"2.5e", true, 2.5f},
        {"1e+", true, 1.0f},     {"1e-", true, 1.0f},
        {"1E3x", true, 1000.0f}, {"-1.5e-2", true, -0.015f},
        {"0.1", true, 0.1f},     {"1,5", true, 1.0f},
        {"00012", true, 12.0f},  {"3.4028235e38", true, std::numeric_limits<float>::max()},
        {"", false, 0},          {"abc", false, 0},
        {".", false, 0},         {"-", false, 0},
        {"+.e5", false, 0},      {"e5", false, 0},
        {"inf", false, 0},       {"nan", false, 0},
        {"-infinity", false, 0}, {" x1", false, 0},
        {"--1", false, 0},
    };
    for (const Reading &c : cases) {
        float value = -99.0f;
        EXPECT_EQ(read_number(c.text, &value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(ReadNumber, HexadecimalStopsAtTheX)
{
    float value = -1.0f;
    ASSERT_TRUE(read_number("0x1A", &value));
    EXPECT_EQ(value, 0.0f);
}

TEST(ReadNumber, RoundsOnceToNearestSingle)
{
    float value = 0;
    ASSERT_TRUE(read_number("16777217", &value));  // halfway between two floats: ties to even
    EXPECT_EQ(value, 16777216.0f);
    ASSERT_TRUE(read_number("0.3", &value));
    EXPECT_EQ(value, 0.3f);
    ASSERT_TRUE(read_number("-0", &value));
    EXPECT_TRUE(std::signbit(value));
}

TEST(ReadNumber, RefusesWhatOverflowsSingleButReadsUnderflowAsZero)
{
    float value = 0;
    EXPECT_FALSE(read_number("1e39", &value));
    EXPECT_FALSE(read_number("-3.5e38", &value));
    EXPECT_FALSE(read_number("1e999999999999999999", &value));
    EXPECT_FALSE(read_number("340282356779733661637539395458142568448", &value));
    ASSERT_TRUE(read_number("1e-50", &value));
    EXPECT_EQ(value, 0.0f);
    ASSERT_TRUE(read_number("-0.0000000000000000000000000000000000000000000000001", &value));
    EXPECT_EQ(value, 0.0f);
    EXPECT_TRUE(std::signbit(value));
    ASSERT_TRUE(read_number("1e-45", &value));  // the smallest subnormal survives
    EXPECT_GT(value, 0.0f);
}

TEST(DrawPercent, DependsOnTheSeedAlone)
{
    EXPECT_EQ(draw_percent(0), 38u);
    EXPECT_EQ(draw_percent(7), 61u);
    EXPECT_EQ(draw_percent(14), 84u);
    EXPECT_EQ(draw_percent(7), 61u);
    // The multiplication wraps modulo 2^32.
    const uint32_t seed = 0xFFFFFFFFu;
    const uint32_t state = seed * 214013u + 2531011u;
    EXPECT_EQ(draw_percent(seed), ((state >> 16) & 0x7FFFu) % 100u);
    for (uint32_t s = 0; s < 100000; s += 997) EXPECT_LT(draw_percent(s), 100u);
}

using Checks = FreshHost;

struct Refusal {
    std::vector<std::string> params;
    std::string message;
};

TEST_F(Checks, EachFailureShowsItsOwnMessageInOrderAndNothingElse)
{
    const Refusal cases[] = {
        {{}, "Insufficient parameters passed to rilo utility"},
        {{"x", "y", "1", "1", "0", "1"}, "Insufficient parameters passed to rilo utility"},
        {{"X", "x", "1", "1", "0", "1", "1"}, "rilo : cannot apply frequency and amplitude to same axis"},
        {{"q", "q", "bad", "bad", "bad", "1", "1"}, "rilo : cannot apply frequency and amplitude to same axis"},
        {{"", "", "1", "1", "0", "1", "1"}, "rilo : cannot apply frequency and amplitude to same axis"},
        {{"q", "y", "bad", "1", "0", "1", "1"}, "rilo : cannot interpret frequency axis q"},
        {{"Y", "w", "bad", "1", "0", "1", "1"}, "rilo : cannot interpret amplitude axis w"},
        {{"x", "W", "1", "1", "0", "1", "1"}, "rilo : cannot interpret amplitude axis w"},
        {{"x", "y", "", "bad", "0", "1", "1"}, "rilo : unable to parse  for frequency"},
        {{"x", "y", "abc", "1", "0", "1", "1"}, "rilo : unable to parse abc for frequency"},
        {{"x", "y", "1e39", "1", "0", "1", "1"}, "rilo : unable to parse 1e39 for frequency"},
        {{"x", "y", "1", "nan", "0", "1", "1"}, "rilo : unable to parse nan for amplitude"},
        {{"x", "y", "1", "-1e40", "0", "1", "1"}, "rilo : unable to parse -1e40 for amplitude"},
        {{"x", "y", "1", "1", "Random", "1", "1"}, "rilo : unable to parse Random for offset"},
        {{"x", "y", "1", "1", "random ", "1", "1"}, "rilo : unable to parse random  for offset"},
        {{"x", "y", "1", "1", "5e38", "1", "1"}, "rilo : unable to parse 5e38 for offset"},
    };
    for (const Refusal &c : cases) {
        SetUp();
        run(c.params);
        ASSERT_EQ(host().messages().size(), 1u) << c.message;
        EXPECT_EQ(host().messages()[0], c.message);
        EXPECT_EQ(host().debug(), "") << c.message;
        EXPECT_TRUE(host().undo_steps().empty());
        EXPECT_EQ(host().counts().redraw, 0);
    }
}

TEST_F(Checks, ExtraEntriesAreIgnored)
{
    run({"x", "y", "1", "1", "0", "1", "1", "surplus"});
    ASSERT_EQ(host().messages().size(), 1u);
    EXPECT_EQ(host().messages()[0], "rilo : no vertices selected");
}

TEST_F(Checks, TraceShowsTheConvertedParameters)
{
    run({"xylophone", "Z", "2.5e", " -0.75", "25", "0.5", "false"});
    EXPECT_EQ(host().debug(), "Rilo:\nFrequency axis = x\nAmplitude axis = z\nFrequency = 2.5\nAmplitude = -0.75\n"
                              "Offset = 0.25\nAdditive = false\nFreq units = true\n");
    // Nothing selected: the trace is written, then the selection is refused.
    ASSERT_EQ(host().messages().size(), 1u);
    EXPECT_EQ(host().messages()[0], "rilo : no vertices selected");
}

TEST_F(Checks, FlagsLookAtTheFirstCharacterOnly)
{
    const std::pair<const char *, const char *> flags[] = {
        {"0", "false"}, {"0.5", "false"}, {"00", "false"}, {"false", "true"},
        {"no", "true"}, {"1", "true"},    {"", "true"},    {" 0", "true"},
    };
    for (const auto &[flag, shown] : flags) {
        SetUp();
        run({"y", "x", "1", "1", "0", flag, flag});
        const std::string expected = std::string("Additive = ") + shown + "\nFreq units = " + shown + "\n";
        EXPECT_NE(host().debug().find(expected), std::string::npos) << '"' << flag << '"';
    }
}

TEST_F(Checks, RandomOffsetShowsTheDrawForTheTick)
{
    fixed_tick_value = 7;
    run({"x", "y", "1", "1", "random", "1", "1"});
    EXPECT_NE(host().debug().find("\nOffset = 0.61\n"), std::string::npos) << host().debug();
    SetUp();
    run({"x", "y", "1", "1", "100", "1", "1"});
    EXPECT_NE(host().debug().find("\nOffset = 1\n"), std::string::npos) << host().debug();
}

TEST_F(Checks, OffsetIsScaledInSinglePrecision)
{
    SineParams p{};
    char name[] = "pjtrilo_go", x[] = "x", y[] = "y", one[] = "1", offset[] = "33", flag[] = "1";
    char *argv[] = {name, x, y, one, one, offset, flag, flag, nullptr};
    ASSERT_TRUE(read_sine_params(8, argv, &p));
    EXPECT_EQ(p.offset, 33.0f * 0.01f);
    EXPECT_FALSE(p.random_phase);
    EXPECT_EQ(p.frequency_axis, 'x');
    EXPECT_EQ(p.amplitude_axis, 'y');
}

}  // namespace
