#include "params/parameter_store.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(NameValueList, NamesIgnoreAsciiCaseAndKeepTheirLastSpelling) {
  NameValueList list;
  list.Set("bgColor", "#000000");
  list.Set("BGCOLOR", "#FFF");
  ASSERT_EQ(list.Entries().size(), 1u);
  EXPECT_EQ(list.Entries()[0].first, "BGCOLOR");
  EXPECT_EQ(list.Get("bgcolor"), "#FFF");
  // Only A-Z fold: bytes above 127 compare exactly.
  list.Set("\xC4", "1");
  EXPECT_EQ(list.Get("\xE4"), "");
  EXPECT_EQ(list.Get("\xC4"), "1");
}

TEST(NameValueList, AnEmptyValueIsNeverStored) {
  NameValueList list;
  list.Set("a", "");
  EXPECT_TRUE(list.Entries().empty());
  list.Set("a", "1");
  list.Set("b", "x=y");
  list.Set("A", "");
  ASSERT_EQ(list.Entries().size(), 1u);
  EXPECT_EQ(list.Get("a"), "");
  EXPECT_EQ(list.Get("b"), "x=y");
}

TEST(ParameterStore, SetDefaultOnlyFillsAnAbsentValue) {
  ParameterStore store;
  store.Set("Treshold", "64");
  store.SetDefault("treshold", "128");
  store.SetDefault("dithering", "1");
  EXPECT_EQ(store.Get("TRESHOLD"), "64");
  EXPECT_EQ(store.Get("dithering"), "1");
  EXPECT_EQ(store.GetInt("missing"), 0);
}

TEST(ParameterStore, AliasesAreKeptApartFromTheValues) {
  ParameterStore store;
  store.AddAlias("t", "treshold");
  EXPECT_EQ(store.LongName("T"), "treshold");
  EXPECT_EQ(store.LongName("treshold"), "");
  EXPECT_EQ(store.Get("t"), "");
}

TEST(ParseIntText, DecimalAndHexadecimalForms) {
  EXPECT_EQ(ParseIntText("12"), 12);
  EXPECT_EQ(ParseIntText("  12"), 12);
  EXPECT_EQ(ParseIntText("+5"), 5);
  EXPECT_EQ(ParseIntText("-1"), -1);
  EXPECT_EQ(ParseIntText("007"), 7);
  EXPECT_EQ(ParseIntText("$1F"), 31);
  EXPECT_EQ(ParseIntText("$1f"), 31);
  EXPECT_EQ(ParseIntText("-$10"), -16);
  EXPECT_EQ(ParseIntText("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseIntText("$80000000"), INT32_MIN);
  EXPECT_EQ(ParseIntText("$000000000001"), 1);
  EXPECT_EQ(ParseIntText("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseIntText("-2147483648"), INT32_MIN);
}

TEST(ParseIntText, EverythingElseReadsAsZero) {
  for (const char* text : {"",
                           " ",
                           "12 ",
                           "1x",
                           "abc",
                           "-",
                           "+",
                           "$",
                           "-$",
                           "$G",
                           "0x10",
                           "\t5",
                           "1 2",
                           "+-1",
                           "2147483648",
                           "-2147483649",
                           "99999999999999999999",
                           "$100000000",
                           "$1FFFFFFFF",
                           "1.5"}) {
    EXPECT_EQ(ParseIntText(text), 0) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace morvane
