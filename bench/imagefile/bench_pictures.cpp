// Generated benchmark pictures and small writers for the formats no library here writes.
#include "bench_pictures.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

namespace bench {

namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

File Create(const std::string& path) { return File(std::fopen(path.c_str(), "wb")); }

void Put16le(std::vector<unsigned char>* out, unsigned v) {
  out->push_back(v & 0xFF);
  out->push_back((v >> 8) & 0xFF);
}
void Put32le(std::vector<unsigned char>* out, uint32_t v) {
  Put16le(out, v & 0xFFFF);
  Put16le(out, v >> 16);
}
void Put16be(std::vector<unsigned char>* out, unsigned v) {
  out->push_back((v >> 8) & 0xFF);
  out->push_back(v & 0xFF);
}
void Put32be(std::vector<unsigned char>* out, uint32_t v) {
  Put16be(out, v >> 16);
  Put16be(out, v & 0xFFFF);
}

bool WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  File f = Create(path);
  return f && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

uint32_t NextRandom(uint32_t* state) {
  *state ^= *state << 13;
  *state ^= *state >> 17;
  *state ^= *state << 5;
  return *state;
}

unsigned char Clamp(double v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Run-length packets in the style of Targa and SGI: `maxRun` samples at most per packet,
// `repeatFlag` marks a repeated sample, a literal packet carries `literalFlag`; counts are
// stored minus `bias`. Samples are `size` bytes each.
void PackRuns(const unsigned char* samples, int count, int size, int maxRun, unsigned repeatFlag,
              unsigned literalFlag, int bias, std::vector<unsigned char>* out) {
  int i = 0;
  while (i < count) {
    int run = 1;
    while (i + run < count && run < maxRun &&
           std::memcmp(samples + (i + run) * size, samples + i * size, size) == 0) {
      ++run;
    }
    if (run >= 2) {
      out->push_back(static_cast<unsigned char>(repeatFlag | (run - bias)));
      out->insert(out->end(), samples + i * size, samples + (i + 1) * size);
      i += run;
      continue;
    }
    int lit = 1;
    while (i + lit < count && lit < maxRun &&
           (i + lit + 1 >= count ||
            std::memcmp(samples + (i + lit) * size, samples + (i + lit + 1) * size, size) != 0)) {
      ++lit;
    }
    out->push_back(static_cast<unsigned char>(literalFlag | (lit - bias)));
    out->insert(out->end(), samples + i * size, samples + (i + lit) * size);
    i += lit;
  }
}

}  // namespace

Picture MakePhoto(int width, int height) {
  Picture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height * 3);
  uint32_t state = 2463534242u;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // grass with mowing stripes, a sky gradient at the top, texture and noise
      const double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
      double r, g, b;
      if (fy < 0.25) {
        r = 120 + 100 * fy * 4;
        g = 150 + 80 * fy * 4;
        b = 220 - 40 * fx;
      } else {
        const bool stripe = static_cast<int>((fx + fy * 0.3) * 24) % 2 == 0;
        r = 40 + 30 * std::sin(fx * 40) + (stripe ? 10 : 0);
        g = 120 + 40 * std::sin(fy * 25 + fx * 3) + (stripe ? 25 : 0);
        b = 50 + 20 * std::cos(fx * 17);
      }
      const double n = static_cast<double>(NextRandom(&state) % 21) - 10;
      unsigned char* px = &p.rgb[(static_cast<size_t>(y) * width + x) * 3];
      px[0] = Clamp(r + n);
      px[1] = Clamp(g + n);
      px[2] = Clamp(b + n);
    }
  }
  return p;
}

Picture MakeFlat(int width, int height) {
  Picture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height * 3);
  const unsigned char colours[][3] = {{34, 139, 34}, {255, 255, 255}, {30, 30, 200}, {220, 30, 30}};
  const double cx = width / 2.0, cy = height / 2.0, radius = height / 6.0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int c = 0;
      const double d = std::hypot(x - cx, y - cy);
      if (std::fabs(d - radius) < 6 || std::abs(x - width / 2) < 5 || x < 60 || x >= width - 60 ||
          y < 60 || y >= height - 60) {
        c = 1;
      }
      // two teams of players as blocks
      if ((y / 150) % 4 == 1 && (x / 120) % 5 == 2) c = 2 + ((x / 600) % 2);
      std::memcpy(&p.rgb[(static_cast<size_t>(y) * width + x) * 3], colours[c], 3);
    }
  }
  return p;
}

IndexedPicture ToIndexed(const Picture& p) {
  static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  IndexedPicture q;
  q.width = p.width;
  q.height = p.height;
  q.index.resize(static_cast<size_t>(p.width) * p.height);
  q.palette.resize(256 * 3);
  for (int i = 0; i < 256; ++i) {
    q.palette[3 * i] = static_cast<unsigned char>(((i >> 5) & 7) * 255 / 7);
    q.palette[3 * i + 1] = static_cast<unsigned char>(((i >> 2) & 7) * 255 / 7);
    q.palette[3 * i + 2] = static_cast<unsigned char>((i & 3) * 255 / 3);
  }
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const unsigned char* px = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
      const double t = (kBayer[y & 3][x & 3] + 0.5) / 16.0;
      int r = static_cast<int>(px[0] * 7 / 255.0 + t);
      int g = static_cast<int>(px[1] * 7 / 255.0 + t);
      int b = static_cast<int>(px[2] * 3 / 255.0 + t);
      r = r > 7 ? 7 : r;
      g = g > 7 ? 7 : g;
      b = b > 3 ? 3 : b;
      q.index[static_cast<size_t>(y) * p.width + x] = static_cast<unsigned char>((r << 5) | (g << 2) | b);
    }
  }
  return q;
}

bool WriteBmp24(const std::string& path, const Picture& p) {
  const uint32_t rowBytes = (static_cast<uint32_t>(p.width) * 3 + 3) & ~3u;
  std::vector<unsigned char> out;
  out.reserve(54 + static_cast<size_t>(rowBytes) * p.height);
  out.push_back('B');
  out.push_back('M');
  Put32le(&out, 54 + rowBytes * p.height);
  Put32le(&out, 0);
  Put32le(&out, 54);
  Put32le(&out, 40);
  Put32le(&out, p.width);
  Put32le(&out, p.height);
  Put16le(&out, 1);
  Put16le(&out, 24);
  for (int i = 0; i < 6; ++i) Put32le(&out, 0);
  for (int y = p.height - 1; y >= 0; --y) {
    const unsigned char* row = &p.rgb[static_cast<size_t>(y) * p.width * 3];
    for (int x = 0; x < p.width; ++x) {
      out.push_back(row[3 * x + 2]);
      out.push_back(row[3 * x + 1]);
      out.push_back(row[3 * x]);
    }
    for (uint32_t pad = static_cast<uint32_t>(p.width) * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return WriteAll(path, out);
}

bool WriteTga(const std::string& path, const Picture& p, bool runLength) {
  std::vector<unsigned char> out = {0, 0, static_cast<unsigned char>(runLength ? 10 : 2), 0, 0, 0, 0, 0};
  Put16le(&out, 0);
  Put16le(&out, 0);
  Put16le(&out, p.width);
  Put16le(&out, p.height);
  out.push_back(24);
  out.push_back(0);  // bottom row first
  std::vector<unsigned char> bgr(static_cast<size_t>(p.width) * 3);
  for (int y = p.height - 1; y >= 0; --y) {
    const unsigned char* row = &p.rgb[static_cast<size_t>(y) * p.width * 3];
    for (int x = 0; x < p.width; ++x) {
      bgr[3 * x] = row[3 * x + 2];
      bgr[3 * x + 1] = row[3 * x + 1];
      bgr[3 * x + 2] = row[3 * x];
    }
    if (runLength) {
      PackRuns(bgr.data(), p.width, 3, 128, 0x80, 0x00, 1, &out);
    } else {
      out.insert(out.end(), bgr.begin(), bgr.end());
    }
  }
  return WriteAll(path, out);
}

bool WritePcx24(const std::string& path, const Picture& p) {
  const int bytesPerLine = (p.width + 1) & ~1;
  std::vector<unsigned char> out = {10, 5, 1, 8};
  Put16le(&out, 0);
  Put16le(&out, 0);
  Put16le(&out, p.width - 1);
  Put16le(&out, p.height - 1);
  Put16le(&out, 72);
  Put16le(&out, 72);
  out.resize(65, 0);  // 16-colour header palette, reserved byte
  out.push_back(3);
  Put16le(&out, bytesPerLine);
  Put16le(&out, 1);
  out.resize(128, 0);
  std::vector<unsigned char> plane(static_cast<size_t>(bytesPerLine));
  for (int y = 0; y < p.height; ++y) {
    const unsigned char* row = &p.rgb[static_cast<size_t>(y) * p.width * 3];
    for (int c = 0; c < 3; ++c) {
      for (int x = 0; x < bytesPerLine; ++x) plane[x] = x < p.width ? row[3 * x + c] : 0;
      for (int x = 0; x < bytesPerLine;) {
        int run = 1;
        while (x + run < bytesPerLine && run < 63 && plane[x + run] == plane[x]) ++run;
        if (run > 1 || plane[x] >= 0xC0) out.push_back(static_cast<unsigned char>(0xC0 | run));
        out.push_back(plane[x]);
        x += run;
      }
    }
  }
  return WriteAll(path, out);
}

bool WriteSgiRle(const std::string& path, const Picture& p) {
  const size_t rows = static_cast<size_t>(p.height) * 3;
  std::vector<unsigned char> data;
  std::vector<uint32_t> starts(rows), lengths(rows);
  const uint32_t tablesEnd = static_cast<uint32_t>(512 + rows * 8);
  std::vector<unsigned char> samples(static_cast<size_t>(p.width));
  for (int c = 0; c < 3; ++c) {
    for (int y = 0; y < p.height; ++y) {
      // the file stores the bottom row first
      const unsigned char* row = &p.rgb[static_cast<size_t>(p.height - 1 - y) * p.width * 3];
      for (int x = 0; x < p.width; ++x) samples[x] = row[3 * x + c];
      const size_t at = data.size();
      PackRuns(samples.data(), p.width, 1, 127, 0x00, 0x80, 0, &data);
      data.push_back(0);
      starts[static_cast<size_t>(c) * p.height + y] = tablesEnd + static_cast<uint32_t>(at);
      lengths[static_cast<size_t>(c) * p.height + y] = static_cast<uint32_t>(data.size() - at);
    }
  }
  std::vector<unsigned char> out;
  Put16be(&out, 474);
  out.push_back(1);  // run-length storage
  out.push_back(1);  // one byte per channel
  Put16be(&out, 3);
  Put16be(&out, p.width);
  Put16be(&out, p.height);
  Put16be(&out, 3);
  Put32be(&out, 0);
  Put32be(&out, 255);
  out.resize(512, 0);  // name, colour-map kind 0 at offset 104, padding
  for (uint32_t s : starts) Put32be(&out, s);
  for (uint32_t l : lengths) Put32be(&out, l);
  out.insert(out.end(), data.begin(), data.end());
  return WriteAll(path, out);
}

bool WriteSun24(const std::string& path, const Picture& p, bool runLength) {
  const size_t rowBytes = (static_cast<size_t>(p.width) * 3 + 1) & ~static_cast<size_t>(1);
  std::vector<unsigned char> body;
  std::vector<unsigned char> bgr(rowBytes, 0);
  for (int y = 0; y < p.height; ++y) {
    const unsigned char* row = &p.rgb[static_cast<size_t>(y) * p.width * 3];
    for (int x = 0; x < p.width; ++x) {
      bgr[3 * x] = row[3 * x + 2];
      bgr[3 * x + 1] = row[3 * x + 1];
      bgr[3 * x + 2] = row[3 * x];
    }
    if (!runLength) {
      body.insert(body.end(), bgr.begin(), bgr.end());
      continue;
    }
    // byte-encoded runs, never across a row end
    for (size_t i = 0; i < rowBytes;) {
      size_t run = 1;
      while (i + run < rowBytes && run < 256 && bgr[i + run] == bgr[i]) ++run;
      if (run == 1 && bgr[i] == 0x80) {
        // a lone escape byte is written as the escape with count 0
        body.push_back(0x80);
        body.push_back(0);
        ++i;
      } else if (run >= 3 || bgr[i] == 0x80) {
        body.push_back(0x80);
        body.push_back(static_cast<unsigned char>(run - 1));
        body.push_back(bgr[i]);
        i += run;
      } else {
        body.push_back(bgr[i]);
        ++i;
      }
    }
  }
  std::vector<unsigned char> out;
  Put32be(&out, 0x59A66A95);
  Put32be(&out, p.width);
  Put32be(&out, p.height);
  Put32be(&out, 24);
  Put32be(&out, static_cast<uint32_t>(body.size()));
  Put32be(&out, runLength ? 2 : 1);
  Put32be(&out, 0);
  Put32be(&out, 0);
  out.insert(out.end(), body.begin(), body.end());
  return WriteAll(path, out);
}

bool WriteGif(const std::string& path, const IndexedPicture& p) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (gif == nullptr) return false;
  GifColorType colours[256];
  for (int i = 0; i < 256; ++i) {
    colours[i].Red = p.palette[3 * i];
    colours[i].Green = p.palette[3 * i + 1];
    colours[i].Blue = p.palette[3 * i + 2];
  }
  ColorMapObject* map = GifMakeMapObject(256, colours);
  bool ok = map != nullptr && EGifPutScreenDesc(gif, p.width, p.height, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, p.width, p.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < p.height; ++y) {
    ok = EGifPutLine(gif, const_cast<GifPixelType*>(&p.index[static_cast<size_t>(y) * p.width]), p.width) == GIF_OK;
  }
  GifFreeMapObject(map);
  return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

bool WriteJpeg(const std::string& path, const Picture& p, int quality) {
  File f = Create(path);
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f.get());
  c.image_width = static_cast<JDIMENSION>(p.width);
  c.image_height = static_cast<JDIMENSION>(p.height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&p.rgb[static_cast<size_t>(c.next_scanline) * p.width * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return true;
}

bool WriteTiff(const std::string& path, const Picture& p, bool lzw) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (t == nullptr) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, p.width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, p.height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, lzw ? COMPRESSION_LZW : COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
  bool ok = true;
  for (int y = 0; ok && y < p.height; ++y) {
    ok = TIFFWriteScanline(t, const_cast<unsigned char*>(&p.rgb[static_cast<size_t>(y) * p.width * 3]), y, 0) == 1;
  }
  TIFFClose(t);
  return ok;
}

bool WriteNkl(const std::string& path, const IndexedPicture& p) {
  File f = Create(path);
  if (!f) return false;
  std::fprintf(f.get(), "NKLImage = IMAGE[\n");
  for (int i = 0; i < 256; ++i) {
    std::fprintf(f.get(), "%d = \"%d %d %d\"%s", i, p.palette[3 * i], p.palette[3 * i + 1], p.palette[3 * i + 2],
                 i < 255 ? ",\n" : "]\n");
  }
  std::fprintf(f.get(), "(%d,%d\n", p.width, p.height);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) std::fprintf(f.get(), ",%d", p.index[static_cast<size_t>(y) * p.width + x]);
    std::fputc('\n', f.get());
  }
  std::fputc(')', f.get());
  return std::ferror(f.get()) == 0;
}

}  // namespace bench
