// The CLI's one escape for text that is not UTF-8: valid text passes unchanged, every byte of an
// invalid sequence becomes \xNN, and the result is always text the JSON writer accepts.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli/json_text.h"

TEST(JsonText, InvalidBytesReachTheJsonWriterOrValidTextIsEscaped) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"plain/path.ref", "plain/path.ref"},
      {"Erro na defini\xc3\xa7\xc3\xa3o", "Erro na defini\xc3\xa7\xc3\xa3o"},  // two-byte letters
      {"\xe2\x82\xac \xf0\x9f\x98\x80", "\xe2\x82\xac \xf0\x9f\x98\x80"},      // three and four bytes
      {"a\xff" "b", "a\\xffb"},
      {"\xfe\xfe", "\\xfe\\xfe"},
      {"\xc0\xaf", "\\xc0\\xaf"},                    // overlong '/'
      {"\xe0\x80\xaf", "\\xe0\\x80\\xaf"},           // overlong, three bytes
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},           // a surrogate
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // above U+10FFFF
      {"\xc3", "\\xc3"},                             // cut short at the end
      {"\xe2\x82" "x", "\\xe2\\x82x"},               // cut short before a letter
      {"\x80", "\\x80"},                             // a continuation byte alone
      {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    EXPECT_EQ(json_safe_text(c.in), c.out);
  }
  // every string and key of a result, however deep
  nlohmann::json j;
  j["out"] = "o\xfe.png";
  j["list"] = {"\xff", 3, nlohmann::json::object({{"k\xfe", "v\xfe"}})};
  EXPECT_THROW(j.dump(), nlohmann::json::type_error);
  json_make_safe(j);
  const nlohmann::json back = nlohmann::json::parse(j.dump());
  EXPECT_EQ(back["out"], "o\\xfe.png");
  EXPECT_EQ(back["list"][0], "\\xff");
  EXPECT_EQ(back["list"][1], 3);
  EXPECT_EQ(back["list"][2]["k\\xfe"], "v\\xfe");
}
