#pragma once
// Shared parts of the FLTK driver: the widget classes, the event queue and the GLX canvases.
//
// Every native event becomes a neutral TukEvent in one queue that the core drains through the
// driver's pump, so callbacks never run inside an FLTK handler (they may open modal popups,
// which run nested loops of their own). Elements are held by id in the queue: an element
// destroyed before its event is taken simply loses the event.

#include "../../driver.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Gl_Window.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Scrollbar.H>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace fltkdrv {

constexpr int kMenuBarHeight = 25;
// Fl_Menu_Bar starts its first title 6 pixels in and gives each title its text's width and 16
constexpr int kMenuBarEnd = 6;
constexpr int kMenuTitlePad = 16;
constexpr int kFontSize = 14;

// ---- event queue -------------------------------------------------------------------------------
void queue_event(const TukEvent& ev, int element_id, int other_id = 0);
void queue_paint(int canvas_id);  // at most one PAINT per canvas waits in the queue
bool take_event(TukEvent* ev);
void dispatch_paints(TukHandle dialog);  // PAINTs of canvases inside dialog (null: all) now
int modifiers_now(void);
int keysym_now(void);  // Fl::event_key() as a TukKeySym, 0 when the key has none
int element_id_of(const Fl_Widget* w);  // nearest widget up the parents that carries an id
void note_focus(int id);  // the widget with this id took the focus: a FOCUS event

// Escapes '&' and '@', which FLTK labels treat as markup.
std::string plain_label(const char* text);

// ---- widgets -----------------------------------------------------------------------------------
struct MenuStore {
  std::vector<Fl_Menu_Item> items;  // FLTK's array: submenus inline, each ended by a null entry
  std::deque<std::string> labels;   // stable storage for the entries' texts
};
// Builds the Fl_Menu_Item array of a MENU element tree; entries carry the item ids.
void build_menu(TukHandle menu, MenuStore* store, Fl_Callback* item_cb);

class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(int id, int w, int h);
  ~DialogWindow() override;
  int handle(int event) override;
  void resize(int x, int y, int w, int h) override;
  void rebuild_menu();  // from the dialog's MENU attribute
  Fl_Menu_Item* find_item(int item_id);
  int id;
  bool enabled = true;  // false while a modal popup runs above it
  bool placing = false; // the driver itself is sizing it to the layout
  Fl_Menu_Bar* menubar = nullptr;
  MenuStore menu;
};

class Canvas : public Fl_Gl_Window {
 public:
  Canvas(int id, int x, int y, int w, int h);
  int handle(int event) override;
  void flush() override;
  void draw() override {}
  void hide() override;
  int id;
  int attribs[48] = {0};  // GLX attribute list of the format, kept for FLTK's visual choice
  // SCROLLBAR "YES": bars beside the canvas in its dialog's window, null otherwise
  Fl_Scrollbar* hbar = nullptr;
  Fl_Scrollbar* vbar = nullptr;
};

// Makes, updates or removes the canvas's scroll bars after SCROLLBAR, XMAX, DX, POSX, YMAX, DY
// or POSY changed; a move by the user becomes a SCROLL event.
void sync_scrollbars(TukHandle canvas, Canvas* widget);
void drop_scrollbars(Canvas* widget);

class Button : public Fl_Button {
 public:
  Button(int id, int x, int y, int w, int h);
  int handle(int event) override;
  int id;
};

class Browser : public Fl_Browser {
 public:
  Browser(int id, int x, int y, int w, int h);
  int handle(int event) override;
  void reload(TukHandle list);         // items "1", "2" ... of the element
  void apply_value(const char* value); // VALUE: index (single) or "+-" marks (multiple)
  void report_changes();               // SELECT events for what the user changed
  int id;
  bool multiple = false;
  std::vector<char> selected;  // selection the element last reported, index 0 = item 1
};

class Label : public Fl_Box {
 public:
  Label(int id, int x, int y, int w, int h);
  void set_image(TukHandle source);  // an IMAGE element, or null
  int id;
  std::vector<unsigned char> rgb;
  std::unique_ptr<Fl_RGB_Image> picture;
};

bool dialog_enabled(const Fl_Widget* w);
DialogWindow* window_of(TukHandle element);  // the FLTK window of the element's dialog, or null

// ---- OpenGL ------------------------------------------------------------------------------------
int gl_create(TukHandle canvas, const TukGLFormat* format, void** device, void** context);
void gl_make_current(void* device, void* context);
void gl_swap(void* device);
void gl_destroy(void* device, void* context);
void gl_release_drawable(Canvas* canvas);  // park the context before the canvas's X window goes

// ---- standard dialogs --------------------------------------------------------------------------
void message(TukHandle owner, const char* title, const char* text, int kind);
int get_file(TukHandle owner, const char* title, char* path, std::size_t capacity, int mode);
void help_show(const char* path, const char* title, const char* owner_wid);
void help_close(void);

}  // namespace fltkdrv
