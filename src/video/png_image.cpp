// SPDX-License-Identifier: GPL-3.0-or-later
// libpng reports errors by longjmp: every function that calls into it keeps the setjmp in a small
// frame of its own that creates no C++ object, so no destructor is ever skipped.
#include "video/png_image.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace tirvane {

namespace {

// Larger pictures are refused: nothing this program writes comes near it, and a corrupt header
// must not make the reader allocate gigabytes.
constexpr png_uint_32 MaxDimension = 4096;

void OnPngError(png_structp png, png_const_charp message) {
  *static_cast<std::string*>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct WriteJob {
  int Width;
  int Height;
  int ColourType;
  int BytesPerPixel;
  const uint8_t* Pixels;
  const png_color* Palette;  // null for RGB
  int PaletteSize;
};

void AppendBytes(png_structp png, png_bytep data, size_t length) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  bytes->insert(bytes->end(), data, data + length);
}

void FlushNothing(png_structp) {}

// Into the file when one is given, else appended to bytes.
bool WriteRows(png_structp png, png_infop info, std::FILE* file, std::vector<uint8_t>* bytes,
               const WriteJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  if (file)
    png_init_io(png, file);
  else
    png_set_write_fn(png, bytes, AppendBytes, FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(job.Width), static_cast<png_uint_32>(job.Height), 8,
               job.ColourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (job.Palette) png_set_PLTE(png, info, job.Palette, job.PaletteSize);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(job.Width) * job.BytesPerPixel;
  for (int y = 0; y < job.Height; ++y) png_write_row(png, job.Pixels + y * stride);
  png_write_end(png, nullptr);
  return true;
}

bool SizeInRange(const WriteJob& job, std::string& error) {
  if (job.Width <= 0 || job.Height <= 0 || static_cast<png_uint_32>(job.Width) > MaxDimension ||
      static_cast<png_uint_32>(job.Height) > MaxDimension) {
    error = "picture size out of range";
    return false;
  }
  return true;
}

bool WritePng(const std::string& path, const WriteJob& job, std::string& error) {
  if (!SizeInRange(job, error)) return false;
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    error = "cannot create " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info && WriteRows(png, info, file.get(), nullptr, job);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file.release()) != 0) ok = false;
  if (!ok) {
    if (error.empty()) error = "cannot write " + path;
    std::remove(path.c_str());
  }
  return ok;
}

// The header decides how the rows are read: palette indices as stored, or everything to RGB.
enum class ReadMode { Indexed, Rgb };

struct ReadTarget {
  ReadMode Mode;
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t>* Pixels;
  std::array<Rgb, 256>* Palette;
  int* PaletteSize;
};

bool ReadRows(png_structp png, png_infop info, std::FILE* file, ReadTarget& target, std::string& error) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_user_limits(png, MaxDimension, MaxDimension);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colourType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  if (target.Mode == ReadMode::Indexed) {
    if (colourType != PNG_COLOR_TYPE_PALETTE) {
      error = "not an indexed (palette) PNG";
      return false;
    }
    if (bitDepth < 8) png_set_packing(png);
    png_colorp palette = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &palette, &count);
    count = std::clamp(count, 0, 256);
    for (int i = 0; i < count; ++i)
      (*target.Palette)[i] = {palette[i].red, palette[i].green, palette[i].blue};
    *target.PaletteSize = count;
  } else {
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t stride = png_get_rowbytes(png, info);
  const size_t expected = static_cast<size_t>(width) * (target.Mode == ReadMode::Indexed ? 1 : 3);
  if (stride != expected) {
    error = "unexpected PNG row layout";
    return false;
  }
  target.Pixels->assign(stride * height, 0);
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, target.Pixels->data() + y * stride, nullptr);
  png_read_end(png, nullptr);
  target.Width = static_cast<int>(width);
  target.Height = static_cast<int>(height);
  return true;
}

bool ReadPng(const std::string& path, ReadTarget& target, std::string& error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  png_byte signature[8];
  if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    error = path + " is not a PNG file";
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info) {
    png_set_sig_bytes(png, sizeof signature);
    ok = ReadRows(png, info, file.get(), target, error);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok && error.empty()) error = "cannot read " + path;
  return ok;
}

}  // namespace

IndexedImage CaptureVisibleRegion(const ScreenBitmap& bitmap) {
  IndexedImage image;
  image.Palette = bitmap.Palette;
  const int left = std::clamp(ScreenOffsetX, 0, bitmap.Width);
  const int top = std::clamp(ScreenOffsetY, 0, bitmap.Height);
  const int right = std::clamp(ScreenOffsetX + ScreenWidth, left, bitmap.Width);
  const int bottom = std::clamp(ScreenOffsetY + ScreenHeight, top, bitmap.Height);
  image.Width = right - left;
  image.Height = bottom - top;
  image.Pixels.resize(static_cast<size_t>(image.Width) * image.Height);
  for (int y = top; y < bottom; ++y)
    std::copy_n(bitmap.Pixels.data() + y * bitmap.Stride + left, image.Width,
                image.Pixels.data() + static_cast<size_t>(y - top) * image.Width);
  return image;
}

RgbImage ToRgb(const IndexedImage& image, int scale) {
  scale = std::max(scale, 1);
  RgbImage rgb;
  rgb.Width = image.Width * scale;
  rgb.Height = image.Height * scale;
  rgb.Pixels.resize(static_cast<size_t>(rgb.Width) * rgb.Height * 3);
  uint8_t* out = rgb.Pixels.data();
  for (int y = 0; y < rgb.Height; ++y) {
    const uint8_t* row = image.Pixels.data() + static_cast<size_t>(y / scale) * image.Width;
    for (int x = 0; x < rgb.Width; ++x) {
      const Rgb& colour = image.Palette[row[x / scale]];
      *out++ = colour.r;
      *out++ = colour.g;
      *out++ = colour.b;
    }
  }
  return rgb;
}

bool WritePngIndexed(const std::string& path, const IndexedImage& image, std::string& error) {
  if (image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height) {
    error = "picture size and pixel count differ";
    return false;
  }
  const int count = std::clamp(image.PaletteSize, 1, 256);
  png_color palette[256];
  for (int i = 0; i < count; ++i) palette[i] = {image.Palette[i].r, image.Palette[i].g, image.Palette[i].b};
  return WritePng(path,
                  {image.Width, image.Height, PNG_COLOR_TYPE_PALETTE, 1, image.Pixels.data(), palette, count},
                  error);
}

bool WritePngRgb(const std::string& path, const RgbImage& image, std::string& error) {
  if (image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height * 3) {
    error = "picture size and pixel count differ";
    return false;
  }
  return WritePng(path, {image.Width, image.Height, PNG_COLOR_TYPE_RGB, 3, image.Pixels.data(), nullptr, 0},
                  error);
}

std::optional<std::vector<uint8_t>> EncodePngRgb(const RgbImage& image, std::string& error) {
  const WriteJob job{image.Width, image.Height, PNG_COLOR_TYPE_RGB, 3, image.Pixels.data(), nullptr, 0};
  if (image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height * 3) {
    error = "picture size and pixel count differ";
    return std::nullopt;
  }
  if (!SizeInRange(job, error)) return std::nullopt;
  std::vector<uint8_t> bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  const bool ok = png && info && WriteRows(png, info, nullptr, &bytes, job);
  png_destroy_write_struct(&png, &info);
  if (!ok) {
    if (error.empty()) error = "cannot encode the picture";
    return std::nullopt;
  }
  return bytes;
}

std::optional<IndexedImage> ReadPngIndexed(const std::string& path, std::string& error) {
  IndexedImage image;
  ReadTarget target{ReadMode::Indexed, 0, 0, &image.Pixels, &image.Palette, &image.PaletteSize};
  if (!ReadPng(path, target, error)) return std::nullopt;
  image.Width = target.Width;
  image.Height = target.Height;
  return image;
}

std::optional<RgbImage> ReadPngRgb(const std::string& path, std::string& error) {
  RgbImage image;
  int unusedSize = 0;
  ReadTarget target{ReadMode::Rgb, 0, 0, &image.Pixels, nullptr, &unusedSize};
  if (!ReadPng(path, target, error)) return std::nullopt;
  image.Width = target.Width;
  image.Height = target.Height;
  return image;
}

}  // namespace tirvane
