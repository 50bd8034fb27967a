// Number parsing and text formatting shared by the commands.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/xml_text.h"

namespace {

TEST(NumberParsingTest, OneRuleForEveryNumber) {
  const struct {
    const char* text;
    std::int64_t value;
    const char* problem;
  } whole[] = {
      {" +42 ", 42, ""},
      {"-2147483648", -2147483648, ""},
      {"007", 7, ""},
      {"2147483648", 0, "is out of range (-2147483648 to 2147483647)"},
      {"99999999999999999999", 0, "is out of range (-2147483648 to 2147483647)"},
      {"+-1", 0, "is not a whole number"},
      {"--1", 0, "is not a whole number"},
      {"2.5", 0, "is not a whole number"},
      {"1e3", 0, "is not a whole number"},
      {"0x10", 0, "is not a whole number"},
      {"", 0, "is not a whole number"},
      {"+", 0, "is not a whole number"},
  };
  for (const auto& c : whole) {
    const ParsedWholeNumber parsed = ParseWholeNumber(c.text, -2147483648, 2147483647);
    EXPECT_EQ(parsed.problem, c.problem) << c.text;
    if (parsed.problem.empty()) {
      EXPECT_EQ(parsed.value, c.value) << c.text;
    }
  }
  std::string problem;
  EXPECT_EQ(ParseUnsigned64("18446744073709551615", problem), 18446744073709551615u);
  EXPECT_FALSE(ParseUnsigned64("18446744073709551616", problem));
  EXPECT_EQ(problem, "is out of range (0 to 18446744073709551615)");

  const struct {
    const char* text;
    double value;
    const char* problem;
  } positions[] = {
      {"-3", -3, ""},
      {" +0.25 ", 0.25, ""},
      {"1e3", 1000, ""},
      {"-inf", -INFINITY, ""},
      {"1e400", 0, "is out of range"},
      {"+-1", 0, "is not a number"},
      {"3 units", 0, "is not a number"},
      {"", 0, "is not a number"},
  };
  for (const auto& c : positions) {
    const ParsedPosition parsed = ParsePosition(c.text);
    EXPECT_EQ(parsed.problem, c.problem) << c.text;
    if (parsed.problem.empty()) {
      EXPECT_EQ(parsed.value, c.value) << c.text;
    }
  }
  EXPECT_TRUE(std::signbit(ParsePosition("-0").value));
  EXPECT_TRUE(std::isnan(ParsePosition("nan").value));
  const struct {
    double position;
    const char* text;
  } formatted[] = {
      {-0.0, "-0"},    {0.1, "0.1"},        {100000, "100000"},  {-1e15, "-1000000000000000"},
      {1e16, "1e+16"}, {2.5e-7, "2.5e-07"}, {-INFINITY, "-inf"},
  };
  for (const auto& c : formatted) EXPECT_EQ(FormatPosition(c.position), c.text) << c.text;
  const struct {
    std::string text;
    const char* escaped;
  } escapes[] = {
      {std::string("a\nb\t\x01\x7f\0", 7), "a\\nb\\t\\x01\\x7f\\x00"},
      {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},  // printable UTF-8 as it is
      {"freed \xe8\x01\xff", "freed \\xe8\\x01\\xff"},           // bytes that are no character
      {"\xc0\xaf", "\\xc0\\xaf"},                                // an overlong slash
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},                       // a lone surrogate
      {"\xc2\x85", "\\xc2\\x85"},                                // a C1 control
      {"\xe2\x82", "\\xe2\\x82"},                                // a character cut short
  };
  for (const auto& c : escapes) EXPECT_EQ(Escaped(c.text), c.escaped) << c.escaped;
  // The same text in an XML report or picture: markup as references too.
  const struct {
    const char* text;
    const char* xml;
  } xml[] = {
      {"a < b & \"c\" > 'd'", "a &lt; b &amp; &quot;c&quot; &gt; &apos;d&apos;"},
      {"line\nnext\x01", "line\\nnext\\x01"},
      {"freed \xe8<\xff", "freed \\xe8&lt;\\xff"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
  };
  for (const auto& c : xml) EXPECT_EQ(XmlText(c.text), c.xml) << c.xml;
}

}  // namespace
