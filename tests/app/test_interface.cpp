// build_interface: the element trees, their attributes, the menu and the creation order.
#include "app_fixture.h"

#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

// A fill-centred element: hbox(fill, x, fill) gives x.
TukHandle middle_of_hbox(TukHandle hbox) {
  auto c = children(hbox);
  EXPECT_EQ(kind(hbox), "HBOX");
  EXPECT_EQ(c.size(), 3u);
  if (c.size() != 3) return nullptr;
  EXPECT_EQ(kind(c[0]), "FILL");
  EXPECT_EQ(kind(c[2]), "FILL");
  return c[1];
}

// vbox(fill, hbox(fill, canvas, fill), fill) gives the canvas.
TukHandle centred_canvas(TukHandle dialog) {
  auto top = children(dialog);
  EXPECT_EQ(top.size(), 1u);
  if (top.size() != 1) return nullptr;
  auto v = children(top[0]);
  EXPECT_EQ(kind(top[0]), "VBOX");
  EXPECT_EQ(v.size(), 3u);
  if (v.size() != 3) return nullptr;
  EXPECT_EQ(kind(v[0]), "FILL");
  EXPECT_EQ(kind(v[2]), "FILL");
  return middle_of_hbox(v[1]);
}

void expect_canvas(TukHandle canvas, const char* action, const char* raster) {
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(kind(canvas), "GLCANVAS");
  EXPECT_EQ(attr(canvas, "ACTION"), action);
  EXPECT_EQ(attr(canvas, "BUFFER"), "DOUBLE");
  EXPECT_EQ(attr(canvas, "RASTERSIZE"), raster);
}

void expect_attributes(TukHandle e, std::initializer_list<std::pair<const char*, const char*>> want) {
  for (const auto& a : want) EXPECT_EQ(attr(e, a.first), a.second) << a.first;
}

struct Entry {
  const char* title;   // null for a separator
  const char* action;
};

}  // namespace

TEST_F(InterfaceTest, main_dialog_holds_the_image_canvas_and_names_its_menu) {
  TukHandle d = appState.mainDialog;
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(kind(d), "DIALOG");
  EXPECT_EQ(centred_canvas(d), appState.imageCanvas);
  expect_canvas(appState.imageCanvas, "redraw_cb", "640x480");
  expect_attributes(d, {{"EXPAND", "NO"}, {"RESIZE", "NO"}, {"MAXBOX", "NO"},
                        {"MENU", "mainMenu"}, {"CLOSE_CB", "close_cb"}, {"TITLE", "Varnesk"}});
  // set on the dialog, seen by the canvas through inheritance
  EXPECT_EQ(attr(d, "BUTTON_CB"), "button_cb");
  EXPECT_EQ(attr(appState.imageCanvas, "BUTTON_CB"), "button_cb");
  EXPECT_EQ(kind(TukGetHandle("mainMenu")), "MENU");
}

TEST_F(InterfaceTest, menu_bar_has_five_submenus_with_their_entries_in_order) {
  const std::vector<std::pair<const char*, std::vector<Entry>>> expected = {
      {"File",
       {{"Load Scene", "load_cena_cb"}, {nullptr, nullptr}, {"Load Image", "load_imag_cb"},
        {"Load Reference Points", "load_refpto_cb"}, {"Load Object Points", "load_objpto_cb"},
        {nullptr, nullptr}, {"Save Reference Points", "save_refpto_cb"}, {"Save Scene", "save_cena_cb"},
        {nullptr, nullptr}, {"Exit", "exit_cb"}}},
      {"Edit",
       {{"Add Reference Points", "adrefpto_cb"}, {"Add Object Points", "adobjpto_cb"},
        {nullptr, nullptr}, {"Remove Reference Points", "remrefpto_cb"},
        {"Remove Object Points", "remobjpto_cb"}, {nullptr, nullptr},
        {"Select Color of Team A", "cortimea_cb"}, {"Select Color of Team B", "cortimeb_cb"},
        {nullptr, nullptr}, {"Remove Last Reference Point", "remultpto_cb"}}},
      {"View",
       {{"Reference Points", "visrefpto_cb"}, {"Object Points", "visobjpto_cb"},
        {"Field Lines", "vislinhacampo_cb"}, {nullptr, nullptr}, {"Make 3D Model", "gerarmod_cb"},
        {nullptr, nullptr}, {"Broadcast Camera", "cameratv_cb"}}},
      {"Measures",
       {{"Distance Between Two Points", "disptos_cb"}, {"Offline Verification", "linhaimp_cb"}}},
      {"Help", {{"Help", "ajuda_cb"}, {"About", "sobre_cb"}}},
  };
  auto subs = children(TukGetHandle("mainMenu"));
  ASSERT_EQ(subs.size(), expected.size());
  for (std::size_t i = 0; i < subs.size(); ++i) {
    SCOPED_TRACE(expected[i].first);
    EXPECT_EQ(kind(subs[i]), "SUBMENU");
    EXPECT_EQ(attr(subs[i], "TITLE"), expected[i].first);
    auto menu = children(subs[i]);
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(kind(menu[0]), "MENU");
    auto items = children(menu[0]);
    ASSERT_EQ(items.size(), expected[i].second.size());
    for (std::size_t j = 0; j < items.size(); ++j) {
      const Entry& e = expected[i].second[j];
      if (!e.title) {
        EXPECT_EQ(kind(items[j]), "SEPARATOR") << "entry " << j;
        continue;
      }
      EXPECT_EQ(kind(items[j]), "ITEM");
      EXPECT_EQ(attr(items[j], "TITLE"), e.title);
      EXPECT_EQ(attr(items[j], "ACTION"), e.action);
    }
  }
}

TEST_F(InterfaceTest, view_items_are_kept_and_start_unchecked_with_their_check_box) {
  TukHandle view_menu = children(children(TukGetHandle("mainMenu"))[2])[0];
  auto items = children(view_menu);
  EXPECT_EQ(appState.visRefPointsItem, items[0]);
  EXPECT_EQ(appState.visObjPointsItem, items[1]);
  EXPECT_EQ(appState.visFieldLinesItem, items[2]);
  for (TukHandle item : {items[0], items[1], items[2]})
    EXPECT_EQ(attr(item, "VALUE"), "OFF");  // a menu shows the check box only of an item with a VALUE
}

TEST_F(InterfaceTest, scene_dialog_is_a_canvas_with_keys_from_the_dialog) {
  TukHandle d = appState.sceneDialog;
  EXPECT_EQ(centred_canvas(d), appState.sceneCanvas);
  expect_canvas(appState.sceneCanvas, "redraw_3D_cb", "640x480");
  expect_attributes(d, {{"TITLE", "3D Scene"}, {"RESIZE", "NO"}, {"MAXBOX", "NO"},
                        {"K_ANY", "kany_cb"}});
  EXPECT_EQ(attr(appState.sceneCanvas, "K_ANY"), "kany_cb");
}

TEST_F(InterfaceTest, field_reference_dialog_has_the_plan_and_two_buttons) {
  TukHandle d = appState.refPointDialog;
  auto top = children(d);
  ASSERT_EQ(top.size(), 1u);
  auto rows = children(top[0]);
  ASSERT_EQ(rows.size(), 4u);
  // the plan, with the label naming the pick beside it
  auto plan = children(rows[0]);
  ASSERT_EQ(plan.size(), 4u);
  EXPECT_EQ(plan[1], appState.fieldCanvas);
  EXPECT_EQ(plan[2], appState.landmarkLabel);
  EXPECT_EQ(kind(plan[2]), "LABEL");
  EXPECT_EQ(kind(plan[0]), "FILL");
  EXPECT_EQ(kind(plan[3]), "FILL");
  EXPECT_EQ(kind(rows[1]), "FILL");
  EXPECT_EQ(kind(rows[3]), "FILL");
  auto buttons = children(rows[2]);
  ASSERT_EQ(buttons.size(), 5u);
  const char* kinds[] = {"FILL", "BUTTON", "FILL", "BUTTON", "FILL"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(kind(buttons[i]), kinds[i]);
  EXPECT_EQ(attr(buttons[1], "TITLE"), "Ok");
  EXPECT_EQ(attr(buttons[1], "ACTION"), "okrefpto_cb");
  EXPECT_EQ(attr(buttons[3], "TITLE"), "Cancel");
  EXPECT_EQ(attr(buttons[3], "ACTION"), "cancelarrefpto_cb");
  expect_canvas(appState.fieldCanvas, "redraw_refpto_cb", "560x350");
  expect_attributes(d, {{"TITLE", "Field Reference Points"}, {"RESIZE", "NO"}, {"MINBOX", "NO"},
                        {"MAXBOX", "NO"}, {"CLOSE_CB", "close_refpto_cb"}});
  EXPECT_EQ(attr(appState.fieldCanvas, "BUTTON_CB"), "button_refpto_cb");
}

TEST_F(InterfaceTest, about_dialog_layout_and_logo) {
  TukHandle d = appState.aboutDialog;
  expect_attributes(d, {{"TITLE", "About"}, {"SIZE", "100x60"}, {"RESIZE", "NO"},
                        {"MAXBOX", "NO"}, {"MINBOX", "NO"}});
  auto rows = children(children(d)[0]);
  const char* row_kinds[] = {"HBOX", "FILL", "HBOX", "FILL", "HBOX", "HBOX", "HBOX", "FILL"};
  ASSERT_EQ(rows.size(), 8u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(kind(rows[i]), row_kinds[i]) << "row " << i;
  EXPECT_EQ(attr(middle_of_hbox(rows[2]), "TITLE"), "by");
  for (int i = 4; i <= 6; ++i) {
    TukHandle author = middle_of_hbox(rows[i]);
    EXPECT_EQ(kind(author), "LABEL");
    EXPECT_NE(attr(author, "TITLE"), "");
  }
  auto credits = children(rows[0]);
  ASSERT_EQ(credits.size(), 5u);
  EXPECT_EQ(kind(credits[1]), "FILL");
  EXPECT_EQ(kind(credits[3]), "FILL");
  auto left = children(credits[0]);
  ASSERT_EQ(left.size(), 3u);
  auto name = children(credits[2]);
  ASSERT_EQ(name.size(), 3u);
  EXPECT_EQ(attr(name[1], "TITLE"), "Varnesk");
  EXPECT_EQ(children(credits[4]).size(), 2u);

  // the logo is shown by a label that names the 28 x 28 image with its three colours
  TukHandle logo_label = middle_of_hbox(left[0]);
  EXPECT_EQ(kind(logo_label), "LABEL");
  TukHandle logo = TukGetHandle(TukGetAttribute(logo_label, "IMAGE"));
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(kind(logo), "IMAGE");
  expect_attributes(logo, {{"WIDTH", "28"}, {"HEIGHT", "28"}, {"0", "99 123 165"},
                           {"1", "166 181 204"}, {"2", "192 192 192"}});
  // index 2 surrounds the emblem: the corners are background, the middle is not
  const unsigned char* px = logo->pixels;
  EXPECT_EQ(px[0], 2);
  EXPECT_EQ(px[27], 2);
  EXPECT_EQ(px[27 * 28], 2);
  EXPECT_NE(px[14 * 28 + 14], 2);
}

TEST_F(InterfaceTest, logo_label_gets_the_room_of_the_image) {
  ASSERT_EQ(TukShow(appState.aboutDialog), 0);
  TukHandle logo_label = middle_of_hbox(children(children(children(children(appState.aboutDialog)[0])[0])[0])[0]);
  int w = 0, h = 0;
  tuk_element_geometry(logo_label, nullptr, nullptr, &w, &h);
  EXPECT_EQ(w, 28);
  EXPECT_EQ(h, 28);
}

TEST_F(InterfaceTest, elements_are_created_in_the_documented_order) {
  TukHandle menu_bar = TukGetHandle("mainMenu");
  TukHandle last_item = children(children(children(menu_bar)[4])[0])[1];  // Help > About
  TukHandle first_item = children(children(children(menu_bar)[0])[0])[0];
  TukHandle ok = children(children(children(appState.refPointDialog)[0])[2])[1];
  TukHandle logo = TukGetHandle("varnesk_logo");
  const TukHandle order[] = {first_item,           last_item,
                             menu_bar,             ok,
                             logo,                 appState.imageCanvas,
                             appState.mainDialog,  appState.sceneCanvas,
                             appState.sceneDialog, appState.fieldCanvas,
                             appState.refPointDialog, appState.aboutDialog};
  for (std::size_t i = 1; i < sizeof order / sizeof order[0]; ++i)
    EXPECT_LT(tuk_element_id(order[i - 1]), tuk_element_id(order[i])) << "position " << i;
  // the entries of each menu come before the menu, each menu before its submenu
  for (TukHandle sub : children(menu_bar)) {
    TukHandle menu = children(sub)[0];
    for (TukHandle item : children(menu)) EXPECT_LT(tuk_element_id(item), tuk_element_id(menu));
    EXPECT_LT(tuk_element_id(menu), tuk_element_id(sub));
  }
}

TEST_F(InterfaceTest, nothing_is_shown_by_building) {
  for (TukHandle d : {appState.mainDialog, appState.sceneDialog, appState.refPointDialog,
                      appState.aboutDialog})
    EXPECT_NE(attr(d, "VISIBLE"), "YES");
}
