// Fixed-column fields: widths, rounding on the exact binary value, signs and overflow.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "util/format.h"

using namespace vorn;

TEST(Format, IntegerFields) {
  EXPECT_EQ(fmt::i(5, 3), "  5");
  EXPECT_EQ(fmt::i(-12, 3), "-12");
  EXPECT_EQ(fmt::i(0, 4), "   0");
  EXPECT_EQ(fmt::i(1000, 3), "***");
  EXPECT_EQ(fmt::i(-100, 3), "***");
  EXPECT_EQ(fmt::i(99999999, 8), "99999999");
  EXPECT_EQ(fmt::i(3, 3, true), " +3");
  EXPECT_EQ(fmt::i(0, 3, true), " +0");
  EXPECT_EQ(fmt::i(12, 1), "*");
}

TEST(Format, FixedPointWidthsUsedByTheFiles) {
  EXPECT_EQ(fmt::f(1.0f, 8, 4), "  1.0000");
  EXPECT_EQ(fmt::f(-0.5f, 8, 4), " -0.5000");
  EXPECT_EQ(fmt::f(1.0f / 3.0f, 10, 6), "  0.333333");
  EXPECT_EQ(fmt::f(-12.34567f, 12, 4), "    -12.3457");
  EXPECT_EQ(fmt::f(0.12345f, 9, 5), "  0.12345");
  EXPECT_EQ(fmt::f(2.0f, 5, 2), " 2.00");
  EXPECT_EQ(fmt::f(10.0f, 15, 8), "    10.00000000");
}

TEST(Format, RoundingAtTheBoundary) {
  // 0.05f is 0.0500000007...: up; 2.675f is 2.67499995...: down
  EXPECT_EQ(fmt::f(0.05f, 4, 1), " 0.1");
  EXPECT_EQ(fmt::f(2.675f, 5, 2), " 2.67");
  // exact binary ties round away from zero
  EXPECT_EQ(fmt::f(0.125f, 5, 2), " 0.13");
  EXPECT_EQ(fmt::f(-0.125f, 5, 2), "-0.13");
  EXPECT_EQ(fmt::f(0.5f, 3, 0), " 1.");
  EXPECT_EQ(fmt::f(9.99995f, 8, 4), " 10.0000");
  EXPECT_EQ(fmt::f(0.99999f, 6, 3), " 1.000");
}

// Every float the files print, over all magnitudes: the field agrees with printf's exact
// conversion except at exact ties, where it rounds away from zero instead of to even.
TEST(Format, FixedPointAgreesWithExactConversion) {
  unsigned seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int n = 0; n < 200000; ++n) {
    const unsigned bits = next();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v) || std::fabs(v) > 1e12f) continue;
    const int d = static_cast<int>(next() % 10);
    char want[512], exact[512];
    std::snprintf(want, sizeof want, "%.*f", d, static_cast<double>(v));
    std::snprintf(exact, sizeof exact, "%.80f", static_cast<double>(std::fabs(v)));
    const std::string tail = std::string(exact).substr(std::string(exact).find('.') + 1 + d);
    if (tail[0] == '5' && tail.find_first_not_of('0', 1) == std::string::npos) continue;  // a tie
    std::string w = want;
    if (d == 0) w += ".";
    if (w.rfind("-", 0) == 0 && w.find_first_not_of("-0.") == std::string::npos && v == 0.0f) w = w.substr(1);
    ASSERT_EQ(fmt::trim(fmt::f(v, 40, d)).substr(fmt::f(v, 40, d).find_first_not_of(' ')), w) << bits << " d=" << d;
  }
}

TEST(Format, SignsOfZero) {
  EXPECT_EQ(fmt::f(-0.00004f, 8, 4), " -0.0000");  // a small negative shift stays visible
  EXPECT_EQ(fmt::f(-0.0f, 8, 4), "  0.0000");      // IEEE negative zero is zero
  EXPECT_EQ(fmt::f(0.0f, 5, 3), "0.000");
  EXPECT_EQ(fmt::f(1.5f, 6, 2, true), " +1.50");
  EXPECT_EQ(fmt::f(-1.5f, 6, 2, true), " -1.50");
}

TEST(Format, FixedPointOverflowAndOptionalLeadingZero) {
  EXPECT_EQ(fmt::f(12345.678f, 8, 4), "********");
  EXPECT_EQ(fmt::f(0.123f, 4, 3), ".123");
  EXPECT_EQ(fmt::f(-0.123f, 5, 3), "-.123");
  EXPECT_EQ(fmt::f(-0.123f, 4, 3), "****");
  EXPECT_EQ(fmt::f(1.0e30f, 10, 4), "**********");
  EXPECT_EQ(fmt::f(std::numeric_limits<float>::quiet_NaN(), 6, 2), "******");
}

// The bare field is the padded one without its blanks, overflow and the dropped zero included.
TEST(Format, BareFixedFieldIsThePaddedOneTrimmed) {
  const float values[] = {0.0f, -0.0f, -0.00004f, 0.123f, -0.123f, 1.5f, 12345.678f, 1.0e30f, -7.25e-3f, 99.99995f,
                          std::numeric_limits<float>::quiet_NaN()};
  for (float v : values)
    for (int w : {4, 5, 8, 16})
      for (int d : {2, 3, 4, 6}) {
        const std::string padded = fmt::f(v, w, d);
        EXPECT_EQ(fmt::f_bare(v, w, d), padded.substr(padded.find_first_not_of(' '))) << v << " " << w << " " << d;
      }
}

TEST(Format, ExponentFields) {
  EXPECT_EQ(fmt::e(1.0f, 13, 6), " 0.100000E+01");
  EXPECT_EQ(fmt::e(1.0f, 11, 4), " 0.1000E+01");
  EXPECT_EQ(fmt::e(0.0f, 11, 4), " 0.0000E+00");
  EXPECT_EQ(fmt::e(-0.000123456f, 11, 4), "-0.1235E-03");
  EXPECT_EQ(fmt::e(9.99996f, 11, 4), " 0.1000E+02");
  EXPECT_EQ(fmt::e(-1.0f, 10, 4), "-.1000E+01");
  EXPECT_EQ(fmt::e(-1.0f, 9, 4), "*********");
  EXPECT_EQ(fmt::e(0.05f, 11, 4), " 0.5000E-01");
  EXPECT_EQ(fmt::e(123456.0f, 13, 6), " 0.123456E+06");
}

TEST(Format, TextFields) {
  EXPECT_EQ(fmt::a("AB", 4), "  AB");
  EXPECT_EQ(fmt::a("ABCDEF", 4), "ABCD");
  EXPECT_EQ(fmt::pad("C(1)", 8), "C(1)    ");
  EXPECT_EQ(fmt::pad("C(1234567)", 8), "C(123456");
  // an identifier that widened is kept whole, without its padding past the width
  EXPECT_EQ(fmt::wide("C1    999", 10), "C1    999 ");
  EXPECT_EQ(fmt::wide("HD21BAA  1234  ", 10), "HD21BAA  1234");
  EXPECT_EQ(fmt::wide("ABCDEFGHIJ  ", 10), "ABCDEFGHIJ");
  EXPECT_EQ(fmt::wide("            ", 10), std::string(10, ' '));
  EXPECT_EQ(fmt::trim("DUM1   "), "DUM1");
  EXPECT_EQ(fmt::trim("      "), "");
  EXPECT_EQ(fmt::l(true) + fmt::l(false), "TF");
  EXPECT_EQ(fmt::x(3), "   ");
}
