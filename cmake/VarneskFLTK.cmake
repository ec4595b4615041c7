# FLTK found by its header and libraries alone. FLTK's own CMake package files name every tool of
# the FLTK build (fluid among them) and fail when one is missing, and Debian installs those tools
# only as recommended packages; the header and the two libraries are all we use.
include_guard(GLOBAL)
find_path(VARNESK_FLTK_INCLUDE_DIR FL/Fl.H)
find_library(VARNESK_FLTK_LIBRARY fltk)
find_library(VARNESK_FLTK_GL_LIBRARY fltk_gl)
if(NOT VARNESK_FLTK_INCLUDE_DIR OR NOT VARNESK_FLTK_LIBRARY OR NOT VARNESK_FLTK_GL_LIBRARY)
  message(FATAL_ERROR "FLTK 1.3 not found (FL/Fl.H, libfltk, libfltk_gl): install libfltk1.3-dev")
endif()
if(NOT TARGET Varnesk::FLTK)
  add_library(Varnesk::FLTK INTERFACE IMPORTED GLOBAL)
  set_target_properties(Varnesk::FLTK PROPERTIES
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${VARNESK_FLTK_INCLUDE_DIR}"
    INTERFACE_INCLUDE_DIRECTORIES "${VARNESK_FLTK_INCLUDE_DIR}"
    INTERFACE_LINK_LIBRARIES "${VARNESK_FLTK_GL_LIBRARY};${VARNESK_FLTK_LIBRARY}")
endif()
