#include "shell/values/number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "shell/values/codepage.h"

namespace brindlow {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

double fromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

struct ToNumberCase {
  Text text;
  double expected;
};

void expectToNumber(const ToNumberCase& c) {
  SCOPED_TRACE("\"" + gbkToUtf8(c.text) + "\"");
  const double actual = toNumber(c.text);
  if (std::isinf(c.expected)) {
    EXPECT_EQ(actual, c.expected);
  } else {
    EXPECT_DOUBLE_EQ(actual, c.expected);
  }
}

TEST(ToNumber, Table) {
  const ToNumberCase cases[] = {
      {"12.5", 12.5},
      {"  -0.125abc", -0.125},
      {gbk("１２．５"), 12.5},
      {"", 0},
      {"abc", 0},
      {".5", 0.5},
      {"1e3", 1000},
      {"2D2", 200},
      {"3.46%", 3.46},
      {"1,234", 1},
  };
  for (const auto& c : cases) expectToNumber(c);
}

TEST(ToNumber, PatternEdges) {
  const ToNumberCase cases[] = {
      {"+7", 7},
      {"\t\n\v\f\r 3", 3},
      {"5.", 5},
      {"-.5", -0.5},
      {"1.2.3", 1.2},
      {"1e", 1},
      {"1e+", 1},
      {"1ex", 1},
      {"1.5e-2x", 0.015},
      {"2d-1", 0.2},
      {"4E+2", 400},
      {"- 5", 0},
      {"+-5", 0},
      {".", 0},
      {"e5", 0},
      {"0x10", 0},
      {"inf", 0},
      {"nan", 0},
      {"00012.50", 12.5},
      {"0.000", 0},
      {"12345678901234567890", 12345678901234567890.0},
      {"0.1", 0.1},
      {"2.675", 2.675},
      {"1e400", kInf},
      {"-1e400", -kInf},
      {"1e-400", 0},
      {"1e99999999999999999999", kInf},
      {"1e-99999999999999999999", 0},
      {"4.9406564584124654e-324", 4.9406564584124654e-324},
      {"1.7976931348623157e308", DBL_MAX},
  };
  for (const auto& c : cases) expectToNumber(c);
  EXPECT_TRUE(std::signbit(toNumber("-1e-400")));
}

TEST(ToNumber, FoldsFullWidthForms) {
  const ToNumberCase cases[] = {
      {gbk("－５"), -5},
      {gbk("＋５"), 5},
      {gbk("　５"), 5},  // ideographic space is white space
      {gbk("１Ｅ２"), 100},
      {gbk("１ｄ２"), 100},
      {gbk("１２．５元"), 12.5},
      {gbk("１２") + "\xA3", 12},  // a lone final lead byte is dropped
      {"5\xA3", 5},
      {gbk("～５"), 0},  // the tilde folds to "~", still not a number
      {gbk("★５"), 0},
      {gbk("元５"), 0},
  };
  for (const auto& c : cases) expectToNumber(c);
}

TEST(ToNumber, LongDigitStringsRoundCorrectly) {
  // 2^53 + 1 followed by a far-away non-zero digit lies just above the half
  // between two doubles, so it must round up.
  const Text aboveHalf = "9007199254740993." + std::string(790, '0') + "1";
  EXPECT_EQ(toNumber(aboveHalf), 9007199254740994.0);
  EXPECT_EQ(toNumber("9007199254740993"), 9007199254740992.0);
  EXPECT_EQ(toNumber("1" + std::string(400, '0')), kInf);
  EXPECT_EQ(toNumber("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(toNumber("0." + std::string(300, '0') + "1e300"), 0.1);
}

TEST(ToNumber, IgnoresTheCLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_EQ(toNumber("12.5"), 12.5);
  EXPECT_EQ(toNumber("12,5"), 12);
  EXPECT_EQ(numberToText(12.5), "12.5");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(NumberToText, Table) {
  struct Case {
    double x;
    const char* expected;
  };
  const Case cases[] = {
      {12.5, "12.5"},
      {-0.125, "-0.125"},
      {100, "100"},
      {3.46, "3.46"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.3333333333333"},
      {2.0 / 3, "0.6666666666667"},
      {0.0001, "0.0001"},
      {0.00001, "1e-005"},
      {1234567890123, "1234567890123"},
      {12345678901234, "1.234567890123e+013"},
      {9999999999999.9, "1e+013"},
      {1e21, "1e+021"},
      {-1e21, "-1e+021"},
      {-0.0, "0"},
      {(3.5 - 3.44) / 3.44 * 100, "1.744186046512"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(numberToText(c.x), c.expected);
  }
}

TEST(NumberToText, RoundsTheExactValueHalfAwayFromZero) {
  struct Case {
    double x;
    const char* expected;
  };
  const Case cases[] = {
      // Exact halves at the 13th digit go up (printf's half-even would go down).
      {123456789012.25, "123456789012.3"},
      {1234567890122.5, "1234567890123"},
      {1234567890123.5, "1234567890124"},
      {-123456789012.25, "-123456789012.3"},
      // Stored just below the half: the exact value decides, not the short form.
      {0.12345678901235, "0.1234567890123"},
      // Stored just above the half.
      {0.30000000000005, "0.3000000000001"},
      {1.0000000000005, "1.000000000001"},
      {5.0000000000005e-05, "5.000000000001e-005"},
      // A carry that moves the exponent, across the plain/exponent border too.
      {9.9999999999995e-05, "0.0001"},
      {9999999999999.5, "1e+013"},
      {99999999999995, "1e+014"},
      {9999999999999.4, "9999999999999"},
      {2.675, "2.675"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(numberToText(c.x), c.expected);
  }
}

TEST(NumberToText, PlainAndExponentForms) {
  struct Case {
    double x;
    const char* expected;
  };
  const Case cases[] = {
      {1, "1"},
      {0.5, "0.5"},
      {-3, "-3"},
      {0.00012345, "0.00012345"},
      {0.000012345, "1.2345e-005"},
      {123456.7, "123456.7"},
      {1e12, "1000000000000"},
      {1e13, "1e+013"},
      {1e100, "1e+100"},
      {1.5e-300, "1.5e-300"},
      {DBL_MAX, "1.797693134862e+308"},
      {-DBL_MAX, "-1.797693134862e+308"},
      {DBL_MIN, "2.225073858507e-308"},
      // Subnormals: their short forms are far from the exact value.
      {4.9406564584124654e-324, "4.940656458412e-324"},
      {1.5e-323, "1.482196937524e-323"},
      {2.5e-320, "2.499972167957e-320"},
      {1e-310, "1e-310"},
      {1e23, "1e+023"},
      {1180591620717411303424.0, "1.180591620717e+021"},
      {12.35, "12.35"},
      {-2.3456789, "-2.3456789"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(numberToText(c.x), c.expected);
  }
}

TEST(NumberToText, NonFiniteValues) {
  volatile double zero = 0.0;
  struct Case {
    double x;
    const char* expected;
  };
  const Case cases[] = {
      {kInf, "1.#INF"},
      {-kInf, "-1.#INF"},
      {zero / zero, "-1.#IND"},  // the default NaN of an invalid operation on x86
      {fromBits(0xFFF8000000000000), "-1.#IND"},
      {fromBits(0x7FF8000000000000), "1.#QNAN"},
      {fromBits(0x7FF8000000000001), "1.#QNAN"},
      {fromBits(0xFFF8000000000001), "-1.#QNAN"},
      {fromBits(0xFFFFFFFFFFFFFFFF), "-1.#QNAN"},
      {fromBits(0x7FF0000000000001), "1.#SNAN"},
      {fromBits(0x7FF4000000000000), "1.#SNAN"},
      {fromBits(0xFFF0000000000001), "-1.#SNAN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(numberToText(c.x), c.expected);
  }
}

TEST(NumberToText, ReadsBackThroughToNumber) {
  const double values[] = {12.35, -0.0123, 123456789, 45678912.34, 1e-5, 3.1415926535898};
  for (double v : values) {
    EXPECT_EQ(numberToText(toNumber(numberToText(v))), numberToText(v));
  }
}

TEST(RoundTo, Table) {
  struct Case {
    double x;
    Integer places;
    double expected;
    const char* text;
  };
  const Case cases[] = {
      {2.675, 2, 2.68, "2.68"},
      {1.005, 2, 1.01, "1.01"},
      {0.125, 2, 0.13, "0.13"},
      {3.4549999, 2, 3.45, "3.45"},
      {-2.5, 0, -3, "-3"},
      {0.5, 0, 1, "1"},
      {1234.5678, -2, 1200, "1200"},
      {-1.005, 2, -1.01, "-1.01"},
      {0.4, 0, 0, "0"},
      {-0.4, 0, 0, "0"},
      {123.456, 1, 123.5, "123.5"},
      {1250, -2, 1300, "1300"},
      {12.344, 2, 12.34, "12.34"},
      {3.46, 2, 3.46, "3.46"},
      {1.5, 400, 1.5, "1.5"},
      {1.5, -400, 0, "0"},
      {2.5, INT32_MIN, 0, "0"},
      {2.5, INT32_MAX, 2.5, "2.5"},
      {kInf, 2, kInf, "1.#INF"},
      {-kInf, 0, -kInf, "-1.#INF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + " p=" + std::to_string(c.places));
    const double rounded = roundTo(c.x, c.places);
    EXPECT_EQ(rounded, c.expected);
    EXPECT_EQ(numberToText(rounded), c.text);
  }
}

TEST(RoundTo, ZeroAndNaNComeBackUnchanged) {
  EXPECT_TRUE(std::signbit(roundTo(-0.0, 2)));
  const double nan = fromBits(0x7FF8000000000001);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(roundTo(nan, 2)), 0x7FF8000000000001u);
}

TEST(AbsoluteValue, Table) {
  EXPECT_EQ(absoluteValue(-3.5), 3.5);
  EXPECT_EQ(absoluteValue(3.5), 3.5);
  EXPECT_EQ(absoluteValue(-kInf), kInf);
  EXPECT_EQ(numberToText(absoluteValue(-0.0)), "0");
  EXPECT_TRUE(std::isnan(absoluteValue(std::nan(""))));
}

TEST(ToInteger, Table) {
  struct Case {
    double x;
    Integer expected;
  };
  const Case cases[] = {
      {2.9, 2},
      {-2.9, -2},
      {1234.5, 1234},
      {-0.5, 0},
      {3000000000.0, -1294967296},
      {4294967296.0 + 5, 5},
      {-4294967296.0 - 5, -5},
      {2147483647.9, 2147483647},
      {2147483648.0, INT32_MIN},
      {-9223372036854775808.0, 0},  // INT64_MIN: low 32 bits are zero
      {-9223372036854774784.0, 1024},
      {9223372036854775808.0, 0},  // 2^63, outside the 64-bit range
      {1e300, 0},
      {-1e300, 0},
      {kInf, 0},
      {-kInf, 0},
      {std::nan(""), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(numberToText(c.x));
    EXPECT_EQ(toInteger(c.x), c.expected);
  }
}

TEST(NearlyCompare, UsesTheTolerance) {
  const double nan = std::nan("");
  struct Case {
    double a;
    double b;
    bool greater;
    bool less;
  };
  const Case cases[] = {
      {1.00000005, 1, false, false}, {1.0000002, 1, true, false}, {1, 1.00000005, false, false},
      {1, 1.0000002, false, true},   {2, 1, true, false},         {1, 2, false, true},
      {1, 1, false, false},          {nan, 1, false, true},       {1, nan, false, true},
      {kInf, kInf, false, true},     {kInf, 1, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(numberToText(c.a) + " vs " + numberToText(c.b));
    EXPECT_EQ(nearlyGreater(c.a, c.b), c.greater);
    EXPECT_EQ(nearlyLess(c.a, c.b), c.less);
  }
}

}  // namespace
}  // namespace brindlow
