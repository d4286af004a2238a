// Parameters of pjtrilo_go: checks in a fixed order, conversions and the trace.
#include <charconv>
#include <cstring>

#include "rilo.h"

uint32_t draw_percent(uint32_t seed)
{
    const uint32_t state = seed * 214013u + 2531011u;  // wraps modulo 2^32
    const uint32_t value = (state >> 16) & 0x7FFFu;
    return value % 100u;
}

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool is_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

char fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool is_axis(char c)
{
    return c == 'x' || c == 'y' || c == 'z';
}

// Decimal exponent of the leading non-zero digit of the unsigned number in
// [begin, end), saturated; only used to tell overflow from underflow.
long long leading_exponent(const char *begin, const char *end)
{
    const char *p = begin;
    while (p < end && *p == '0') ++p;
    long long leading = -1;
    for (; p < end && is_digit(*p); ++p) ++leading;  // significant integer digits
    if (leading < 0 && p < end && *p == '.') {
        for (++p; p < end && *p == '0'; ++p) --leading;  // zeros after the point
    }
    while (p < end && *p != 'e' && *p != 'E') ++p;
    long long exponent = 0;
    if (p < end) {
        ++p;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = (*p++ == '-');
        for (; p < end; ++p) {
            if (exponent < 1000000000LL) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    return leading + exponent;
}

}  // namespace

bool read_number(const char *text, float *value)
{
    const char *p = text;
    while (is_space(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    const char *begin = p;
    int digits = 0;
    for (; is_digit(*p); ++p) ++digits;
    if (*p == '.') {
        ++p;
        for (; is_digit(*p); ++p) ++digits;
    }
    if (digits == 0) return false;
    const char *end = p;
    if (*p == 'e' || *p == 'E') {
        const char *q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (is_digit(*q)) {
            while (is_digit(*q)) ++q;
            end = q;
        }
    }
    float magnitude = 0.0f;
    const auto result = std::from_chars(begin, end, magnitude, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for single precision reads as zero; too large is refused,
        // since it would write infinities into the model.
        if (leading_exponent(begin, end) >= 0) return false;
        magnitude = 0.0f;
    } else if (result.ec != std::errc() || result.ptr != end) {
        return false;
    }
    *value = negative ? -magnitude : magnitude;
    return true;
}

bool read_sine_params(int argc, char **argv, SineParams *params)
{
    if (argc < 8) {
        windows_message_dialog("Insufficient parameters passed to rilo utility");
        return false;
    }
    SineParams p{};
    p.frequency_axis = fold(argv[1][0]);
    p.amplitude_axis = fold(argv[2][0]);
    if (p.frequency_axis == p.amplitude_axis) {
        windows_message_dialog("rilo : cannot apply frequency and amplitude to same axis");
        return false;
    }
    if (!is_axis(p.frequency_axis)) {
        windows_message_dialog("rilo : cannot interpret frequency axis %c", p.frequency_axis);
        return false;
    }
    if (!is_axis(p.amplitude_axis)) {
        windows_message_dialog("rilo : cannot interpret amplitude axis %c", p.amplitude_axis);
        return false;
    }
    if (!read_number(argv[3], &p.frequency)) {
        windows_message_dialog("rilo : unable to parse %s for frequency", argv[3]);
        return false;
    }
    if (!read_number(argv[4], &p.amplitude)) {
        windows_message_dialog("rilo : unable to parse %s for amplitude", argv[4]);
        return false;
    }
    float raw_offset = 0.0f;
    if (std::strcmp(argv[5], "random") == 0) {
        p.random_phase = true;
        p.phase_seed = rilo_tick();
        raw_offset = static_cast<float>(draw_percent(p.phase_seed));
    } else if (!read_number(argv[5], &raw_offset)) {
        windows_message_dialog("rilo : unable to parse %s for offset", argv[5]);
        return false;
    }
    // Single-precision product, rounded once whatever the evaluation method.
    p.offset = static_cast<float>(static_cast<double>(raw_offset) * static_cast<double>(kOffsetScale));
    p.additive = argv[6][0] != '0';
    p.freq_units = argv[7][0] != '0';

    debugf("Rilo:\nFrequency axis = %c\nAmplitude axis = %c\nFrequency = %g\nAmplitude = %g\n"
           "Offset = %g\nAdditive = %s\nFreq units = %s\n",
           p.frequency_axis, p.amplitude_axis, static_cast<double>(p.frequency), static_cast<double>(p.amplitude),
           static_cast<double>(p.offset), p.additive ? "true" : "false", p.freq_units ? "true" : "false");
    *params = p;
    return true;
}
