// Draws PELLIX's icon, a handheld with the program's four greens on its
// screen, as a PNG file of one size: draw_icon SIZE FILE. The build runs it
// for each size the desktop's icon theme gets.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

struct Colour {
  float r, g, b;
};

// The picture's greens, lightest first, as the window shows them.
constexpr Colour Greens[4] = {{0, 251 / 255.f, 0}, {0, 186 / 255.f, 0}, {0, 121 / 255.f, 0}, {0, 56 / 255.f, 0}};

// A shape in the icon's own units: the icon is the square from 0 to 1, y
// growing downwards.
using Shape = std::function<bool(float x, float y)>;

// A rectangle with rounded corners; the bottom right one may be rounder, as
// on the handheld.
Shape Box(float left, float top, float right, float bottom, float radius, float bottom_right = -1) {
  return [=](float x, float y) {
    if (x < left || x > right || y < top || y > bottom) return false;
    const float r = bottom_right >= 0 && x > (left + right) / 2 && y > (top + bottom) / 2 ? bottom_right : radius;
    const float dx = std::max({left + r - x, 0.f, x - (right - r)});
    const float dy = std::max({top + r - y, 0.f, y - (bottom - r)});
    return dx * dx + dy * dy <= r * r;
  };
}

Shape Ring(float cx, float cy, float inner, float outer) {
  return [=](float x, float y) {
    const float d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d >= inner * inner && d <= outer * outer;
  };
}

Shape Disc(float cx, float cy, float radius) { return Ring(cx, cy, 0, radius); }

struct Layer {
  Shape shape;
  Colour colour;
};

// Bottom first: the case and its edge, the screen's frame, the screen with
// the demo's face over its ground, the pad, A and B, Select and Start.
std::vector<Layer> Layers() {
  const Colour edge{0.30f, 0.30f, 0.34f}, body{0.84f, 0.84f, 0.80f}, frame{0.33f, 0.33f, 0.40f};
  const Colour pad{0.15f, 0.15f, 0.18f}, button{0.62f, 0.10f, 0.36f}, small{0.45f, 0.45f, 0.50f};
  const Shape smile = Ring(0.5f, 0.285f, 0.045f, 0.068f);
  return {
      {Box(0.14f, 0.02f, 0.86f, 0.98f, 0.07f, 0.22f), edge},
      {Box(0.165f, 0.045f, 0.835f, 0.955f, 0.05f, 0.2f), body},
      {Box(0.22f, 0.10f, 0.78f, 0.53f, 0.03f, 0.09f), frame},
      {Box(0.28f, 0.145f, 0.72f, 0.47f, 0.01f), Greens[0]},
      {Box(0.28f, 0.42f, 0.72f, 0.47f, 0.01f), Greens[3]},
      {Disc(0.5f, 0.28f, 0.11f), Greens[2]},
      {Disc(0.46f, 0.255f, 0.02f), Greens[0]},
      {Disc(0.54f, 0.255f, 0.02f), Greens[0]},
      {[smile](float x, float y) { return y > 0.3f && smile(x, y); }, Greens[1]},
      {Box(0.22f, 0.675f, 0.44f, 0.725f, 0.01f), pad},
      {Box(0.305f, 0.59f, 0.355f, 0.81f, 0.01f), pad},
      {Disc(0.72f, 0.655f, 0.058f), button},
      {Disc(0.585f, 0.72f, 0.058f), button},
      {Box(0.37f, 0.86f, 0.47f, 0.89f, 0.015f), small},
      {Box(0.51f, 0.86f, 0.61f, 0.89f, 0.015f), small},
  };
}

// Each pixel is the mean of 8 x 8 samples, so that edges stay smooth at
// every size; outside the case the icon is transparent.
std::vector<png_byte> Draw(int size) {
  constexpr int Samples = 8;
  const std::vector<Layer> layers = Layers();
  std::vector<png_byte> rgba(static_cast<size_t>(size) * size * 4);
  for (int py = 0; py < size; py++)
    for (int px = 0; px < size; px++) {
      float r = 0, g = 0, b = 0;
      int covered = 0;
      for (int sy = 0; sy < Samples; sy++)
        for (int sx = 0; sx < Samples; sx++) {
          const float x = (px + (sx + 0.5f) / Samples) / size, y = (py + (sy + 0.5f) / Samples) / size;
          for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer)
            if (layer->shape(x, y)) {
              r += layer->colour.r, g += layer->colour.g, b += layer->colour.b;
              covered++;
              break;
            }
        }
      png_byte* out = &rgba[(static_cast<size_t>(py) * size + px) * 4];
      if (covered) {
        out[0] = static_cast<png_byte>(r / covered * 255 + 0.5f);
        out[1] = static_cast<png_byte>(g / covered * 255 + 0.5f);
        out[2] = static_cast<png_byte>(b / covered * 255 + 0.5f);
      }
      out[3] = static_cast<png_byte>(covered * 255 / (Samples * Samples));
    }
  return rgba;
}

bool WritePng(const char* path, int size, const std::vector<png_byte>& rgba) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool written = false;
  if (info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < size; y++) png_write_row(png, &rgba[static_cast<size_t>(y) * size * 4]);
    png_write_end(png, nullptr);
    written = true;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  const int size = argc == 3 ? std::atoi(argv[1]) : 0;
  if (size < 8 || size > 1024) {
    std::fprintf(stderr, "usage: draw_icon SIZE FILE (SIZE from 8 to 1024)\n");
    return 2;
  }
  if (!WritePng(argv[2], size, Draw(size))) {
    std::fprintf(stderr, "draw_icon: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
