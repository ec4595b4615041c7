// varnesk-cli run as a process on every case of the hostile-input corpus, from a table: no
// signal, no sanitizer report, no hang (10 s), exit 0 or 1 with one valid JSON object on stdout;
// and the cases that used to report success on failure exit 1 with an "error". The corpus is
// read in ../shared beside the source; the cases that cannot live in a kit (names that are not
// UTF-8, FIFOs) are made here at run time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kSource = VARNESK_SOURCE_DIR;
const std::string kHostileRel = "../shared/corpora/hostile";  // from the source root, as its scenes say
const std::string kHostile = kSource + "/" + kHostileRel;
const std::string kOut = VARNESK_BINARY_DIR;

// The program under test: this build's, or another one named in VARNESK_CLI_UNDER_TEST (the
// release build and the sanitizer build both have to pass the table).
std::string cli() {
  const char* other = std::getenv("VARNESK_CLI_UNDER_TEST");
  return other && *other ? other : VARNESK_CLI;
}

enum Expect { ANY, FAILS };  // ANY: exit 0 or 1; FAILS: exit 1 with an "error"

struct Case {
  std::string args;             // shell words after the program name, run from the source root
  Expect expect;
  std::string has = "";         // text the error (FAILS) or the result (ANY) must hold
};

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void run_case(const Case& c) {
  SCOPED_TRACE(c.args);
  const std::string err = kOut + "/hostile-stderr.txt";
  // timeout's status is 124 on a hang, 128 + n when the program died of signal n
  const std::string cmd = "cd " + quote(kSource) + " && timeout -k 2 10 " + quote(cli()) + " " + c.args +
                          " 2>" + quote(err);
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string text;
  char buf[4096];
  for (size_t got; (got = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, got);
  const int status = pclose(p);
  ASSERT_TRUE(WIFEXITED(status));
  const int code = WEXITSTATUS(status);
  const std::string stderrText = slurp(err);
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

std::vector<std::string> list(const std::string& dir, const std::set<std::string>& extensions) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      const size_t dot = name.rfind('.');
      if (dot != std::string::npos && extensions.count(name.substr(dot))) names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Files named *trunc* that no other reader accepts (VALID.tsv) are cut short: decoding must fail.
std::set<std::string> truncated_pictures() {
  std::set<std::string> names;
  std::ifstream tsv(kHostile + "/VALID.tsv");
  std::string line;
  std::getline(tsv, line);  // the header, whose last column's name has a blank in it
  while (std::getline(tsv, line)) {
    std::istringstream fields(line);
    std::string file, kind, reader;
    std::getline(fields, file, '\t');
    std::getline(fields, kind, '\t');
    std::getline(fields, reader, '\t');
    if (file.find("trunc") != std::string::npos && reader == "-") names.insert(file);
  }
  return names;
}

void require_corpus() {
  struct stat st;
  if (stat((kHostile + "/README.md").c_str(), &st) != 0) GTEST_SKIP() << "no corpus at " << kHostile;
}

const std::string kPng = " --out " + quote(kOut + "/hostile.png");

TEST(HostileScenes, every_scene_renders_or_fails_cleanly) {
  require_corpus();
  std::vector<Case> cases;
  for (const char* dir : {"/cen", "/ref"}) {
    for (const std::string& name : list(kHostile + dir, {".cen"})) {
      if (name == "jpeg_bomb.cen") continue;  // a picture the image library must refuse: with the pictures
      cases.push_back({quote("render") + " " + quote(kHostileRel + dir + "/" + name) + kPng +
                           " --overlays refs,objects,lines", ANY});
    }
  }
  // scenes whose reference or object file does not read: a drawing of them would be a false "ok"
  const std::pair<const char*, const char*> failing[] = {
      {"ref/s_count48.cen", "count48.ref"},        {"ref/s_nan.cen", "nan.ref"},
      {"ref/s_noref.cen", "nonexistent.ref"},      {"ref/s_obj_bad.cen", "obj_bad.obj"},
      {"ref/s_obj_count_big.cen", "obj_count_big"}, {"ref/s_obj_empty.cen", "obj_empty.obj"},
      {"ref/s_obj_float.cen", "obj_float.obj"},    {"ref/s_obj_trunc.cen", "obj_trunc.obj"},
      {"ref/s_trunc.cen", "trunc.ref"},            {"ref/scene_obj_intmin.cen", "outside"},
      {"ref/scene_ref_intmax.cen", "outside"},     {"cen/ref_is_dir.cen", "directory"},
      {"cen/devzero_ref.cen", "not a regular file"}, {"cen/devzero_obj.cen", "not a regular file"},
      {"cen/devzero_img.cen", "/dev/zero"},        {"cen/empty.cen", "image path"},
      {"cen/one_token.cen", "reference path"},     {"cen/path100.cen", "99 characters"},
      {"cen/nul.cen", "NUL"},                       {"cen/wide.cen", "20000 x 2"},
      {"cen/tall.cen", "2 x 20000"},
  };
  for (const auto& f : failing) {
    cases.push_back({"render " + quote(kHostileRel + "/" + f.first) + kPng, FAILS, f.second});
  }
  // the 3D model of a scene whose reference file did not read names the file, not the count
  cases.push_back({"render3d " + quote(kHostileRel + "/ref/s_trunc.cen") + kPng, FAILS, "trunc.ref"});
  cases.push_back({"render3d " + quote(kHostileRel + "/ref/s_nan.cen") + kPng, FAILS, "nan.ref"});
  cases.push_back({"render3d " + quote(kHostileRel + "/cen/ref_is_dir.cen") + kPng, FAILS, "directory"});
  cases.push_back({"render3d " + quote(kHostileRel + "/ref/s_noref.cen") + kPng, FAILS, "nonexistent.ref"});
  for (const Case& c : cases) run_case(c);
}

TEST(HostileReferences, every_point_file_calibrates_measures_and_renders_or_fails_cleanly) {
  require_corpus();
  std::vector<Case> cases;
  for (const std::string& name : list(kHostile + "/ref", {".ref"})) {
    const std::string ref = quote(kHostileRel + "/ref/" + name);
    cases.push_back({"calibrate " + ref + " --size 640x480", ANY});
    cases.push_back({"measure " + ref + " --size 640x480 --points 300 100 340 120", ANY});
    // in a scene of the demo's photograph, as render reads them
    const std::string scene = kOut + "/hostile-" + name + ".cen";
    std::ofstream(scene) << "data/demo/demo.jpg\n" << kHostileRel << "/ref/" << name << "\ndata/demo/demo.obj\n";
    cases.push_back({"render " + quote(scene) + kPng + " --overlays refs,objects,lines", ANY});
  }
  for (const std::string& name : list(kHostile + "/ref", {".obj"})) {
    const std::string scene = kOut + "/hostile-" + name + ".cen";
    std::ofstream(scene) << "data/demo/demo.jpg\ndata/demo/demo.ref\n" << kHostileRel << "/ref/" << name << "\n";
    cases.push_back({"render " + quote(scene) + kPng + " --overlays objects", ANY});
  }
  for (const char* name : {"pixel_intmin.ref", "pixels_intmax.ref", "pixel_overflow.ref", "nan.ref", "trunc.ref",
                           "count48.ref", "countneg.ref", "nul.ref", "huge_exp_digits.ref"}) {
    cases.push_back({"calibrate " + quote(kHostileRel + "/ref/" + name) + " --size 640x480", FAILS, name});
  }
  cases.push_back({"calibrate /tmp --size 10x10", FAILS, "directory"});
  for (const Case& c : cases) run_case(c);
}

// Made here: names that are not UTF-8, a FIFO, /dev/zero.
TEST(HostileGenerated, odd_bytes_fifos_and_devices_fail_cleanly) {
  require_corpus();
  char tmpl[] = "/tmp/varnesk-hostile-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string t = tmpl;
  const std::string badImage = t + "/img\xfe.bmp";
  std::ofstream(badImage, std::ios::binary) << slurp(kHostile + "/bmp_topdown.bmp");
  std::ofstream(t + "/missing.cen") << t << "/missing\xff.jpg data/demo/demo.ref\n";
  std::ofstream(t + "/ok.cen") << badImage << " data/demo/demo.ref\n";
  const std::string fifo = t + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(t + "/fifo_ref.cen") << "data/demo/demo.jpg " << fifo << "\n";
  std::ofstream(t + "/fifo_obj.cen") << "data/demo/demo.jpg data/demo/demo.ref " << fifo << "\n";
  std::ofstream(t + "/fifo_img.cen") << fifo << " data/demo/demo.ref\n";

  const Case cases[] = {
      {"info " + quote(t + "/nonexist\xff.bmp"), FAILS, "nonexist\\xff.bmp"},
      {"render " + quote(t + "/missing.cen") + kPng, FAILS, "missing\\xff.jpg"},
      {"render " + quote(t + "/ok\xfe.cen") + kPng, FAILS, "ok\\xfe.cen"},
      {"calibrate " + quote(t + "/\xc0\xafx.ref") + " --size 640x480", FAILS, "\\xc0\\xafx.ref"},
      {quote("bogus\xff"), FAILS, "bogus\\xff"},
      {"calibrate " + quote(fifo) + " --size 640x480", FAILS, "not a regular file"},
      {"render " + quote(fifo) + kPng, FAILS, "not a regular file"},
      {"render " + quote(t + "/fifo_ref.cen") + kPng, FAILS, "not a regular file"},
      {"render " + quote(t + "/fifo_obj.cen") + kPng, FAILS, "not a regular file"},
      {"render " + quote(t + "/fifo_img.cen") + kPng, FAILS, "fifo"},
      {"calibrate /dev/zero --size 640x480", FAILS, "not a regular file"},
      {"render /dev/zero" + kPng, FAILS, "not a regular file"},
  };
  for (const Case& c : cases) run_case(c);
  // a readable picture under a name that is not UTF-8 draws, and the name comes back escaped
  const std::string decoded = kOut + "/hostile-\xfe.ppm";
  run_case({"decode " + quote(badImage) + " " + quote(decoded), ANY, "hostile-\\\\xfe.ppm"});
  run_case({"render " + quote(t + "/ok.cen") + kPng, ANY, "img\\\\xfe.bmp"});
  std::remove(decoded.c_str());
  std::remove(badImage.c_str());
  for (const char* f : {"/missing.cen", "/ok.cen", "/fifo", "/fifo_ref.cen", "/fifo_obj.cen", "/fifo_img.cen"}) {
    std::remove((t + f).c_str());
  }
  rmdir(t.c_str());
}

// The pictures, through info and decode; and the success-on-failure cases of misleading.sh.
TEST(HostilePicturesAndHorizon, every_picture_decodes_or_fails_cleanly) {
  require_corpus();
  const std::set<std::string> truncated = truncated_pictures();
  std::vector<Case> cases;
  const std::string ppm = quote(kOut + "/hostile.ppm");
  for (const std::string& name :
       list(kHostile, {".bmp", ".gif", ".jpg", ".nkl", ".pcx", ".sgi", ".ras", ".tga", ".tif"})) {
    const std::string path = quote(kHostileRel + "/" + name);
    cases.push_back({"info " + path, ANY});
    cases.push_back({"decode " + path + " " + ppm, truncated.count(name) ? FAILS : ANY});
  }
  cases.push_back({"render " + quote(kHostileRel + "/cen/jpeg_bomb.cen") + kPng, FAILS});
  // a FIFO (without a writer, it blocks in open) and a device are not pictures
  char tmpl[] = "/tmp/varnesk-hostile-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string fifo = std::string(tmpl) + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    cases.push_back({"info " + quote(path), FAILS});
    cases.push_back({"decode " + quote(path) + " " + ppm, FAILS});
  }
  // points on or above the horizon have no ground position
  cases.push_back({"measure data/demo/demo.ref --size 640x480 --points 320 600 320 700", FAILS});
  cases.push_back({"measure data/demo/demo.ref --size 640x480 --points 320 526 320 525", FAILS});
  EXPECT_GT(truncated.size(), 5u);
  for (const Case& c : cases) run_case(c);
  std::remove(fifo.c_str());
  rmdir(tmpl);
}

}  // namespace
