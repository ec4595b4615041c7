// Decode benchmarks: the image file library (ImageFileInfo, three fresh planes, ImageLoadRGB,
// as the application loads a photograph) against stb_image, giflib, libjpeg and libtiff on the
// same 4000x3000 files, in the same run. Formats no fast library reads (PCX, SGI, Sun raster,
// NKL) are reported in MB/s of output next to a plain memcpy of the same bytes.
//
// The summary table prints medians of process CPU time (user and kernel, so page faults count),
// which a busy shared machine disturbs far less than wall time: run with
// --benchmark_repetitions=5 (the default here) and --benchmark_enable_random_interleaving=true.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_anchors.h"
#include "bench_pictures.h"
#include "imagefile.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

enum Anchor { kStb = 1, kGiflib = 2, kLibjpeg = 4, kLibtiff = 8 };

struct Case {
  std::string file;  // name under the data folder
  int anchors;       // Anchor bits; 0: report MB/s against memcpy
  std::function<bool(const std::string&)> write;
  // what ours must decode to: the source picture (lossless), or the first anchor's decoding
  const bench::Picture* truth;
  bool ours_ok = false;
};

// Decodes through the library the way the application does; the library's error code.
int DecodeOurs(const std::string& path, std::vector<unsigned char>* keepRgb) {
  int w = 0, h = 0;
  int e = ImageFileInfo(path.c_str(), &w, &h, nullptr, nullptr);
  if (e != IMAGE_OK) return e;
  const size_t n = static_cast<size_t>(w) * h;
  std::unique_ptr<unsigned char[]> r(new unsigned char[n]), g(new unsigned char[n]), b(new unsigned char[n]);
  e = ImageLoadRGB(path.c_str(), r.get(), g.get(), b.get());
  if (e == IMAGE_OK && keepRgb != nullptr) {
    keepRgb->resize(n * 3);
    for (int y = 0; y < h; ++y) {
      // planes are bottom row first; the comparison pictures are top row first
      const size_t src = static_cast<size_t>(h - 1 - y) * w;
      unsigned char* out = &(*keepRgb)[static_cast<size_t>(y) * w * 3];
      for (int x = 0; x < w; ++x) {
        out[3 * x] = r[src + x];
        out[3 * x + 1] = g[src + x];
        out[3 * x + 2] = b[src + x];
      }
    }
  }
  benchmark::DoNotOptimize(r.get());
  return e;
}

bool RunAnchor(int anchor, const std::string& path, bench::Decoded* keep) {
  switch (anchor) {
    case kStb: return bench::DecodeStb(path, keep);
    case kGiflib: return bench::DecodeGiflib(path, keep);
    case kLibjpeg: return bench::DecodeLibjpeg(path, keep);
    case kLibtiff: return bench::DecodeLibtiff(path, keep);
  }
  return false;
}

const char* AnchorName(int anchor) {
  switch (anchor) {
    case kStb: return "stb_image";
    case kGiflib: return "giflib";
    case kLibjpeg: return "libjpeg";
    case kLibtiff: return "libtiff";
  }
  return "?";
}

// Medians (or single-run times) of CPU time in milliseconds, by benchmark name.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ms;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        ms[name] = run.GetAdjustedCPUTime();
      } else if (run.run_type == Run::RT_Iteration && ms.count(name) == 0) {
        ms[name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

void Register(const std::string& name, std::function<void(benchmark::State&)> body) {
  benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& s) { body(s); })
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime();
}

}  // namespace

int main(int argc, char** argv) {
  // glibc raises its mmap threshold after the first large free, so later "fresh" buffers
  // below 32 MB come back already faulted in while larger ones never do; a fixed threshold
  // makes every decoder pay for fresh pages, as a program loading one photograph does
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=5";
  bool hasRepetitions = false;
  for (int i = 1; i < argc; ++i) hasRepetitions |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
  if (!hasRepetitions) args.push_back(&repetitions[0]);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());

  const std::string dir = VARNESK_BENCH_DATA_DIR;
  ::mkdir(dir.c_str(), 0755);
  std::fprintf(stderr, "generating %dx%d pictures in %s\n", kWidth, kHeight, dir.c_str());
  const bench::Picture photo = bench::MakePhoto(kWidth, kHeight);
  const bench::Picture flat = bench::MakeFlat(kWidth, kHeight);
  const bench::IndexedPicture photoIndexed = bench::ToIndexed(photo);
  const bench::IndexedPicture flatIndexed = bench::ToIndexed(flat);
  // the indexed pictures as RGB, the truth for GIF and NKL
  auto expand = [](const bench::IndexedPicture& q) {
    bench::Picture p;
    p.width = q.width;
    p.height = q.height;
    p.rgb.resize(q.index.size() * 3);
    for (size_t i = 0; i < q.index.size(); ++i) std::memcpy(&p.rgb[3 * i], &q.palette[3 * q.index[i]], 3);
    return p;
  };
  const bench::Picture photoGif = expand(photoIndexed), flatGif = expand(flatIndexed);

  std::vector<Case> cases = {
      {"photo.bmp", kStb, [&](const std::string& f) { return bench::WriteBmp24(f, photo); }, &photo},
      {"flat.bmp", kStb, [&](const std::string& f) { return bench::WriteBmp24(f, flat); }, &flat},
      {"photo.tga", kStb, [&](const std::string& f) { return bench::WriteTga(f, photo, false); }, &photo},
      {"flat_rle.tga", kStb, [&](const std::string& f) { return bench::WriteTga(f, flat, true); }, &flat},
      {"photo.gif", kStb | kGiflib, [&](const std::string& f) { return bench::WriteGif(f, photoIndexed); }, &photoGif},
      {"flat.gif", kStb | kGiflib, [&](const std::string& f) { return bench::WriteGif(f, flatIndexed); }, &flatGif},
      {"photo_q90.jpg", kStb | kLibjpeg, [&](const std::string& f) { return bench::WriteJpeg(f, photo, 90); }, nullptr},
      {"flat_q90.jpg", kStb | kLibjpeg, [&](const std::string& f) { return bench::WriteJpeg(f, flat, 90); }, nullptr},
      {"photo.tif", kLibtiff, [&](const std::string& f) { return bench::WriteTiff(f, photo, false); }, &photo},
      {"photo_lzw.tif", kLibtiff, [&](const std::string& f) { return bench::WriteTiff(f, photo, true); }, &photo},
      {"flat_lzw.tif", kLibtiff, [&](const std::string& f) { return bench::WriteTiff(f, flat, true); }, &flat},
      {"photo.pcx", 0, [&](const std::string& f) { return bench::WritePcx24(f, photo); }, &photo},
      {"flat.pcx", 0, [&](const std::string& f) { return bench::WritePcx24(f, flat); }, &flat},
      {"photo_rle.sgi", 0, [&](const std::string& f) { return bench::WriteSgiRle(f, photo); }, &photo},
      {"flat_rle.sgi", 0, [&](const std::string& f) { return bench::WriteSgiRle(f, flat); }, &flat},
      {"photo.ras", 0, [&](const std::string& f) { return bench::WriteSun24(f, photo, false); }, &photo},
      {"flat_rle.ras", 0, [&](const std::string& f) { return bench::WriteSun24(f, flat, true); }, &flat},
      {"flat.nkl", 0, [&](const std::string& f) { return bench::WriteNkl(f, flatIndexed); }, &flatGif},
  };

  for (Case& c : cases) {
    const std::string path = dir + "/" + c.file;
    if (!c.write(path)) {
      std::fprintf(stderr, "%s: cannot write\n", c.file.c_str());
      return 1;
    }
    // lossy files are checked against the decoding of the library ours is built on, tried first
    bench::Decoded reference;
    const std::vector<unsigned char>* want = c.truth ? &c.truth->rgb : nullptr;
    for (int a = kLibtiff; a >= kStb; a >>= 1) {
      if (!(c.anchors & a)) continue;
      bench::Decoded d;
      if (!RunAnchor(a, path, &d)) {
        std::fprintf(stderr, "%s: %s refuses it\n", c.file.c_str(), AnchorName(a));
      } else if (want == nullptr) {
        reference = d;
        want = &reference.rgb;
      } else if (d.rgb != *want && c.truth != nullptr) {
        std::fprintf(stderr, "%s: %s decodes other pixels than the source\n", c.file.c_str(), AnchorName(a));
      }
    }
    std::vector<unsigned char> ours;
    const int e = DecodeOurs(path, &ours);
    c.ours_ok = e == IMAGE_OK && want != nullptr && ours == *want;
    if (!c.ours_ok) {
      std::fprintf(stderr, "%s: ours %s (code %d); not timed\n", c.file.c_str(),
                   e == IMAGE_OK ? "decodes other pixels" : "fails", e);
    }
  }

  std::vector<unsigned char> source(static_cast<size_t>(kWidth) * kHeight * 3, 0x5A);
  Register("memcpy", [&source](benchmark::State& s) {
    for (auto _ : s) {
      std::unique_ptr<unsigned char[]> out(new unsigned char[source.size()]);
      std::memcpy(out.get(), source.data(), source.size());
      benchmark::DoNotOptimize(out.get());
    }
  });
  for (const Case& c : cases) {
    const std::string path = dir + "/" + c.file;
    if (c.ours_ok) {
      Register(c.file + "/ours", [path](benchmark::State& s) {
        for (auto _ : s) {
          if (DecodeOurs(path, nullptr) != IMAGE_OK) s.SkipWithError("decode failed");
        }
      });
    }
    for (int a = 1; a <= kLibtiff; a <<= 1) {
      if (!(c.anchors & a)) continue;
      Register(c.file + "/" + AnchorName(a), [path, a](benchmark::State& s) {
        for (auto _ : s) {
          if (!RunAnchor(a, path, nullptr)) s.SkipWithError("decode failed");
        }
      });
    }
  }

  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const double megabytes = static_cast<double>(kWidth) * kHeight * 3 / 1e6;
  auto lookup = [&](const std::string& name) {
    auto it = reporter.ms.find(name);
    return it == reporter.ms.end() ? -1.0 : it->second;
  };
  std::printf("\nmedian CPU ms\n%-16s %10s %12s %10s %8s\n", "file", "ours ms", "best anchor", "anchor ms", "ratio");
  for (const Case& c : cases) {
    const double ours = lookup(c.file + "/ours");
    if (c.anchors == 0) continue;
    double best = -1;
    const char* bestName = "-";
    for (int a = 1; a <= kLibtiff; a <<= 1) {
      const double t = (c.anchors & a) ? lookup(c.file + "/" + AnchorName(a)) : -1;
      if (t > 0 && (best < 0 || t < best)) {
        best = t;
        bestName = AnchorName(a);
      }
    }
    if (ours > 0 && best > 0) {
      std::printf("%-16s %10.1f %12s %10.1f %8.2f\n", c.file.c_str(), ours, bestName, best, ours / best);
    } else {
      std::printf("%-16s %10s %12s %10.1f %8s\n", c.file.c_str(), "n/a", bestName, best, "-");
    }
  }
  const double copy = lookup("memcpy");
  std::printf("\n%-16s %10s %12s %14s\n", "file", "ours ms", "ours MB/s", "memcpy MB/s");
  for (const Case& c : cases) {
    if (c.anchors != 0) continue;
    const double ours = lookup(c.file + "/ours");
    if (ours > 0) {
      std::printf("%-16s %10.1f %12.0f %14.0f\n", c.file.c_str(), ours, megabytes / ours * 1e3,
                  copy > 0 ? megabytes / copy * 1e3 : 0.0);
    } else {
      std::printf("%-16s %10s\n", c.file.c_str(), "n/a");
    }
  }
  benchmark::Shutdown();
  return 0;
}
