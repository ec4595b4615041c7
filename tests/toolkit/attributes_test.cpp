// Elements, attribute tables, names, functions and the global attributes.
#include "tuk_fixture.h"

#include <cstdlib>
#include <cstring>

namespace {

int default_cb(TukHandle) { return TUK_DEFAULT; }
int other_cb(TukHandle) { return TUK_CLOSE; }

TEST(ElfHash, WrongShiftOrUnsignedBytesChangeTheHash) {
  const struct { const char* name; std::uint32_t hash; } cases[] = {
      {"", 0u},
      {"TITLE", 5826821u},  // ((((84*16+73)*16+84)*16+76)*16+69), below 2^28
      {"\xE9", 268435225u},  // -23 as a signed byte: 0xFFFFFFE9 ^ (g >> 24) ^ g = 0x0FFFFF19
      {"BUTTON_CB", 160728274u},  // nine bytes fold the high nibble back in (a separate script)
  };
  for (const auto& c : cases) EXPECT_EQ(tuk_hash(c.name), c.hash) << c.name;
}

TEST_F(TukTest, StoredValueFreedWhenHandedBackToItself) {
  TukHandle b = TukButton("b", nullptr);
  static const char kLiteral[] = "value";
  TukSetAttribute(b, "X1", kLiteral);
  EXPECT_EQ(TukGetAttribute(b, "X1"), kLiteral);
  char buffer[16] = "copied";
  TukStoreAttribute(b, "X2", buffer);
  std::strcpy(buffer, "changed");
  EXPECT_STREQ(TukGetAttribute(b, "X2"), "copied");
  // replaced and removed owned values are freed (LeakSanitizer); their own value handed back
  // must survive (AddressSanitizer)
  TukStoreAttribute(b, "X2", "second");
  TukStoreAttribute(b, "X2", TukGetAttribute(b, "X2"));
  TukSetAttribute(b, "X2", TukGetAttribute(b, "X2"));
  EXPECT_STREQ(TukGetAttribute(b, "X2"), "second");
  TukSetAttribute(b, "X2", nullptr);
  EXPECT_EQ(TukGetAttribute(b, "X2"), nullptr);
  TukStoreAttribute(b, "X3", "owned till the element dies");
}

TEST_F(TukTest, InheritanceLeaksOwnAttributesOrMissesTheFallback) {
  TukHandle canvas = TukCanvas("redraw");
  TukHandle box = TukVbox(canvas, nullptr);
  TukHandle dialog = TukDialog(box);
  TukSetAttribute(dialog, "BUTTON_CB", "dialog_button");
  TukSetAttribute(dialog, "TITLE", "Main");
  TukSetAttribute(dialog, "SIZE", "100x60");
  EXPECT_EQ(attr(canvas, "TITLE") + attr(canvas, "SIZE"), "(null)(null)") << "the dialog's own";
  TukSetAttribute(box, "BUTTON_CB", "box_button");
  TukSetAttribute(canvas, "BUTTON_CB", "own_button");
  EXPECT_EQ(attr(canvas, "BUTTON_CB"), "own_button");
  TukSetAttribute(canvas, "BUTTON_CB", nullptr);
  EXPECT_EQ(attr(canvas, "BUTTON_CB"), "box_button");
  TukSetAttribute(box, "BUTTON_CB", nullptr);
  EXPECT_EQ(attr(canvas, "BUTTON_CB"), "dialog_button");
  TukSetAttribute(canvas, "ACTIVE", "NO");
  TukSetAttribute(canvas, "ACTIVE", nullptr);
  EXPECT_EQ(attr(canvas, "ACTIVE"), "YES") << "the driver default comes back";
  EXPECT_EQ(attr(TukFill(), "EXPAND") + attr(TukList(nullptr), "EXPAND"), "YESNO") << "by kind";
}

TEST_F(TukTest, BoolIntAndColourParsersAcceptMalformedValues) {
  TukHandle e = TukFill();
  const struct { const char* value; int boolean, rgb_ok, integer; } cases[] = {
      {"YES", 1, 0, 0},       {"oN", 1, 0, 0},      {"off", 0, 0, 0},        {"NO", 0, 0, 0},
      {"YESS", -1, 0, 0},     {"1", -1, 0, 1},      {"", -1, 0, 0},          {"10 20", -1, 0, 10},
      {"a b c", -1, 0, 0},    {"1 2 3 4", -1, 0, 1}, {"256 0 0", -1, 0, 256}, {"-1 0 0", -1, 0, -1},
      {"1,2,3", -1, 0, 1},    {"10 20 255", -1, 1, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    TukSetAttribute(e, "V", c.value);
    EXPECT_EQ(TukGetBool(e, "V"), c.boolean);
    EXPECT_EQ(TukGetInt(e, "V"), c.integer);
    unsigned char r = 7, g = 7, b = 7;
    EXPECT_EQ(TukGetRGB(e, "V", &r, &g, &b), c.rgb_ok);
    EXPECT_EQ(r + 1000 * g + 1000000 * b, c.rgb_ok ? 255020010 : 7007007) << "a failure keeps them";
  }
}

TEST_F(TukTest, NamesFunctionsOrIdsOutliveWhatTheyNamed) {
  EXPECT_EQ(TukSetFunction("f", default_cb), nullptr);
  EXPECT_EQ(TukSetFunction("f", other_cb), TukCallback{default_cb});
  TukSetFunction("tuk-default", default_cb);
  EXPECT_EQ(TukGetFunction("unknown"), TukCallback{default_cb});
  EXPECT_EQ(TukGetFunction("tuk-idle"), nullptr) << "the idle name never falls back";
  TukHandle l1 = TukLabel("one");
  TukHandle l2 = TukLabel("two");
  TukHandle inner = TukHbox(l2, TukLabel("three"), nullptr);
  TukHandle box = TukVbox(l1, inner, nullptr);
  EXPECT_EQ(TukSetHandle("second", l1), nullptr);
  EXPECT_EQ(TukSetHandle("second", l2), l1);
  TukSetHandle("also_second", l2);
  TukSetHandle("first", l1);
  const int gone[] = {l2->id, l2->id + 1, inner->id};
  TukDestroy(inner);
  for (int id : gone) EXPECT_EQ(tuk_element_from_id(id), nullptr) << id;
  EXPECT_EQ(TukGetHandle("second"), nullptr);
  EXPECT_EQ(TukGetHandle("also_second"), nullptr);
  EXPECT_EQ(TukGetHandle("first"), l1);
  EXPECT_EQ(box->first_child, l1);
  EXPECT_EQ(l1->next, nullptr) << "the parent no longer lists it";
  EXPECT_GT(TukFill()->id, gone[2]) << "ids are never reused";
}

TEST(TukOpenTest, UnlinkedDriverStopsTheOpen) {
  ASSERT_EQ(TukSetDriver(nullptr), TUK_NOERROR);
  EXPECT_EQ(TukSetDriver("no-such-driver"), TUK_ERROR);
  setenv("TUK_DRIVER", "fltk", 1);
  ASSERT_EQ(TukOpen(), TUK_NOERROR);
  unsetenv("TUK_DRIVER");
  EXPECT_EQ(TukOpen(), TUK_ERROR) << "the toolkit is open already";
  EXPECT_STREQ(TukGetGlobal("DRIVER"), "headless") << "fltk is not linked into the tests";
  EXPECT_STREQ(TukGetGlobal("SCREENSIZE"), "1280x1024");
  TukClose();
  EXPECT_EQ(TukGetGlobal("DRIVER"), nullptr) << "TukClose drops the global attributes";
}

}  // namespace
