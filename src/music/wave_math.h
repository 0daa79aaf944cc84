// Single-precision sine and exponential for the tone loop. Branch-free and
// table-free, so a plain loop over them compiles to SSE2 vector code; the
// C library's sinf/expf are calls the compiler cannot vectorize (and
// MinGW's are x87 code, ten times slower still).
#pragma once
#include <cstdint>
#include <cstring>

namespace music {

inline float float_from_bits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline uint32_t bits_from_float(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// sin(x) for 0 <= x < 32768 (the tone loop reaches about 28,600 rad).
// Within 2.5 ulp, and within 1.3e-7 absolute. x is reduced by the nearest
// multiple q of pi, with pi split in four so that q times each of the first
// three parts is exact for q < 2^14: the remainder stays accurate down to
// the tiny results next to the zeros. sin(x) = (-1)^q sin(r), r in
// [-pi/2, pi/2], from an odd polynomial of degree 9.
inline float wave_sin(float x) {
    const int32_t q = static_cast<int32_t>(x * 0.318309886f + 0.5f);
    const float qf = static_cast<float>(q);
    float r = x - qf * 0x1.92p+1f;
    r = r - qf * 0x1.fb8p-11f;
    r = r - qf * -0x1.5ep-22f;
    r = r - qf * 0x1.0b4612p-33f;
    const float s = r * r;
    float p = 2.605399686e-06f;
    p = p * s + -1.980943925e-04f;
    p = p * s + 8.333064616e-03f;
    p = p * s + -1.666665971e-01f;
    const float sine = r + r * s * p;
    return float_from_bits(bits_from_float(sine) ^ (static_cast<uint32_t>(q) << 31));
}

// e^y for -87 < y <= 0 (the tone loop uses -7.13 to 0), within 1 ulp.
// y = n ln2 + r with n the nearest integer to y / ln2 and |r| <= ln2 / 2;
// e^r from a degree-6 polynomial, 2^n put straight into the exponent bits.
inline float wave_exp(float y) {
    const int32_t n = static_cast<int32_t>(y * 1.44269504f - 0.5f);
    const float nf = static_cast<float>(n);
    float r = y - nf * 0x1.62e4p-1f;
    r = r - nf * 0x1.7f7d1cp-20f;
    float p = 1.381376758e-03f;
    p = p * r + 8.369117975e-03f;
    p = p * r + 4.166842625e-02f;
    p = p * r + 1.666651666e-01f;
    p = p * r + 4.999999404e-01f;
    const float e = 1.0f + (r + r * r * p);
    return e * float_from_bits(static_cast<uint32_t>(n + 127) << 23);
}

}  // namespace music
