// build_interface: every window, menu and canvas of the program, created once at start-up.
#include "app/interface.h"

#include "state/app_state.h"
#include "render/image_view.h"
#include "toolkit/tuk_gl.h"

#include <initializer_list>

namespace {

constexpr int kLogoSize = 28;

// The About logo: a pitch seen from above inside a ring (index 0 lines, index 1 grass) on
// the dialog's grey (index 2).
const unsigned char* logo_pixels() {
  static unsigned char pixels[kLogoSize * kLogoSize];
  static bool made = false;
  if (made) return pixels;
  made = true;
  for (int y = 0; y < kLogoSize; ++y) {
    for (int x = 0; x < kLogoSize; ++x) {
      // twice the distance from the centre, so that the centre falls between pixels 13 and 14
      const int dx = 2 * x - (kLogoSize - 1), dy = 2 * y - (kLogoSize - 1);
      const int r2 = dx * dx + dy * dy;
      unsigned char c = 2;
      if (r2 <= 27 * 27) c = 1;
      if (r2 > 23 * 23 && r2 <= 27 * 27) c = 0;                 // the ring
      if (r2 <= 23 * 23 && (dx == -1 || dx == 1)) c = 0;       // the halfway line
      if (r2 > 5 * 5 && r2 <= 8 * 8) c = 0;                    // the centre circle
      pixels[y * kLogoSize + x] = c;
    }
  }
  return pixels;
}

// A label centred in its row: hbox(fill, label, fill).
TukHandle centred(TukHandle label) { return TukHbox(TukFill(), label, TukFill(), nullptr); }
TukHandle centred_label(const char* text) { return centred(TukLabel(text)); }

// vbox(fill, hbox(fill, canvas, fill), fill): the canvas in the middle of its dialog.
TukHandle centred_canvas(TukHandle canvas) {
  return TukVbox(TukFill(), TukHbox(TukFill(), canvas, TukFill(), nullptr), TukFill(), nullptr);
}

struct Setting {
  const char* name;
  const char* value;  // a literal: the toolkit keeps the pointer
};

void set_attributes(TukHandle e, std::initializer_list<Setting> settings) {
  for (const Setting& a : settings) TukSetAttribute(e, a.name, a.value);
}

TukHandle make_canvas(const char* action, const char* raster) {
  TukHandle canvas = TukGLCanvas(action);
  TukSetAttribute(canvas, "BUFFER", "DOUBLE");
  TukSetAttribute(canvas, "RASTERSIZE", raster);
  return canvas;
}

}  // namespace

const char* const objectKindNames[OBJECT_KIND_COUNT] = {"Team A", "Team B", "Referee", "Ball"};

void build_interface() {
  AppState& s = appState;
  // Elements are made one statement at a time where their order matters (menu entries in
  // braced lists, which run left to right): the order of function arguments is not fixed.

  TukHandle file_items[] = {TukItem("Load Scene", "load_cena_cb"), TukSeparator(),
                            TukItem("Load Image", "load_imag_cb"),
                            TukItem("Load Reference Points", "load_refpto_cb"),
                            TukItem("Load Object Points", "load_objpto_cb"), TukSeparator(),
                            TukItem("Save Reference Points", "save_refpto_cb"),
                            TukItem("Save Scene", "save_cena_cb"), TukSeparator(),
                            TukItem("Exit", "exit_cb")};
  TukHandle file_menu = TukMenu(file_items[0], file_items[1], file_items[2], file_items[3],
                                file_items[4], file_items[5], file_items[6], file_items[7],
                                file_items[8], file_items[9], nullptr);
  TukHandle file = TukSubmenu("File", file_menu);

  TukHandle edit_items[] = {TukItem("Add Reference Points", "adrefpto_cb"),
                            TukItem("Add Object Points", "adobjpto_cb"), TukSeparator(),
                            TukItem("Remove Reference Points", "remrefpto_cb"),
                            TukItem("Remove Object Points", "remobjpto_cb"), TukSeparator(),
                            TukItem("Select Color of Team A", "cortimea_cb"),
                            TukItem("Select Color of Team B", "cortimeb_cb"), TukSeparator(),
                            TukItem("Remove Last Reference Point", "remultpto_cb")};
  TukHandle edit_menu = TukMenu(edit_items[0], edit_items[1], edit_items[2], edit_items[3],
                                edit_items[4], edit_items[5], edit_items[6], edit_items[7],
                                edit_items[8], edit_items[9], nullptr);
  TukHandle edit = TukSubmenu("Edit", edit_menu);

  TukHandle view_items[] = {TukItem("Reference Points", "visrefpto_cb"),
                            TukItem("Object Points", "visobjpto_cb"),
                            TukItem("Field Lines", "vislinhacampo_cb"), TukSeparator(),
                            TukItem("Make 3D Model", "gerarmod_cb"), TukSeparator(),
                            TukItem("Broadcast Camera", "cameratv_cb")};
  TukHandle view_menu = TukMenu(view_items[0], view_items[1], view_items[2], view_items[3],
                                view_items[4], view_items[5], view_items[6], nullptr);
  TukHandle view = TukSubmenu("View", view_menu);

  TukHandle measures_items[] = {TukItem("Distance Between Two Points", "disptos_cb"),
                                TukItem("Offline Verification", "linhaimp_cb")};
  TukHandle measures_menu = TukMenu(measures_items[0], measures_items[1], nullptr);
  TukHandle measures = TukSubmenu("Measures", measures_menu);

  TukHandle help_items[] = {TukItem("Help", "ajuda_cb"), TukItem("About", "sobre_cb")};
  TukHandle help_menu = TukMenu(help_items[0], help_items[1], nullptr);
  TukHandle help = TukSubmenu("Help", help_menu);

  TukHandle menu_bar = TukMenu(file, edit, view, measures, help, nullptr);

  TukHandle ok = TukButton("Ok", "okrefpto_cb");
  TukHandle cancel = TukButton("Cancel", "cancelarrefpto_cb");

  TukHandle logo = TukImage(kLogoSize, kLogoSize, logo_pixels());
  set_attributes(logo, {{"0", "99 123 165"}, {"1", "166 181 204"}, {"2", "192 192 192"}});

  // Main dialog: the image canvas under the menu bar.
  s.imageCanvas = make_canvas("redraw_cb", "640x480");
  s.mainDialog = TukDialog(centred_canvas(s.imageCanvas));
  TukSetHandle("mainMenu", menu_bar);
  // BUTTON_CB on the dialog, so that the canvas inherits it
  set_attributes(s.mainDialog, {{"EXPAND", "NO"}, {"RESIZE", "NO"}, {"MAXBOX", "NO"},
                                {"MENU", "mainMenu"}, {"BUTTON_CB", "button_cb"},
                                {"CLOSE_CB", "close_cb"}, {"TITLE", "Varnesk"}});
  // the keys that pan an image larger than the screen; the main window has no others
  for (const char* key : {"K_LEFT", "K_RIGHT", "K_UP", "K_DOWN", "K_PGUP", "K_PGDN", "K_HOME", "K_END"})
    TukSetAttribute(s.mainDialog, key, "rolar_cb");
  TukSetAttribute(s.imageCanvas, "SCROLL_CB", "rolagem_cb");
  // the wheel zooms (with Ctrl) and pans; the pointer feeds the magnifier
  set_attributes(s.imageCanvas, {{"WHEEL_CB", "wheel_cb"}, {"MOTION_CB", "motion_cb"},
                                 {"LEAVEWINDOW_CB", "leave_cb"}});
  // the canvas's viewport and the view's size follow every layout; registered with the canvas,
  // since it replaces the GL canvas's own resize, which a canvas cannot be shown without
  TukSetFunction("image_resize_cb", TukCallbackOf(image_resize_cb));
  TukSetAttribute(s.imageCanvas, "RESIZE_CB", "image_resize_cb");
  // a picture narrower than the menu bar leaves the canvas its full width, the picture at its left
  TukSetAttribute(s.imageCanvas, "EXPAND", "HORIZONTAL");

  // "3D Scene": modeless, shown by "Make 3D Model".
  s.sceneCanvas = make_canvas("redraw_3D_cb", "640x480");
  s.sceneDialog = TukDialog(centred_canvas(s.sceneCanvas));
  set_attributes(s.sceneDialog, {{"TITLE", "3D Scene"}, {"RESIZE", "NO"}, {"MAXBOX", "NO"},
                                 {"K_ANY", "kany_cb"}});

  // "Field Reference Points": the pitch plan with Ok and Cancel below it.
  s.fieldCanvas = make_canvas("redraw_refpto_cb", "560x350");
  // beside the plan, what the pick means: a wrong landmark is the costliest mistake there is
  s.landmarkLabel = TukLabel("");
  TukSetAttribute(s.landmarkLabel, "RASTERSIZE", "200x90");
  s.refPointDialog = TukDialog(TukVbox(
      TukHbox(TukFill(), s.fieldCanvas, s.landmarkLabel, TukFill(), nullptr), TukFill(),
      TukHbox(TukFill(), ok, TukFill(), cancel, TukFill(), nullptr), TukFill(), nullptr));
  set_attributes(s.refPointDialog,
                 {{"TITLE", "Field Reference Points"}, {"RESIZE", "NO"}, {"MINBOX", "NO"},
                  {"MAXBOX", "NO"}, {"CLOSE_CB", "close_refpto_cb"},
                  {"BUTTON_CB", "button_refpto_cb"}});

  // About. An image element standing in a box draws nothing, so the logo is shown by a label
  // that names it.
  TukSetHandle("varnesk_logo", logo);
  TukHandle logo_label = TukLabel("");
  TukSetAttribute(logo_label, "IMAGE", "varnesk_logo");
  TukHandle credits = TukHbox(
      TukVbox(centred(logo_label), centred_label("Varnesk Project"),
              centred_label("Football Image Analysis"), nullptr),
      TukFill(), TukVbox(TukFill(), TukLabel("Varnesk"), TukFill(), nullptr), TukFill(),
      TukVbox(centred_label("Camera Calibration"), centred_label("Offside Measurement"), nullptr),
      nullptr);
  s.aboutDialog = TukDialog(TukVbox(
      credits, TukFill(), centred_label("by"), TukFill(),
      centred_label("Varnesk team - interface and toolkit"),
      centred_label("Varnesk team - calibration and measurement"),
      centred_label("Varnesk team - images and 3D rendering"), TukFill(), nullptr));
  set_attributes(s.aboutDialog, {{"TITLE", "About"}, {"SIZE", "100x60"}, {"RESIZE", "NO"},
                                 {"MAXBOX", "NO"}, {"MINBOX", "NO"}});

  s.visRefPointsItem = view_items[0];
  s.visObjPointsItem = view_items[1];
  s.visFieldLinesItem = view_items[2];
  // every switch shows its check box from the start, not only once it was first set
  for (TukHandle item : {s.visRefPointsItem, s.visObjPointsItem, s.visFieldLinesItem, view_items[6]})
    TukSetAttribute(item, "VALUE", "OFF");
}
