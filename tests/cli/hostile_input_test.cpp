// varnesk-cli run as a process on every case of the hostile-input corpus, from a table: no
// signal, no sanitizer report, no hang (10 s), exit 0 or 1 with one valid JSON object on stdout;
// and the cases that used to report success on failure exit 1 with an "error". The corpus is
// read in ../shared beside the source; the cases that cannot live in a kit (names that are not
// UTF-8, FIFOs) are made here at run time.
#include <sys/stat.h>

#include <filesystem>
#include <iterator>
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

// What a run must give: exit 0 or 1 (ANY); exit 1 with an "error" (FAILS); or, 0 and up, exit 0
// (0) or exit 1 with that "error_code" (the image library's code).
constexpr int ANY = -2, FAILS = -1;

struct Case {
  std::string args;  // shell words after the program name, run from the source root
  int want;
  std::string has = "";                // text the error (on failure) or the output (ANY) must hold
  nlohmann::json fields = nullptr;     // fields the result must have, with their values
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
  if (c.want == ANY || c.want == 0) {
    EXPECT_TRUE(c.want == ANY || code == 0) << text;
    EXPECT_NE(text.find(c.has), std::string::npos) << text;
  } else {
    EXPECT_EQ(code, 1) << text;
    ASSERT_TRUE(out.contains("error") && out["error"].is_string()) << text;
    EXPECT_NE(out["error"].get<std::string>().find(c.has), std::string::npos) << text;
    EXPECT_TRUE(c.want == FAILS || out.value("error_code", -1) == c.want) << text;
  }
  for (const auto& [key, value] : c.fields.items()) EXPECT_EQ(out.contains(key) ? out[key] : nlohmann::json(), value) << key;
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

TEST(HostileScenes, SceneOrPointFileCrashesHangsOrDrawsAFalseOk) {
  std::vector<Case> cases;
  for (const char* dir : {"/cen", "/ref"}) {
    for (const std::string& name : List(dir, {".cen"})) {
      if (name == "jpeg_bomb.cen") continue;  // a picture the image library must refuse: with the pictures
      cases.push_back({"render " + ShellQuote(kHostileRel + dir + "/" + name) + kPng + " --overlays refs,objects,lines", ANY});
    }
  }
  // scenes whose reference or object file does not read: a drawing of them would be a false
  // "ok"; the 3D model of one names the file, not the count
  const char* failing[][3] = {
      {"render", "ref/s_count48.cen", "count48.ref"},          {"render", "ref/s_nan.cen", "nan.ref"},
      {"render", "ref/s_noref.cen", "nonexistent.ref"},        {"render", "ref/s_obj_bad.cen", "obj_bad.obj"},
      {"render", "ref/s_obj_count_big.cen", "obj_count_big"},  {"render", "ref/s_obj_empty.cen", "obj_empty.obj"},
      {"render", "ref/s_obj_float.cen", "obj_float.obj"},      {"render", "ref/s_obj_trunc.cen", "obj_trunc.obj"},
      {"render", "ref/s_trunc.cen", "trunc.ref"},              {"render", "ref/scene_obj_intmin.cen", "outside"},
      {"render", "ref/scene_ref_intmax.cen", "outside"},       {"render", "cen/ref_is_dir.cen", "directory"},
      {"render", "cen/devzero_ref.cen", "not a regular file"}, {"render", "cen/devzero_obj.cen", "not a regular file"},
      {"render", "cen/devzero_img.cen", "/dev/zero"},          {"render", "cen/empty.cen", "image path"},
      {"render", "cen/one_token.cen", "reference path"},       {"render", "cen/path100.cen", "99 characters"},
      {"render", "cen/nul.cen", "NUL"},                        {"render", "cen/wide.cen", "20000 x 2"},
      {"render", "cen/tall.cen", "2 x 20000"},                 {"render3d", "ref/s_trunc.cen", "trunc.ref"},
      {"render3d", "ref/s_nan.cen", "nan.ref"},                {"render3d", "cen/ref_is_dir.cen", "directory"},
      {"render3d", "ref/s_noref.cen", "nonexistent.ref"},
  };
  for (const auto& f : failing) cases.push_back({std::string(f[0]) + " " + ShellQuote(kHostileRel + "/" + f[1]) + kPng, FAILS, f[2]});
  // every point file alone, and in a scene of the demo's photograph, as render reads them
  for (const std::string& name : List("/ref", {".ref", ".obj"})) {
    const std::string rel = kHostileRel + "/ref/" + name, scene = TempPath("hostile-" + name + ".cen");
    const bool ref = name.substr(name.size() - 4) == ".ref";
    if (ref) {
      cases.push_back({"calibrate " + ShellQuote(rel) + " --size 640x480", ANY});
      cases.push_back({"measure " + ShellQuote(rel) + " --size 640x480 --points 300 100 340 120", ANY});
    }
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

// The pictures of the corpus: info's and decode's codes. 2: the file cannot hold what its header
// claims (refused before the picture is allocated); 4: no format's; 5: beyond the pixel cap, a
// variant not read, or run-length work beyond the bound (the RLE8, GIF and SGI bombs); 6: a
// compression not read. Those another reader decodes whole are compared with it.
struct Picture {
  const char* name;
  int info, load;
  std::string reference = "";
  int tolerance = 0;
};
const std::string pillow = "/usr/bin/python3 -c \"import sys; from PIL import Image; "
                           "Image.open(sys.argv[1]).convert('RGB').save(sys.stdout.buffer, 'PPM')\" {}";
const Picture kPictures[] = {
      {"bmp_16384sq_24.bmp", 2, 2}, {"bmp_24_wide_2p28x1.bmp", 2, 2}, {"bmp_32_wide_2p28x1.bmp", 2, 2},
      {"bmp_60000x60000.bmp", 5, 5}, {"bmp_8_wide_2p28x1.bmp", 2, 2}, {"bmp_bf16_mask_ffffffff.bmp", 0, 0},
      {"bmp_bf16_mask_hi.bmp", 0, 0}, {"bmp_bf32_mask_full.bmp", 0, 0}, {"bmp_bits0.bmp", 0, 5},
      {"bmp_bits64.bmp", 0, 5}, {"bmp_os2_neg.bmp", 2, 2}, {"bmp_rle4.bmp", 0, 2},
      {"bmp_rle8_bits24.bmp", 0, 5}, {"bmp_rle8_eob_bomb.bmp", 0, 5}, {"bmp_topdown.bmp", 0, 0, pillow},
      {"bmp_topdown_min.bmp", 5, 5}, {"bmp_used_huge.bmp", 0, 0}, {"img1x1.bmp", 0, 0, pillow},
      {"gif_bomb_65535x4096.gif", 0, 5}, {"gif_cs1.gif", 0, 0}, {"gif_cs2.gif", 0, 0, pillow},
      {"gif_cs4.gif", 0, 0, pillow}, {"gif_frame_huge.gif", 5, 5}, {"gif_frame_zero.gif", 2, 2},
      {"gif_many_ext.gif", 4, 4}, {"gif_no_ct.gif", 0, 0, pillow}, {"gif_no_image.gif", 4, 4},
      {"gif_screen_huge.gif", 0, 0}, {"gif_valid.gif", 0, 0, pillow}, {"gif_valid_il.gif", 0, 0, pillow},
      {"tall2x20000.gif", 0, 0, pillow}, {"wide20000x2.gif", 0, 0, pillow}, {"jpeg_12bit.jpg", 0, 5},
      {"jpeg_sof3_lossless.jpg", 5, 5}, {"jpeg_65500sq.jpg", 5, 5}, {"jpeg_header_only.jpg", 2, 2},
      {"jpeg_base_truncated_632of833.jpg", 0, 2}, {"jpeg_trunc_16384sq_gray.jpg", 2, 2},
      {"jpeg_trunc_16384sq_rgb.jpg", 2, 2}, {"jpeg_trunc_65500x4098_rgb.jpg", 2, 2},
      {"jpeg_prog_12800sq_trunc.jpg", 2, 2}, {"jpeg_prog_gray_16000x16000_trunc.jpg", 2, 2},
      {"jpeg_999scans_16000sq.jpg", 2, 2},
      // ImageMagick inverts Adobe CMYK as every reader does; its CMYK-to-RGB rounding differs a little
      {"jpeg_adobe_cmyk.jpg", 0, 0, "convert {} -depth 8 ppm:-", 3},
      {"nkl_10digits.nkl", 5, 5}, {"nkl_eq_65537.nkl", 0, 2}, {"nkl_huge_numbers.nkl", 2, 2},
      {"nkl_many_eq.nkl", 2, 2}, {"nkl_missing.nkl", 2, 2}, {"nkl_neg.nkl", 2, 2}, {"nkl_no_palette.nkl", 0, 0},
      {"nkl_no_paren.nkl", 2, 2}, {"nkl_pal_comp_big.nkl", 0, 2}, {"nkl_pal_index_big.nkl", 0, 0},
      {"nkl_pixel_big.nkl", 0, 2}, {"nkl_valid.nkl", 0, 0}, {"nkl_wide_2p28.nkl", 2, 2}, {"nkl_zero.nkl", 2, 2},
      {"pcx_1bit_pil.pcx", 0, 0, pillow}, {"pcx_4planes.pcx", 0, 0, pillow}, {"pcx_65535sq.pcx", 5, 5},
      {"pcx_65535x4096.pcx", 2, 2}, {"pcx_bpl0.pcx", 2, 2}, {"pcx_bpl_small.pcx", 2, 2}, {"pcx_neg.pcx", 2, 2},
      {"pcx_short_pal.pcx", 0, 2}, {"sgi_2byte_rev.sgi", 0, 0, pillow}, {"sgi_dim1.sgi", 0, 0},
      {"sgi_planes_65535.sgi", 2, 2}, {"sgi_raw_nodata.sgi", 2, 2}, {"sgi_rle2.sgi", 2, 2},
      {"sgi_rle_badtable.sgi", 2, 2}, {"sgi_rle_bomb.sgi", 0, 5}, {"sgi_rle_overfill.sgi", 0, 2},
      {"sun_1_wide.ras", 2, 2}, {"sun_24_wide_2p28x1.ras", 2, 2}, {"sun_32_wide_2p28x1.ras", 2, 2},
      {"sun_depth64.ras", 0, 5}, {"sun_map_2.ras", 0, 0, pillow}, {"sun_map_65536.ras", 0, 0},
      {"sun_map_huge.ras", 2, 2}, {"sun_neg.ras", 2, 2}, {"sun_rle.ras", 0, 0, pillow}, {"sun_rle_trunc.ras", 0, 2},
      {"tga_65535sq.tga", 5, 5}, {"tga_65535x4096_nodata.tga", 2, 2}, {"tga_depth1_grey.tga", 0, 0},
      {"tga_id0.tga", 0, 0, pillow}, {"tga_id10.tga", 0, 0, pillow}, {"tga_idlen255.tga", 0, 0, pillow},
      {"tga_map_65535.tga", 2, 2}, {"tga_map_bits7.tga", 5, 5}, {"tga_map_len0.tga", 0, 0},
      {"tga_rle_trunc.tga", 0, 2}, {"tga_topfirst.tga", 0, 0, pillow}, {"tiff_16384sq_nodata.tif", 2, 2},
      {"tiff_2p28x1_nodata.tif", 2, 2}, {"tiff_rgb_2p28x1_nodata.tif", 2, 2}, {"tiff_shared_strips_bomb.tif", 2, 2},
      {"tiff_offset_past_eof.tif", 2, 2}, {"tiff_many_strips_32x2p23.tif", 2, 2}, {"tiff_lzw_garbage.tif", 0, 2},
      {"tiff_comp34712.tif", 0, 6}, {"tiff_deflate_valid.tif", 0, 0, "tifftopnm {}"},
};

TEST(HostilePicturesAndHorizon, PictureCrashesHangsOrGivesTheWrongCode) {
  const std::string out = TempPath("hostile.ppm"), fifo = TempPath("picture-fifo");
  size_t listed = 0;
  for (const std::string& name : List("", {".bmp", ".gif", ".jpg", ".nkl", ".pcx", ".sgi", ".ras", ".tga", ".tif"})) {
    const std::string path = ShellQuote(kHostileRel + "/" + name);
    const Picture* p = std::find_if(std::begin(kPictures), std::end(kPictures), [&](const Picture& q) { return q.name == name; });
    const bool known = p != std::end(kPictures);
    listed += known;
    // one the table does not name may give any answer, but one named *trunc* is cut short
    const bool cut = name.find("trunc") != std::string::npos;
    RunCase({"info " + path, known ? p->info : ANY});
    std::remove(out.c_str());
    RunCase({"decode " + path + " " + ShellQuote(out), known ? (p->info != 0 ? p->info : p->load) : cut ? FAILS : ANY});
    if (known && !p->reference.empty()) {
      SCOPED_TRACE(name);
      imgtest::Planes want, got;
      const std::vector<unsigned char> ppm = imgtest::ReadFileBytes(out);
      ASSERT_TRUE(imgtest::Reference(kHostile + "/" + name, p->reference, &want));
      ASSERT_TRUE(imgtest::ParsePpm(std::string(ppm.begin(), ppm.end()), &got));
      imgtest::ExpectSamePlanes(want, got, p->tolerance);
    }
  }
  EXPECT_EQ(listed, std::size(kPictures)) << "a picture of the table is missing from the corpus";
  // a FIFO (without a writer, it blocks in open) and a device are not pictures; points on or
  // above the horizon have no ground position
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Case cases[] = {
      {"render " + ShellQuote(kHostileRel + "/cen/jpeg_bomb.cen") + kPng, FAILS},
      {"info " + ShellQuote(fifo), 1, "pipe"}, {"decode " + ShellQuote(fifo) + " -", 1, "pipe"},
      {"info /dev/zero", 1}, {"decode /dev/zero " + ShellQuote(out), 1},
      {"info " + ShellQuote(TempPath("none.jpg")), 1, "no such file"},
      {"decode " + ShellQuote(TempPath("")) + " -", 1, "directory"},
      {"measure data/demo/demo.ref --size 640x480 --points 320 600 320 700", FAILS},
      {"measure data/demo/demo.ref --size 640x480 --points 320 526 320 525", FAILS},
  };
  for (const Case& c : cases) RunCase(c);
  std::remove(fifo.c_str());
}

// info and decode on pictures of the image library's corpus: the fields, the codes, and the PPM
// (top row first) on standard output against the truth picture.
TEST(CmdImage, InfoOrDecodeMisreportsThePicture) {
  const std::string data = "tests/imagefile/data/", out = TempPath("cli.ppm");
  const Case cases[] = {
      {"info " + data + "tga/rgb24_top_first.tga", 0, "",
       {{"format", "TGA"}, {"width", 37}, {"height", 23}, {"color_mode", "RGB"}, {"palette_size", 0}}},
      {"info " + data + "bmp/map8_used_colours_16.bmp", 0, "", {{"color_mode", "MAP"}, {"palette_size", 16}}},
      {"info " + data + "tiff/rgb_packbits.tif", 0, "", {{"compression", 256}, {"pixels_readable", true}}},
      {"info " + data + "pcx/refused_2_planes.pcx", 0, "", {{"pixels_readable", false}, {"load_error_code", 5}}},
      {"decode " + data + "pcx/refused_2_planes.pcx " + ShellQuote(out), 5},
      {"info " + data + "bmp/refused_huge_dimensions.bmp", 5},
      {"decode", FAILS},
  };
  for (const Case& c : cases) RunCase(c);
  // to standard output, the PPM alone (a file is compared in the hostile pictures' test)
  const std::string file = imgtest::DataPath("tga/rgb24_top_first.tga");
  imgtest::Planes want, got;
  int status = -1;
  ASSERT_TRUE(imgtest::Reference(file, "", &want));
  ASSERT_TRUE(imgtest::ParsePpm(imgtest::RunCommand(ShellQuote(VARNESK_CLI) + " decode " + ShellQuote(file) + " -", &status), &got));
  EXPECT_EQ(status, 0);
  imgtest::ExpectSamePlanes(want, got);
}

}  // namespace
