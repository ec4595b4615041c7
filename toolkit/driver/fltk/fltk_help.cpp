// The help viewer: FLTK's HTML view in a window of its own, made on first use and kept until
// the application closes it.
#include "fltk_internal.h"

#include <FL/Fl_Help_View.H>
#include <FL/x.H>

#include <cstdlib>

namespace fltkdrv {

namespace {

constexpr int kHelpWidth = 720;
constexpr int kHelpHeight = 560;
constexpr int kHelpTextSize = 14;

Fl_Double_Window* g_help;  // the viewer's window, while one exists
Fl_Help_View* g_view;      // its view, owned by the window

std::string g_title;       // the window's title, which FLTK does not copy

void make_help_window(const char* title) {
  Fl_Group::current(nullptr);
  g_title = title;
  g_help = new Fl_Double_Window(kHelpWidth, kHelpHeight, g_title.c_str());
  g_view = new Fl_Help_View(0, 0, kHelpWidth, kHelpHeight);
  g_view->textsize(kHelpTextSize);
  g_help->resizable(g_view);
  g_help->end();
}

}  // namespace

void help_show(const char* path, const char* title, const char* owner_wid) {
  if (!g_help) make_help_window(title);
  g_view->load(path);
  g_view->topline(0);
  g_help->show();
  if (owner_wid && *owner_wid && fl_display) {
    const unsigned long owner = std::strtoul(owner_wid, nullptr, 10);
    if (owner) XSetTransientForHint(fl_display, fl_xid(g_help), owner);
  }
}

void help_close(void) {
  if (!g_help) return;
  g_help->hide();
  delete g_help;  // the view goes with it
  g_help = nullptr;
  g_view = nullptr;
}

}  // namespace fltkdrv
