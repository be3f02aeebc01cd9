// A picture of RGB pixels and its PNG file, for pictures a report embeds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, row by row from the top

  RgbImage() = default;
  RgbImage(int w, int h, std::uint32_t fill)
      : width(w),
        height(h),
        pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
  std::uint32_t& At(int x, int y) { return pixels[Index(x, y)]; }
  std::uint32_t At(int x, int y) const { return pixels[Index(x, y)]; }

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
  }
};

// A straight line of pixels from (x0, y0) to (x1, y1), both ends included;
// both ends lie inside the image.
void DrawLine(RgbImage& image, int x0, int y0, int x1, int y1, std::uint32_t rgb);

// Grid lines at the quarters of the image's height in grid, then a frame of
// one pixel round its edge in frame.
void DrawGridAndFrame(RgbImage& image, std::uint32_t grid, std::uint32_t frame);

// The bytes of a PNG file of image: 8-bit RGB, compressed with zlib.
std::string EncodePng(const RgbImage& image);
