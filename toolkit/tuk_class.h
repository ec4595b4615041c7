#pragma once
// Registered control classes: element kinds that live outside the core (the OpenGL canvas).
//
// A class record names the class and holds twelve methods the core calls instead of its own
// handling. A new class starts with the canvas behaviour in every slot but POPUP.
// Methods are stored as TukClassMethod and called through the signature of their slot:
//   "SETNATURALSIZE"  void m(TukHandle, int* width, int* height)   in: 0 0; out: natural size
//   "SETCURRENTSIZE"  void m(TukHandle, int width, int height)     size given by the layout
//   "GETSIZE"         void m(TukHandle, int* width, int* height)   out: natural size
//   "SETPOSITION"     void m(TukHandle, int x, int y)
//   "CREATE"          TukHandle m(TukClass*, void** args)          args as the format says
//   "DESTROY"         void m(TukHandle)                            free class data
//   "MAP"             int m(TukHandle)                             TUK_NOERROR / TUK_ERROR
//   "UNMAP"           void m(TukHandle)
//   "SETATTR"         void m(TukHandle, const char* name, const char* value)
//   "GETATTR"         const char* m(TukHandle, const char* name)   live value or null
//   "GETDEFAULTATTR"  const char* m(TukHandle, const char* name)   default or null
//   "POPUP"           int m(TukHandle, int x, int y)

#include "tuk.h"

typedef void (*TukClassMethod)(void);

enum TukClassSlot {
  TUK_METHOD_SETNATURALSIZE = 0, TUK_METHOD_SETCURRENTSIZE, TUK_METHOD_GETSIZE,
  TUK_METHOD_SETPOSITION, TUK_METHOD_CREATE, TUK_METHOD_DESTROY, TUK_METHOD_MAP,
  TUK_METHOD_UNMAP, TUK_METHOD_SETATTR, TUK_METHOD_GETATTR, TUK_METHOD_GETDEFAULTATTR,
  TUK_METHOD_POPUP,
  TUK_METHOD_COUNT
};

struct TukClass {
  char* name;    // type name reported by TYPENAME, private copy ("GLCANVAS")
  char* format;  // constructor arguments: one letter each, 'n' a name ("n")
  TukClassMethod methods[TUK_METHOD_COUNT];  // slot order of TukClassSlot
};

// A new class with the default methods; null for a null name. Freed by TukClose when
// registered, else by TukFreeClass.
TukClass* TukNewClass(const char* name, const char* format);
void TukFreeClass(TukClass* cls);
// Sets a method by its slot name; TUK_ERROR (1) for an unknown name or null arguments.
int TukClassSetMethod(TukClass* cls, const char* method, TukClassMethod function);
// Registers the class under its name in upper case. TUK_ERROR on null arguments.
int TukRegisterClass(const char* name, TukClass* cls);
TukClass* TukGetClass(const char* name);  // any case; null when unknown
// Creates an element of a registered class; args as its format describes.
TukHandle TukCreateControl(const char* class_name, void** args);

// Default canvas behaviour, for class methods that extend it.
TukHandle tuk_class_default_create(TukClass* cls, void** args);
