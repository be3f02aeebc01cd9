#include "core/report/PngImage.h"

#include <zlib.h>

#include <cstdlib>

namespace {

void AppendBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

// A chunk: its length, type, data and the CRC of type and data.
void AppendChunk(std::string& out, const char* type, const std::string& data) {
  AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::string typed = std::string(type, 4) + data;
  out += typed;
  AppendBigEndian(
      out, static_cast<std::uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                              static_cast<uInt>(typed.size()))));
}

}  // namespace

std::string EncodePng(const RgbImage& image) {
  std::string header;
  AppendBigEndian(header, static_cast<std::uint32_t>(image.width));
  AppendBigEndian(header, static_cast<std::uint32_t>(image.height));
  header +=
      std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace

  // Each row: filter type 0, then its pixels.
  std::string raw;
  raw.reserve(static_cast<std::size_t>(image.height) *
              (1 + 3 * static_cast<std::size_t>(image.width)));
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t rgb = image.pixels[static_cast<std::size_t>(y) * image.width + x];
      raw.push_back(static_cast<char>(rgb >> 16));
      raw.push_back(static_cast<char>(rgb >> 8));
      raw.push_back(static_cast<char>(rgb));
    }
  }
  uLongf size = ::compressBound(static_cast<uLong>(raw.size()));
  std::string compressed(size, '\0');
  ::compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
              Z_BEST_COMPRESSION);
  compressed.resize(size);

  std::string png("\x89PNG\r\n\x1a\n", 8);
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", compressed);
  AppendChunk(png, "IEND", {});
  return png;
}

void DrawLine(RgbImage& image, int x0, int y0, int x1, int y1, std::uint32_t rgb) {
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int stepX = x0 < x1 ? 1 : -1;
  const int stepY = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  for (;;) {
    image.At(x0, y0) = rgb;
    if (x0 == x1 && y0 == y1) return;
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += stepX;
    }
    if (twice <= dx) {
      error += dx;
      y0 += stepY;
    }
  }
}

void DrawGridAndFrame(RgbImage& image, std::uint32_t grid, std::uint32_t frame) {
  const int right = image.width - 1, bottom = image.height - 1;
  for (int i = 1; i < 4; ++i)
    DrawLine(image, 0, image.height * i / 4, right, image.height * i / 4, grid);
  DrawLine(image, 0, 0, right, 0, frame);
  DrawLine(image, 0, bottom, right, bottom, frame);
  DrawLine(image, 0, 0, 0, bottom, frame);
  DrawLine(image, right, 0, right, bottom, frame);
}
