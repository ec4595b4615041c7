// Elements, attribute tables, names, functions and the global attributes.
#include "tuk_fixture.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <cstring>
#include <set>

namespace {

int default_cb(TukHandle) { return TUK_DEFAULT; }
int other_cb(TukHandle) { return TUK_CLOSE; }

TEST(ElfHash, MatchesHandComputedValues) {
  EXPECT_EQ(tuk_hash(""), 0u);
  EXPECT_EQ(tuk_hash("A"), 65u);
  // T=84 I=73 T=84 L=76 E=69: ((((84*16+73)*16+84)*16+76)*16+69) = 5826821, below 2^28
  EXPECT_EQ(tuk_hash("TITLE"), 5826821u);
  // "17": 49*16 + 55
  EXPECT_EQ(tuk_hash("17"), 839u);
  // 0xE9 is -23 as a signed byte: h = 0xFFFFFFE9, g = 0xF0000000,
  // h ^ (g >> 24) ^ g = 0x0FFFFF19 = 268435225. Unsigned bytes would give 233.
  EXPECT_EQ(tuk_hash("\xE9"), 268435225u);
  // nine bytes fold the high nibble back in: checked against a separate script
  EXPECT_EQ(tuk_hash("BUTTON_CB"), 160728274u);
}

TEST_F(TukTest, BucketCountsFollowTheElementKind) {
  TukHandle list = TukList("act");
  TukHandle button = TukButton("b", nullptr);
  EXPECT_EQ(list->attrs->bucket_count, 17);
  EXPECT_EQ(button->attrs->bucket_count, 1);
  EXPECT_EQ(tuk_globals()->attrs->bucket_count, 211);
  // "TITLE" % 17 = 3, "17" % 17 = 6: the list table really hashes
  TukSetAttribute(list, "TITLE", "t");
  TukSetAttribute(list, "17", "item");
  EXPECT_EQ(tuk_table_bucket_of(list->attrs, "TITLE"), 3);
  ASSERT_NE(list->attrs->buckets[6], nullptr);
  EXPECT_STREQ(list->attrs->buckets[6]->name, "17");
  // a new entry goes to the head of its (single) bucket
  TukSetAttribute(button, "AAA", "1");
  TukSetAttribute(button, "BBB", "2");
  EXPECT_STREQ(button->attrs->buckets[0]->name, "BBB");
}

TEST_F(TukTest, InternedNamesAreSharedAndSurviveBucketGrowth) {
  // a dozen names in one of the 211 buckets grows it past its first capacity of 5 twice
  std::vector<std::string> names;
  const std::uint32_t target = tuk_hash("n0") % 211;
  for (int i = 0; names.size() < 12; ++i) {
    std::string n = "n" + std::to_string(i);
    if (tuk_hash(n.c_str()) % 211 == target) names.push_back(n);
  }
  std::vector<const char*> first;
  for (const std::string& n : names) first.push_back(tuk_intern(n.c_str()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string copy = names[i];  // another buffer with the same bytes
    EXPECT_EQ(tuk_intern(copy.c_str()), first[i]);
    EXPECT_STREQ(first[i], names[i].c_str());
  }
  TukHandle e = TukFill();
  std::string name = "ATTRNAME";
  TukSetAttribute(e, name.c_str(), "v");
  EXPECT_EQ(e->attrs->buckets[0]->name, tuk_intern("ATTRNAME"));
  EXPECT_NE(e->attrs->buckets[0]->name, name.c_str());
}

TEST_F(TukTest, SetKeepsThePointerStoreCopiesAndNullRemoves) {
  TukHandle b = TukButton("b", nullptr);
  static const char kLiteral[] = "value";
  TukSetAttribute(b, "X1", kLiteral);
  EXPECT_EQ(TukGetAttribute(b, "X1"), kLiteral);
  char buffer[16] = "copied";
  TukStoreAttribute(b, "X2", buffer);
  std::strcpy(buffer, "changed");
  EXPECT_STREQ(TukGetAttribute(b, "X2"), "copied");
  // replacing and removing owned values must free them (checked by LeakSanitizer)
  TukStoreAttribute(b, "X2", "second");
  TukStoreAttribute(b, "X2", TukGetAttribute(b, "X2"));  // its own value handed back
  EXPECT_STREQ(TukGetAttribute(b, "X2"), "second");
  TukSetAttribute(b, "X2", TukGetAttribute(b, "X2"));  // by reference: must stay valid
  EXPECT_STREQ(TukGetAttribute(b, "X2"), "second");
  TukSetAttribute(b, "X2", nullptr);
  EXPECT_EQ(TukGetAttribute(b, "X2"), nullptr);
  TukStoreAttribute(b, "X3", "owned till the element dies");
}

TEST_F(TukTest, DialogAttributesAreInheritedAndRemovalFallsBack) {
  TukHandle canvas = TukCanvas("redraw");
  TukHandle box = TukVbox(canvas, nullptr);
  TukHandle dialog = TukDialog(box);
  TukSetAttribute(dialog, "BUTTON_CB", "dialog_button");
  TukSetAttribute(dialog, "K_ANY", "dialog_keys");
  TukSetAttribute(dialog, "TITLE", "Main");
  TukSetAttribute(dialog, "SIZE", "100x60");
  EXPECT_EQ(attr(canvas, "BUTTON_CB"), "dialog_button");
  EXPECT_EQ(attr(canvas, "K_ANY"), "dialog_keys");
  // what describes the dialog itself does not leak into its children
  EXPECT_EQ(attr(canvas, "TITLE"), "(null)");
  EXPECT_EQ(attr(canvas, "SIZE"), "(null)");
  TukSetAttribute(box, "BUTTON_CB", "box_button");
  TukSetAttribute(canvas, "BUTTON_CB", "own_button");
  EXPECT_EQ(attr(canvas, "BUTTON_CB"), "own_button");
  TukSetAttribute(canvas, "BUTTON_CB", nullptr);
  EXPECT_EQ(attr(canvas, "BUTTON_CB"), "box_button");
  TukSetAttribute(box, "BUTTON_CB", nullptr);
  EXPECT_EQ(attr(canvas, "BUTTON_CB"), "dialog_button");
  // a driver default comes back once nothing in the chain sets it
  TukSetAttribute(canvas, "ACTIVE", "NO");
  EXPECT_EQ(attr(canvas, "ACTIVE"), "NO");
  TukSetAttribute(canvas, "ACTIVE", nullptr);
  EXPECT_EQ(attr(canvas, "ACTIVE"), "YES");
}

TEST_F(TukTest, DriverDefaultsDependOnKind) {
  EXPECT_EQ(attr(TukCanvas(nullptr), "EXPAND"), "YES");
  EXPECT_EQ(attr(TukFill(), "EXPAND"), "YES");
  EXPECT_EQ(attr(TukHbox(nullptr), "EXPAND"), "YES");
  EXPECT_EQ(attr(TukFrame(nullptr), "EXPAND"), "YES");
  EXPECT_EQ(attr(TukButton("b", nullptr), "EXPAND"), "NO");
  EXPECT_EQ(attr(TukLabel("l"), "EXPAND"), "NO");
  EXPECT_EQ(attr(TukList(nullptr), "EXPAND"), "NO");
  TukHandle b = TukButton("b", nullptr);
  EXPECT_EQ(attr(b, "POSX"), "0.0");
  EXPECT_EQ(attr(b, "NC"), "32767");
  EXPECT_EQ(attr(b, "BGCOLOR"), "192 192 192");
  EXPECT_EQ(attr(b, "NO_SUCH_ATTRIBUTE"), "(null)");
  EXPECT_EQ(attr(b, "TYPENAME"), "BUTTON");
  EXPECT_EQ(attr(TukDialog(nullptr), "TYPENAME"), "DIALOG");
  EXPECT_EQ(attr(TukSeparator(), "TYPENAME"), "SEPARATOR");
}

TEST_F(TukTest, GetBoolIntAndRgbParse) {
  TukHandle e = TukFill();
  const char* yes[] = {"YES", "yes", "On", "oN"};
  for (const char* v : yes) {
    TukSetAttribute(e, "FLAG", v);
    EXPECT_EQ(TukGetBool(e, "FLAG"), 1) << v;
  }
  const char* no[] = {"NO", "off", "Off"};
  for (const char* v : no) {
    TukSetAttribute(e, "FLAG", v);
    EXPECT_EQ(TukGetBool(e, "FLAG"), 0) << v;
  }
  const char* other[] = {"", "maybe", "YESS", "1"};
  for (const char* v : other) {
    TukSetAttribute(e, "FLAG", v);
    EXPECT_EQ(TukGetBool(e, "FLAG"), -1) << v;
  }
  EXPECT_EQ(TukGetBool(e, "ABSENT"), -1);

  TukSetAttribute(e, "N", "42");
  EXPECT_EQ(TukGetInt(e, "N"), 42);
  TukSetAttribute(e, "N", "abc");
  EXPECT_EQ(TukGetInt(e, "N"), 0);
  EXPECT_EQ(TukGetInt(e, "ABSENT"), 0);

  unsigned char r = 1, g = 1, b = 1;
  TukSetAttribute(e, "C", "10 20 255");
  ASSERT_EQ(TukGetRGB(e, "C", &r, &g, &b), 1);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(g, 20);
  EXPECT_EQ(b, 255);
  const char* bad[] = {"10 20", "a b c", "1 2 3 4", "256 0 0", "-1 0 0", "", "1,2,3"};
  for (const char* v : bad) {
    TukSetAttribute(e, "C", v);
    r = g = b = 7;
    EXPECT_EQ(TukGetRGB(e, "C", &r, &g, &b), 0) << v;
    EXPECT_EQ(r, 7) << "a failed parse must leave the outputs alone";
  }
  EXPECT_EQ(TukGetRGB(e, "ABSENT", &r, &g, &b), 0);
}

TEST_F(TukTest, GetRgbFollowsAColorElementByName) {
  TukHandle color = tuk_element_new(TUK_KIND_COLOR, TUK_BUCKETS_PLAIN);
  TukSetAttribute(color, "RED", "1");
  TukSetAttribute(color, "GREEN", "2");
  TukSetAttribute(color, "BLUE", "3");
  TukSetHandle("team_color", color);
  TukHandle e = TukFill();
  TukSetAttribute(e, "C", "team_color");
  unsigned char r = 0, g = 0, b = 0;
  ASSERT_EQ(TukGetRGB(e, "C", &r, &g, &b), 1);
  EXPECT_EQ(r + 10 * g + 100 * b, 1 + 20 + 300);
  TukSetAttribute(color, "BLUE", "300");
  EXPECT_EQ(TukGetRGB(e, "C", &r, &g, &b), 0);
  // a name that refers to something other than a colour does not count
  TukSetHandle("not_a_color", TukFill());
  TukSetAttribute(e, "C", "not_a_color");
  EXPECT_EQ(TukGetRGB(e, "C", &r, &g, &b), 0);
}

TEST_F(TukTest, NamesAndFunctionsReturnWhatTheyReplace) {
  TukHandle a = TukFill();
  TukHandle b = TukFill();
  EXPECT_EQ(TukSetHandle("x", a), nullptr);
  EXPECT_EQ(TukSetHandle("x", b), a);
  EXPECT_EQ(TukGetHandle("x"), b);
  EXPECT_EQ(TukSetHandle("x", nullptr), b);
  EXPECT_EQ(TukGetHandle("x"), nullptr);

  EXPECT_EQ(TukSetFunction("f", default_cb), nullptr);
  EXPECT_EQ(TukSetFunction("f", other_cb), TukCallback{default_cb});
  EXPECT_EQ(TukGetFunction("f"), TukCallback{other_cb});
  EXPECT_EQ(TukGetFunction("unknown"), nullptr);
  TukSetFunction("tuk-default", default_cb);
  EXPECT_EQ(TukGetFunction("unknown"), TukCallback{default_cb});
  EXPECT_EQ(TukGetFunction("tuk-idle"), nullptr) << "the idle name never falls back";
  TukSetFunction("f", nullptr);
  EXPECT_EQ(TukGetFunction("f"), TukCallback{default_cb});
}

TEST_F(TukTest, IdsStartAtFiftyAndAreNeverReused) {
  TukHandle a = TukFill();
  TukHandle b = TukFill();
  EXPECT_GE(a->id, 50);
  EXPECT_EQ(b->id, a->id + 1);
  const int gone = b->id;
  TukDestroy(b);
  EXPECT_EQ(tuk_element_from_id(gone), nullptr);
  TukHandle c = TukFill();
  EXPECT_GT(c->id, gone);
  EXPECT_EQ(tuk_element_from_id(c->id), c);
  EXPECT_EQ(tuk_element_from_id(49), nullptr);
  EXPECT_EQ(tuk_element_from_id(-7), nullptr);
}

TEST_F(TukTest, DestroyTakesChildrenAndTheirNames) {
  TukHandle l1 = TukLabel("one");
  TukHandle l2 = TukLabel("two");
  TukHandle l3 = TukLabel("three");
  TukHandle inner = TukHbox(l2, l3, nullptr);
  TukHandle box = TukVbox(l1, inner, nullptr);
  TukSetHandle("second", l2);
  TukSetHandle("also_second", l2);
  TukSetHandle("first", l1);
  const int ids[] = {l2->id, l3->id, inner->id};
  TukDestroy(inner);
  for (int id : ids) EXPECT_EQ(tuk_element_from_id(id), nullptr);
  EXPECT_EQ(TukGetHandle("second"), nullptr);
  EXPECT_EQ(TukGetHandle("also_second"), nullptr);
  EXPECT_EQ(TukGetHandle("first"), l1);
  // the parent no longer lists it
  EXPECT_EQ(box->first_child, l1);
  EXPECT_EQ(l1->next, nullptr);
}

TEST_F(TukTest, ImageKeepsItsOwnCopyOfThePixelsForTheDriver) {
  unsigned char pixels[6] = {0, 1, 2, 3, 4, 5};
  TukHandle image = TukImage(3, 2, pixels);
  ASSERT_NE(image, nullptr);
  pixels[0] = 9;
  const unsigned char* seen = tuk_image_pixels(image);  // what a driver draws from
  ASSERT_NE(seen, nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(seen[i], i);
  EXPECT_EQ(tuk_image_pixels(TukButton("b", nullptr)), nullptr) << "only an image has pixels";
  EXPECT_EQ(attr(image, "WIDTH"), "3");
  EXPECT_EQ(attr(image, "HEIGHT"), "2");
  EXPECT_EQ(TukImage(0, 2, pixels), nullptr);
  EXPECT_EQ(TukImage(3, -1, pixels), nullptr);
  EXPECT_EQ(TukImage(3, 2, nullptr), nullptr);
  EXPECT_EQ(TukImage(1 << 20, 1 << 20, pixels), nullptr);
}

TEST_F(TukTest, ImageColoursFallBackToTheirDefaults) {
  unsigned char pixels[1] = {0};
  TukHandle image = TukImage(1, 1, pixels);
  TukSetAttribute(image, "1", "10 20 30");
  TukSetAttribute(image, "2", "BGCOLOR");
  TukSetAttribute(image, "3", "not a colour");
  unsigned char rgb[3];
  ASSERT_EQ(tuk_image_color(image, 1, rgb), 1);
  EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 60);
  ASSERT_EQ(tuk_image_color(image, 2, rgb), 1);
  EXPECT_EQ(rgb[0], 192);
  ASSERT_EQ(tuk_image_color(image, 3, rgb), 1);
  EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 128 + 128) << "index 3's default, dark yellow";
  ASSERT_EQ(tuk_image_color(image, 15, rgb), 1);
  EXPECT_EQ(rgb[2], 255);
  EXPECT_EQ(tuk_image_color(image, 16, rgb), 0);
  EXPECT_EQ(tuk_image_color(image, -1, rgb), 0);
}

TEST_F(TukTest, NullArgumentsAreIgnored) {
  TukSetAttribute(nullptr, "A", "b");
  TukStoreAttribute(TukFill(), nullptr, "b");
  EXPECT_EQ(TukGetAttribute(TukFill(), nullptr), nullptr);
  EXPECT_EQ(TukGetInt(nullptr, "A"), 0);
  EXPECT_EQ(TukGetBool(nullptr, "A"), -1);
  EXPECT_EQ(TukGetRGB(nullptr, "A", nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(TukSetHandle(nullptr, TukFill()), nullptr);
  EXPECT_EQ(TukGetHandle(nullptr), nullptr);
  EXPECT_EQ(TukSetFunction(nullptr, default_cb), nullptr);
  EXPECT_EQ(TukGetFunction(nullptr), nullptr);
  TukDestroy(nullptr);
  EXPECT_EQ(TukShow(nullptr), TUK_ERROR);
  EXPECT_EQ(TukHide(nullptr), TUK_ERROR);
  EXPECT_EQ(TukHide(TukDialog(nullptr)), TUK_ERROR) << "an unmapped element cannot be hidden";
  EXPECT_EQ(TukPopup(nullptr, 0, 0), TUK_ERROR);
  EXPECT_EQ(TukSetFocus(nullptr), nullptr);
  // an element already in a tree is not moved into a second one
  TukHandle shared = TukFill();
  TukHandle first = TukVbox(shared, nullptr);
  TukHandle second = TukHbox(shared, nullptr);
  EXPECT_EQ(shared->parent, first);
  EXPECT_EQ(second->first_child, nullptr);
}

TEST_F(TukTest, GlobalAttributesTellTheDriverInUse) {
  EXPECT_EQ(global("VERSION"), "1.8");
  EXPECT_EQ(global("DRIVER"), "headless");
  EXPECT_EQ(global("SCREENSIZE"), "1280x1024");
  utsname u{};
  ASSERT_EQ(uname(&u), 0);
  EXPECT_EQ(global("SYSTEM").rfind(u.sysname, 0), 0u) << global("SYSTEM");
  EXPECT_EQ(TukGetAttribute(nullptr, "VERSION"), nullptr) << "a null element reads nothing";
  TukStoreGlobal("MINE", "x");
  EXPECT_EQ(global("MINE"), "x");
  EXPECT_EQ(TukOpen(), TUK_ERROR) << "the toolkit is open already";
}

TEST(TukOpenTest, FltkRequestFallsBackToHeadlessUntilItIsLinked) {
  ASSERT_EQ(TukSetDriver(nullptr), TUK_NOERROR);
  EXPECT_EQ(TukSetDriver("no-such-driver"), TUK_ERROR);
  setenv("TUK_DRIVER", "fltk", 1);
  ASSERT_EQ(TukOpen(), TUK_NOERROR);
  EXPECT_EQ(global("DRIVER"), "headless");
  TukClose();
  unsetenv("TUK_DRIVER");
  EXPECT_EQ(global("VERSION"), "(null)") << "TukClose drops the global attributes";
}

TEST(TukOpenTest, VersionDialogIsShownWhenAsked) {
  setenv("TUK_VERSION", "1", 1);
  TukHeadlessCloseDialog(nullptr);  // closes whatever popup is up when it is delivered
  ASSERT_EQ(TukOpen(), TUK_NOERROR);
  unsetenv("TUK_VERSION");
  EXPECT_EQ(TukHeadlessPendingInput(), 0);
  EXPECT_EQ(visible_count(), 0);
  EXPECT_EQ(tuk_loop_state()->popup_depth, 0);
  TukClose();
}

}  // namespace
