// The File commands: the file dialog, the readers, the resets of the application record and the
// redraws of the image view.
#include "app/file_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "state/app_state.h"
#include "app/reference_edit.h"
#include "geometry/geometry.h"
#include "render/image_view.h"
#include "scene/scene_load.h"
#include "scene/writers.h"
#include "toolkit/tuk_dialogs.h"
#include "toolkit/tuk_gl.h"

namespace {

constexpr int kPathBuffer = 256;  // the size the file dialog requires

// Asks for a file with the filter; true only when an existing file was chosen.
bool choose_file(const char* filter, char (&path)[kPathBuffer]) {
  std::strncpy(path, filter, kPathBuffer - 1);
  path[kPathBuffer - 1] = '\0';
  return TukGetFile(path) == 0;
}

bool dialog_visible(TukHandle dialog) {
  const char* visible = dialog ? TukGetAttribute(dialog, "VISIBLE") : nullptr;
  return visible && std::strcmp(visible, "YES") == 0;
}

void clear_points_and_redraw() {
  appState.landmarkMarked = 0;
  clear_reference_points(appState);
  redraw_image_view();
  clear_object_points(appState);
  redraw_image_view();
}

void calibrate_after_reading() {
  TukGLMakeCurrent(appState.imageCanvas);
  if (points_changed(1)) appState.landmarkMarked = 1;
}

const char* read_error_reason(int status) {
  switch (status) {
    case READ_CANNOT_OPEN: return "não é possível abrir o arquivo";
    case READ_ENDED_EARLY: return "termina antes do fim do último ponto";
    case READ_BAD_NUMBER: return "texto onde deveria haver um número";
    case READ_BAD_COUNT: return "quantidade de pontos fora do limite";
    case READ_IS_DIRECTORY: return "é uma pasta";
    case READ_NOT_REGULAR: return "não é um arquivo comum";
    case READ_NUMBER_TOO_LONG: return "número com mais de 64 caracteres";
    case READ_OUT_OF_RANGE: return "coordenada fora de -1000000..1000000";
    default: return "conteúdo inválido";
  }
}

// A points file that did not read: which file, what it should have been, and where it went wrong.
void tell_unreadable(const char* path, const char* what, const ReadReport& report) {
  const std::string text = std::string(path) + " não é um arquivo de " + what + " (" +
                           read_error_reason(report.status) + ", linha " + std::to_string(report.line) + ").";
  TukMessage("Erro", text.c_str(), TUK_MESSAGE_ERROR);
}

const char* image_error_reason(int code) {
  switch (code) {
    case 1: return "não é possível abrir o arquivo";
    case 2: return "arquivo danificado";
    case 4: return "formato desconhecido";
    case 5: return "variante do formato não suportada";
    case 6: return "compressão não suportada";
    default: return "erro do leitor de imagens";
  }
}

bool exists(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0;
}

// Asks for a file to write; an existing one is replaced only when the user says so.
bool choose_target(const char* filter, std::string* path) {
  char buf[kPathBuffer];
  std::strncpy(buf, filter, kPathBuffer - 1);
  buf[kPathBuffer - 1] = '\0';
  const int r = TukGetFile(buf, TUK_FILE_SAVE);
  if (r != 0 && r != 1) return false;
  *path = buf;
  return true;
}

bool may_replace(const std::string& path) {
  if (!exists(path)) return true;
  const std::string question = "Substituir " + path + "?";
  return confirm(question.c_str(), "Sim, substituir");
}

void tell_write_failure(const std::string& path, int status) {
  const std::string text = "Não foi possível gravar " + path + ": " + write_status_text(status) + ".";
  TukMessage("Erro", text.c_str(), TUK_MESSAGE_ERROR);
}

}  // namespace

int load_image_file(const char* path) {
  int stage = 0;
  const int code = load_image_rgb(path, appState, &stage);
  if (code == 0) {
    char absolute[PATH_MAX];
    appState.imagePath = realpath(path, absolute) ? absolute : path;
    // canvas pixels and image pixels coincide for every size, panned when the screen is small
    fit_image_canvas();
    return 1;
  }
  const std::string text = std::string(stage == IMAGE_STAGE_DEFINITION ? "Erro na definição do arquivo gráfico"
                                                                        : "Erro na leitura do arquivo") +
                           "\n" + path + ": " + image_error_reason(code) + ".";
  TukMessage("Erro", text.c_str(), TUK_MESSAGE_ERROR);
  return 0;
}

int open_image_command(const char* path) {
  if (!load_image_file(path)) return 0;
  clear_points_and_redraw();
  points_changed(0);  // the camera belonged to the other picture
  appState.imageLoaded = 1;
  appState.modelReady = 0;
  TukSetAttribute(appState.visFieldLinesItem, "VALUE", "OFF");
  appState.showFieldLines = 0;
  redraw_image_view();
  return 1;
}

int load_imag_cb(TukHandle, int) {
  char path[kPathBuffer];
  if (choose_file("*.*", path)) open_image_command(path);
  return TUK_DEFAULT;
}

int load_refpto_cb(TukHandle, int) {
  char path[kPathBuffer];
  // before the dialog: even a cancelled command drops the 3D model
  appState.modelReady = 0;
  if (!choose_file("*.ref", path)) return TUK_DEFAULT;
  ReadReport report;
  if (!read_reference_file(path, appState, &report)) {
    // the read is all or nothing: the points and their camera are as they were
    tell_unreadable(path, "pontos de referência", report);
    return TUK_DEFAULT;
  }
  // the new points appear at the next redraw of the image view
  calibrate_after_reading();
  return TUK_DEFAULT;
}

int load_objpto_cb(TukHandle, int) {
  char path[kPathBuffer];
  if (!choose_file("*.obj", path)) return TUK_DEFAULT;
  // ground positions follow at the next calibration
  ReadReport report;
  if (!read_object_file(path, appState, &report)) tell_unreadable(path, "pontos de objetos", report);
  return TUK_DEFAULT;
}

int open_scene_command(const char* path) {
  ScenePaths paths;
  ReadReport report;
  const int pathsRead = read_scene_file(path, &paths, &report);
  if (report.status == READ_CANNOT_OPEN) return -1;
  // the points go before anything is read, so a scene cut short leaves none behind
  clear_points_and_redraw();
  points_changed(0);
  // fewer than two paths, or a path too long for its buffer: nothing more is read
  if (!pathsRead) return 0;
  if (dialog_visible(appState.sceneDialog)) TukHide(appState.sceneDialog);
  // Paths are taken from the current folder; a scene saved with paths relative to its own
  // folder is found there when the current folder does not have its image.
  char cwd[PATH_MAX];
  const std::string sceneFolder = std::string(path).substr(0, std::string(path).rfind('/') + 1);
  const bool enter = paths.image[0] != '/' && !exists(paths.image) && !sceneFolder.empty() &&
                     exists(sceneFolder + paths.image) && getcwd(cwd, sizeof cwd) &&
                     chdir(sceneFolder.c_str()) == 0;
  // a failed image has said so and left the previous picture shown
  const int imageLoaded = load_image_file(paths.image);
  SceneLoadReport loaded;
  if (imageLoaded) {
    TukGLMakeCurrent(appState.imageCanvas);
    finish_scene_load(paths, appState, loaded);
  }
  if (enter && chdir(cwd) != 0) {
    // the folder went away meanwhile: nothing to go back to
  }
  if (!imageLoaded) return 0;
  points_changed(1);
  TukSetAttribute(appState.visRefPointsItem, "VALUE", "OFF");
  TukSetAttribute(appState.visObjPointsItem, "VALUE", "OFF");
  TukSetAttribute(appState.visFieldLinesItem, "VALUE", "OFF");
  redraw_image_view();
  return 1;
}

int load_cena_cb(TukHandle, int) {
  char path[kPathBuffer];
  if (choose_file("*.cen", path)) open_scene_command(path);
  return TUK_DEFAULT;
}

int save_refpto_cb(TukHandle, int) {
  std::string path;
  if (!choose_target("*.ref", &path) || !may_replace(path)) return TUK_DEFAULT;
  const std::string text = reference_file_text(appState);
  const int status = text.empty() ? WRITE_BAD_VALUE : write_text_file_atomic(path.c_str(), text);
  if (status != WRITE_OK) tell_write_failure(path, status);
  return TUK_DEFAULT;
}

int save_cena_cb(TukHandle, int) {
  if (!appState.imageLoaded || appState.imagePath.empty()) {
    TukMessage("Erro", "Não há imagem carregada para gravar na cena.", TUK_MESSAGE_ERROR);
    return TUK_DEFAULT;
  }
  std::string path;
  if (!choose_target("*.cen", &path)) return TUK_DEFAULT;
  const ScenePlan plan = plan_scene(path, appState.imagePath);
  if (!plan.refused.empty()) {
    const std::string text = "O arquivo de cena não comporta o caminho " + plan.refused +
                             " (sem espaços, até 99 caracteres). Nada foi gravado.";
    TukMessage("Erro", text.c_str(), TUK_MESSAGE_ERROR);
    return TUK_DEFAULT;
  }
  for (const std::string* target : {&plan.scene, &plan.reference, &plan.object}) {
    if (!may_replace(*target)) return TUK_DEFAULT;
  }
  const std::string references = reference_file_text(appState);
  const std::string objects = object_file_text(appState);
  if (references.empty() || objects.empty()) {
    tell_write_failure(plan.scene, WRITE_BAD_VALUE);
    return TUK_DEFAULT;
  }
  // the scene last, so that it never names files that were not written
  const std::pair<const std::string*, std::string> files[] = {
      {&plan.reference, references}, {&plan.object, objects}, {&plan.scene, scene_file_text(plan)}};
  for (const auto& f : files) {
    const int status = write_text_file_atomic(f.first->c_str(), f.second);
    if (status != WRITE_OK) {
      tell_write_failure(*f.first, status);
      return TUK_DEFAULT;
    }
  }
  return TUK_DEFAULT;
}
