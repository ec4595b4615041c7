#pragma once
// The File menu's commands and the image load entry that tells the user when it fails.

#include "toolkit/tuk.h"

// Loads the image into appState (load_image_rgb); on failure shows "Erro na definição do
// arquivo gráfico" (kind or size not readable) or "Erro na leitura do arquivo" (pixels), titled
// "Erro", and leaves appState as it was. Returns 1 on success, 0 on failure.
int load_image_file(const char* path);

// What File > "Load Image" and "Load Scene" do once a file is chosen, for the dialog and for a file
// named at start-up. open_image_command returns 1 when the image loaded (a failure has been told to
// the user); open_scene_command returns 1 when the scene's image loaded, 0 when the scene or its
// image failed after the scene file was opened, and -1 when the scene file cannot be opened, which
// the menu command passes over in silence.
int open_image_command(const char* path);
int open_scene_command(const char* path);

// File > "Load Scene", "Load Image", "Load Reference Points", "Load Object Points" (menu item
// actions). Each returns TUK_DEFAULT.
int load_cena_cb(TukHandle self, int checked);
int load_imag_cb(TukHandle self, int checked);
int load_refpto_cb(TukHandle self, int checked);
int load_objpto_cb(TukHandle self, int checked);

// File > "Save Reference Points": the reference points in the reader's format. File > "Save
// Scene": SCENE.cen naming the image, with SCENE.ref and SCENE.obj beside it. Each asks before
// replacing a file, writes atomically and tells the user when a write fails or a path does not
// fit the scene format (then nothing is written). Each returns TUK_DEFAULT.
int save_refpto_cb(TukHandle self, int checked);
int save_cena_cb(TukHandle self, int checked);
