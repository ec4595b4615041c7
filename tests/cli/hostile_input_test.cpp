// varnesk-cli run as a process on every case of the hostile-input corpus, from a table: no
// signal, no sanitizer report, no hang (10 s), exit 0 or 1 with one valid JSON object on stdout;
// and the cases that used to report success on failure exit 1 with an "error". The corpus is
// read in ../shared beside the source; the cases that cannot live in a kit (names that are not
// UTF-8, FIFOs) are made here at run time.
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "image_test_util.h"

using imgtest::ShellQuote;
using imgtest::TempPath;

namespace {

const std::string kHostileRel = "../shared/corpora/hostile";  // from the source root, as its scenes say
const std::string kHostile = std::string(VARNESK_SOURCE_DIR) + "/" + kHostileRel;
const std::string kPng = " --out " + ShellQuote(TempPath("hostile.png"));

enum Expect { ANY, FAILS };  // ANY: exit 0 or 1; FAILS: exit 1 with an "error"

struct Case {
  std::string args;  // shell words after the program name, run from the source root
  Expect expect;
  std::string has = "";  // text the error (FAILS) or the result (ANY) must hold
};

void RunCase(const Case& c) {
  SCOPED_TRACE(c.args);
  // the program under test: this build's, or another one named in VARNESK_CLI_UNDER_TEST (the
  // release build and the sanitizer build both have to pass the table)
  const char* other = std::getenv("VARNESK_CLI_UNDER_TEST");
  const std::string cli = other != nullptr && *other ? other : VARNESK_CLI, err = TempPath("hostile-stderr.txt");
  int code = -1;
  // timeout's status is 124 on a hang, 128 + n when the program died of signal n
  const std::string text = imgtest::RunCommand("cd " + ShellQuote(VARNESK_SOURCE_DIR) + " && timeout -k 2 10 " +
                                                   ShellQuote(cli) + " " + c.args + " 2>" + ShellQuote(err), &code);
  const std::vector<unsigned char> bytes = imgtest::ReadFileBytes(err);
  const std::string stderrText(bytes.begin(), bytes.end());
  EXPECT_EQ(stderrText.find("Sanitizer"), std::string::npos) << stderrText;
  EXPECT_EQ(stderrText.find("runtime error"), std::string::npos) << stderrText;
  ASSERT_TRUE(code == 0 || code == 1) << "exit " << code << (code == 124 ? " (hung)" : "") << "\n" << text;
  const nlohmann::json out = nlohmann::json::parse(text, nullptr, false);
  ASSERT_TRUE(out.is_object()) << "not one JSON object: " << text.substr(0, 300);
  if (c.expect == FAILS) {
    EXPECT_EQ(code, 1) << text;
    ASSERT_TRUE(out.contains("error") && out["error"].is_string()) << text;
    EXPECT_NE(out["error"].get<std::string>().find(c.has), std::string::npos) << text;
  } else {
    EXPECT_NE(text.find(c.has), std::string::npos) << text;
  }
}

// The names in a folder of the corpus with one of `extensions`, sorted.
std::vector<std::string> List(const std::string& dir, const std::set<std::string>& extensions) {
  EXPECT_TRUE(std::filesystem::exists(kHostile + "/README.md")) << "no corpus at " << kHostile;
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(kHostile + dir)) {
    if (extensions.count(e.path().extension().string())) names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(HostileScenes, SceneCrashesHangsOrDrawsAFalseOk) {
  std::vector<Case> cases;
  for (const char* dir : {"/cen", "/ref"}) {
    for (const std::string& name : List(dir, {".cen"})) {
      if (name == "jpeg_bomb.cen") continue;  // a picture the image library must refuse: with the pictures
      cases.push_back({"render " + ShellQuote(kHostileRel + dir + "/" + name) + kPng + " --overlays refs,objects,lines", ANY});
    }
  }
  // scenes whose reference or object file does not read: a drawing of them would be a false "ok"
  const std::pair<const char*, const char*> failing[] = {
      {"ref/s_count48.cen", "count48.ref"},          {"ref/s_nan.cen", "nan.ref"},
      {"ref/s_noref.cen", "nonexistent.ref"},        {"ref/s_obj_bad.cen", "obj_bad.obj"},
      {"ref/s_obj_count_big.cen", "obj_count_big"},  {"ref/s_obj_empty.cen", "obj_empty.obj"},
      {"ref/s_obj_float.cen", "obj_float.obj"},      {"ref/s_obj_trunc.cen", "obj_trunc.obj"},
      {"ref/s_trunc.cen", "trunc.ref"},              {"ref/scene_obj_intmin.cen", "outside"},
      {"ref/scene_ref_intmax.cen", "outside"},       {"cen/ref_is_dir.cen", "directory"},
      {"cen/devzero_ref.cen", "not a regular file"}, {"cen/devzero_obj.cen", "not a regular file"},
      {"cen/devzero_img.cen", "/dev/zero"},          {"cen/empty.cen", "image path"},
      {"cen/one_token.cen", "reference path"},       {"cen/path100.cen", "99 characters"},
      {"cen/nul.cen", "NUL"},                        {"cen/wide.cen", "20000 x 2"},
      {"cen/tall.cen", "2 x 20000"},
  };
  for (const auto& f : failing) cases.push_back({"render " + ShellQuote(kHostileRel + "/" + f.first) + kPng, FAILS, f.second});
  // the 3D model of a scene whose reference file did not read names the file, not the count
  const std::pair<const char*, const char*> failing3d[] = {
      {"ref/s_trunc.cen", "trunc.ref"}, {"ref/s_nan.cen", "nan.ref"},
      {"cen/ref_is_dir.cen", "directory"}, {"ref/s_noref.cen", "nonexistent.ref"}};
  for (const auto& f : failing3d) cases.push_back({"render3d " + ShellQuote(kHostileRel + "/" + f.first) + kPng, FAILS, f.second});
  for (const Case& c : cases) RunCase(c);
}

TEST(HostileReferences, PointFileCrashesHangsOrCalibratesFromNonsense) {
  std::vector<Case> cases;
  for (const std::string& name : List("/ref", {".ref", ".obj"})) {
    const std::string rel = kHostileRel + "/ref/" + name, scene = TempPath("hostile-" + name + ".cen");
    const bool ref = name.substr(name.size() - 4) == ".ref";
    if (ref) {
      cases.push_back({"calibrate " + ShellQuote(rel) + " --size 640x480", ANY});
      cases.push_back({"measure " + ShellQuote(rel) + " --size 640x480 --points 300 100 340 120", ANY});
    }
    // in a scene of the demo's photograph, as render reads them
    std::ofstream(scene) << "data/demo/demo.jpg\n" << (ref ? rel : "data/demo/demo.ref") << "\n" << (ref ? "data/demo/demo.obj" : rel) << "\n";
    cases.push_back({"render " + ShellQuote(scene) + kPng + (ref ? " --overlays refs,objects,lines" : " --overlays objects"), ANY});
  }
  for (const char* name : {"pixel_intmin.ref", "pixels_intmax.ref", "pixel_overflow.ref", "nan.ref", "trunc.ref",
                           "count48.ref", "countneg.ref", "nul.ref", "huge_exp_digits.ref"}) {
    cases.push_back({"calibrate " + ShellQuote(kHostileRel + "/ref/" + name) + " --size 640x480", FAILS, name});
  }
  cases.push_back({"calibrate /tmp --size 10x10", FAILS, "directory"});
  for (const Case& c : cases) RunCase(c);
}

TEST(HostileGenerated, NameNotUtf8FifoOrDeviceCrashesOrHangs) {
  // in /tmp: the paths inside a scene file are short
  char folder[] = "/tmp/varnesk-hostile-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string t = folder, badImage = t + "/img\xfe.bmp", fifo = t + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::copy_file(kHostile + "/bmp_topdown.bmp", badImage);
  std::ofstream(t + "/missing.cen") << t << "/missing\xff.jpg data/demo/demo.ref\n";
  std::ofstream(t + "/ok.cen") << badImage << " data/demo/demo.ref\n";
  std::ofstream(t + "/fifo_ref.cen") << "data/demo/demo.jpg " << fifo << "\n";
  std::ofstream(t + "/fifo_obj.cen") << "data/demo/demo.jpg data/demo/demo.ref " << fifo << "\n";
  std::ofstream(t + "/fifo_img.cen") << fifo << " data/demo/demo.ref\n";
  const Case cases[] = {
      {"info " + ShellQuote(t + "/nonexist\xff.bmp"), FAILS, "nonexist\\xff.bmp"},
      {"render " + ShellQuote(t + "/missing.cen") + kPng, FAILS, "missing\\xff.jpg"},
      {"render " + ShellQuote(t + "/ok\xfe.cen") + kPng, FAILS, "ok\\xfe.cen"},
      {"calibrate " + ShellQuote(t + "/\xc0\xafx.ref") + " --size 640x480", FAILS, "\\xc0\\xafx.ref"},
      {ShellQuote("bogus\xff"), FAILS, "bogus\\xff"},
      {"calibrate " + ShellQuote(fifo) + " --size 640x480", FAILS, "not a regular file"},
      {"render " + ShellQuote(fifo) + kPng, FAILS, "not a regular file"},
      {"render " + ShellQuote(t + "/fifo_ref.cen") + kPng, FAILS, "not a regular file"},
      {"render " + ShellQuote(t + "/fifo_obj.cen") + kPng, FAILS, "not a regular file"},
      {"render " + ShellQuote(t + "/fifo_img.cen") + kPng, FAILS, "fifo"},
      {"calibrate /dev/zero --size 640x480", FAILS, "not a regular file"},
      {"render /dev/zero" + kPng, FAILS, "not a regular file"},
      // a readable picture under a name that is not UTF-8 draws, and the name comes back escaped
      {"decode " + ShellQuote(badImage) + " " + ShellQuote(t + "/hostile-\xfe.ppm"), ANY, "hostile-\\\\xfe.ppm"},
      {"render " + ShellQuote(t + "/ok.cen") + kPng, ANY, "img\\\\xfe.bmp"},
  };
  for (const Case& c : cases) RunCase(c);
  std::filesystem::remove_all(t);
}

TEST(HostilePicturesAndHorizon, PictureCrashesHangsOrDecodesWhenCut) {
  // files named *trunc* that no other reader accepts (VALID.tsv) are cut short: decoding must fail
  std::set<std::string> truncated;
  std::ifstream tsv(kHostile + "/VALID.tsv");
  std::string line, file, kind, reader;
  std::getline(tsv, line);  // the header, whose last column's name has a blank in it
  while (std::getline(tsv, line)) {
    std::istringstream fields(line);
    std::getline(fields, file, '\t'), std::getline(fields, kind, '\t'), std::getline(fields, reader, '\t');
    if (file.find("trunc") != std::string::npos && reader == "-") truncated.insert(file);
  }
  EXPECT_GT(truncated.size(), 5u);
  const std::string fifo = TempPath("picture-fifo"), ppm = " " + ShellQuote(TempPath("hostile.ppm"));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::vector<Case> cases = {{"render " + ShellQuote(kHostileRel + "/cen/jpeg_bomb.cen") + kPng, FAILS}};
  for (const std::string& name : List("", {".bmp", ".gif", ".jpg", ".nkl", ".pcx", ".sgi", ".ras", ".tga", ".tif"})) {
    cases.push_back({"info " + ShellQuote(kHostileRel + "/" + name), ANY});
    cases.push_back({"decode " + ShellQuote(kHostileRel + "/" + name) + ppm, truncated.count(name) ? FAILS : ANY});
  }
  // a FIFO (without a writer, it blocks in open) and a device are not pictures
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    cases.push_back({"info " + ShellQuote(path), FAILS});
    cases.push_back({"decode " + ShellQuote(path) + ppm, FAILS});
  }
  // points on or above the horizon have no ground position
  cases.push_back({"measure data/demo/demo.ref --size 640x480 --points 320 600 320 700", FAILS});
  cases.push_back({"measure data/demo/demo.ref --size 640x480 --points 320 526 320 525", FAILS});
  for (const Case& c : cases) RunCase(c);
  std::remove(fifo.c_str());
}

}  // namespace
