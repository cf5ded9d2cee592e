#include "commatext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Items = std::vector<std::string>;

// One quoting rule for every list handed over as comma text: an item is quoted for a blank, a
// comma, a double quote or any control character, 127 included; other bytes (UTF-8 among them)
// stay bare.
TEST(CommaText, QuotesWhatASplitterWouldMisread) {
  const struct {
    Items items;
    bool quoteEvery;
    std::string expected;
  } cases[] = {
      {{}, false, ""},
      {{""}, false, "\"\""},
      {{""}, true, "\"\""},
      {{"", ""}, false, ","},
      {{"ISS", "NOAA 16"}, false, "ISS,\"NOAA 16\""},
      {{"a,b", "say \"x\"", "\"", ""}, false, "\"a,b\",\"say \"\"x\"\"\",\"\"\"\","},
      {{"tab\t", "cr\r", "nul" + std::string(1, '\0'), "del\x7F", "us\x1F"}, false,
       "\"tab\t\",\"cr\r\",\"nul" + std::string(1, '\0') + "\",\"del\x7F\",\"us\x1F\""},
      {{"~!#$%&'()*+-./:;<=>?@[\\]^_`{|}", "M\xC3\xBCnchen", "\x80\xFF"}, false,
       "~!#$%&'()*+-./:;<=>?@[\\]^_`{|},M\xC3\xBCnchen,\x80\xFF"},
      {{"Netherlands", "", "\"Q\" land"}, true, "\"Netherlands\",\"\",\"\"\"Q\"\" land\""},
  };
  for (const auto& c : cases) EXPECT_EQ(commatext::Join(c.items, c.quoteEvery), c.expected) << c.expected;
}

}  // namespace
