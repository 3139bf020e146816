#include "assets/art.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace art {
namespace {

// ---------------------------------------------------------------------------
// Small arithmetic helpers. Square roots are exactly rounded by IEEE rules, so
// they are as reproducible as the four operations; nothing else of <cmath> is used.

double Clamp(double v, double low, double high) { return v < low ? low : v > high ? high : v; }
double Clamp01(double v) { return Clamp(v, 0.0, 1.0); }
double Mix(double a, double b, double t) { return a + (b - a) * t; }
double Max(double a, double b) { return a > b ? a : b; }
double Min(double a, double b) { return a < b ? a : b; }
double Abs(double v) { return v < 0 ? -v : v; }

double Sqrt(double v) { return v > 0 ? std::sqrt(v) : 0; }

double SmoothStep(double edge0, double edge1, double x) {
  const double t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

// A bell that falls to a quarter at `radius` and has no exponentials in it.
double Bell(double distance, double radius) {
  const double q = distance / radius;
  const double f = 1 / (1 + q * q);
  return f * f;
}

uint32_t Hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

double Random(int x, int y, int seed) {
  const uint32_t row = Hash(static_cast<uint32_t>(y) + 0x632BE5ABu * static_cast<uint32_t>(seed));
  const uint32_t h = Hash(static_cast<uint32_t>(x) * 0x9E3779B1u ^ row);
  return (h >> 8) * (1.0 / 16777216.0);
}

int Floor(double v) {
  const int i = static_cast<int>(v);
  return v < i ? i - 1 : i;
}

// Value noise in one and two dimensions, smoothly interpolated, in [0, 1).
double Noise1(double x, int seed) {
  const int i = Floor(x);
  const double t = x - i;
  return Mix(Random(i, 0, seed), Random(i + 1, 0, seed), t * t * (3 - 2 * t));
}

double Noise2(double x, double y, int seed) {
  const int i = Floor(x), j = Floor(y);
  const double tx = x - i, ty = y - j;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  const double top = Mix(Random(i, j, seed), Random(i + 1, j, seed), sx);
  const double bottom = Mix(Random(i, j + 1, seed), Random(i + 1, j + 1, seed), sx);
  return Mix(top, bottom, sy);
}

// Octaves of noise, each half as strong and twice as fine; about [0, 1).
double Fractal1(double x, int seed, int octaves) {
  double sum = 0, weight = 0.5, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += weight * Noise1(x, seed + o);
    total += weight;
    weight *= 0.5;
    x *= 2;
  }
  return sum / total;
}

double Fractal2(double x, double y, int seed, int octaves) {
  double sum = 0, weight = 0.5, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += weight * Noise2(x, y, seed + o);
    total += weight;
    weight *= 0.5;
    x *= 2;
    y *= 2;
  }
  return sum / total;
}

// ---------------------------------------------------------------------------
// Lettering: capitals built from flat-ended bars and elliptic rings, measured
// by their distance from a point, so edges and glows are smooth at any size.
// Glyph units: the cap height is 1, y grows upwards from the baseline.

struct Weight {
  double thick;  // half width of stems and main diagonals
  double thin;   // half width of arms, hairlines and bowls' tops
  double serif;  // half height of a serif
  double reach;  // how far a serif reaches beyond its stem
};

struct Bar {
  double x0, y0, x1, y1, half;
};

struct Ring {
  double cx, cy, ax, ay, tx, ty;
  bool rightHalf;
};

struct Lettering {
  std::vector<Bar> bars;
  std::vector<Ring> rings;
  double width = 0;
};

class GlyphBuilder {
 public:
  GlyphBuilder(Lettering* out, const Weight& w, double x) : out_(out), w_(w), x_(x) {}

  // A bar between two points; each end may be lengthened along the bar, for
  // diagonals whose ends are cut off by the cap and base lines.
  void Line(double x0, double y0, double x1, double y1, double half, double extend0 = 0,
            double extend1 = 0) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double length = Sqrt(dx * dx + dy * dy);
    const double ux = dx / length, uy = dy / length;
    out_->bars.push_back({x_ + x0 - ux * extend0, y0 - uy * extend0, x_ + x1 + ux * extend1,
                          y1 + uy * extend1, half});
  }
  void Stem(double x, double half) { Line(x, 0, x, 1, half); }
  // Serifs at the top and bottom of a stroke whose centre there is x and whose
  // half width across is `half`; each side only where asked.
  void Serif(double x, double half, bool top, bool left, bool right) {
    const double y = top ? 1 - w_.serif : w_.serif;
    Line(x - half - (left ? w_.reach : 0), y, x + half + (right ? w_.reach : 0), y, w_.serif);
  }
  void Spur(double x, double y0, double y1) { Line(x, y0, x, y1, w_.thin); }
  void Bowl(double cx, double cy, double ax, double ay, double tx, double ty, bool rightHalf) {
    out_->rings.push_back({x_ + cx, cy, ax, ay, tx, ty, rightHalf});
  }

 private:
  Lettering* out_;
  Weight w_;
  double x_;
};

// Adds one capital at x; returns its advance.
double AddGlyph(Lettering* out, const Weight& w, char letter, double x) {
  GlyphBuilder g(out, w, x);
  const double T = w.thick, N = w.thin;
  switch (letter) {
    case 'V':
      g.Line(0.07, 1, 0.42, 0, T, 0.3, 0.3);
      g.Line(0.42, 0, 0.79, 1, N, 0.3, 0.3);
      g.Serif(0.07, T * 1.06, true, true, true);
      g.Serif(0.79, N * 1.1, true, true, true);
      return 0.86;
    case 'E':
      g.Stem(0.09, T);
      g.Line(0.09, 1 - N, 0.60, 1 - N, N);
      g.Line(0.09, 0.52, 0.50, 0.52, N * 0.9);
      g.Line(0.09, N, 0.63, N, N);
      g.Spur(0.60 - N, 0.78, 1);
      g.Spur(0.50 - N, 0.43, 0.61);
      g.Spur(0.63 - N, 0, 0.24);
      g.Serif(0.09, T, true, true, false);
      g.Serif(0.09, T, false, true, false);
      return 0.66;
    case 'L':
      g.Stem(0.09, T);
      g.Line(0.09, N, 0.60, N, N);
      g.Spur(0.60 - N, 0, 0.25);
      g.Serif(0.09, T, true, true, true);
      g.Serif(0.09, T, false, true, false);
      return 0.63;
    case 'M':
      g.Stem(0.07, N);
      g.Line(0.07 + N, 1, 0.50, 0, T, 0.3, 0.3);
      g.Line(0.50, 0, 0.89, 1, N, 0.3, 0.3);
      g.Stem(0.89, T);
      g.Serif(0.07, N, false, true, true);
      g.Serif(0.89, T, false, true, true);
      g.Serif(0.07, N, true, true, false);
      g.Serif(0.89, T, true, false, true);
      return 1.02;
    case 'O':
      g.Bowl(0.47, 0.5, 0.45, 0.515, 2 * T * 0.95, N * 1.8, false);
      return 0.94;
    case 'R':
      g.Stem(0.09, T);
      g.Line(0.09, 1 - N, 0.37, 1 - N, N);
      g.Line(0.09, 0.49 + N, 0.37, 0.49 + N, N);
      g.Bowl(0.37, 0.745, 0.29, 0.255, 2 * T * 0.85, N * 1.8, true);
      g.Line(0.36, 0.50, 0.69, 0, T, 0, 0.3);
      g.Serif(0.72, T, false, true, true);
      g.Serif(0.09, T, true, true, false);
      g.Serif(0.09, T, false, true, true);
      return 0.79;
    case 'A':
      g.Line(0.04, 0, 0.44, 1, N, 0.3, 0.3);
      g.Line(0.44, 1, 0.84, 0, T, 0.3, 0.3);
      g.Line(0.16, 0.32, 0.71, 0.32, N);
      g.Serif(0.04, N * 1.1, false, true, true);
      g.Serif(0.84, T * 1.06, false, true, true);
      return 0.90;
    case 'I':
      g.Stem(0.16, T);
      g.Serif(0.16, T, true, true, true);
      g.Serif(0.16, T, false, true, true);
      return 0.33;
    case 'H':
      g.Stem(0.09, T);
      g.Stem(0.79, T);
      g.Line(0.09, 0.52, 0.79, 0.52, N);
      for (double stem : {0.09, 0.79}) {
        g.Serif(stem, T, true, true, true);
        g.Serif(stem, T, false, true, true);
      }
      return 0.89;
    case 'T':
      g.Line(0.01, 1 - N, 0.77, 1 - N, N);
      g.Stem(0.39, T);
      g.Spur(0.01 + N, 0.76, 1);
      g.Spur(0.77 - N, 0.76, 1);
      g.Serif(0.39, T, false, true, true);
      return 0.78;
    default:
      return 0.5;
  }
}

Lettering Letter(const char* text, const Weight& weight, double spacing) {
  Lettering lettering;
  double x = 0;
  for (const char* c = text; *c; ++c) {
    x += AddGlyph(&lettering, weight, *c, x);
    if (c[1]) x += spacing;
  }
  lettering.width = x;
  return lettering;
}

double BarDistance(const Bar& bar, double px, double py) {
  const double dx = bar.x1 - bar.x0, dy = bar.y1 - bar.y0;
  const double length = Sqrt(dx * dx + dy * dy);
  const double ux = dx / length, uy = dy / length;
  const double rx = px - (bar.x0 + bar.x1) / 2, ry = py - (bar.y0 + bar.y1) / 2;
  const double along = Abs(rx * ux + ry * uy) - length / 2;
  const double across = Abs(-rx * uy + ry * ux) - bar.half;
  const double ox = Max(along, 0), oy = Max(across, 0);
  return Sqrt(ox * ox + oy * oy) + Min(Max(along, across), 0);
}

// Distance to an ellipse's outline, to first order: its implicit function
// divided by the length of that function's gradient.
double EllipseDistance(double x, double y, double ax, double ay) {
  const double f = (x * x) / (ax * ax) + (y * y) / (ay * ay) - 1;
  const double gx = 2 * x / (ax * ax), gy = 2 * y / (ay * ay);
  const double g = Sqrt(gx * gx + gy * gy);
  return g > 1e-9 ? f / g : -Min(ax, ay);
}

double RingDistance(const Ring& ring, double px, double py) {
  const double x = px - ring.cx, y = py - ring.cy;
  const double outer = EllipseDistance(x, y, ring.ax, ring.ay);
  const double inner = EllipseDistance(x, y, ring.ax - ring.tx, ring.ay - ring.ty);
  double d = Max(outer, -inner);
  if (ring.rightHalf) d = Max(d, -x);
  return d;
}

// Signed distance in glyph units: negative inside the lettering.
double LetteringDistance(const Lettering& lettering, double x, double y) {
  double bars = 1e9;
  for (const Bar& bar : lettering.bars) bars = Min(bars, BarDistance(bar, x, y));
  // Stems and diagonals end at the cap and base lines.
  bars = Max(bars, Max(-y, y - 1));
  double rings = 1e9;
  for (const Ring& ring : lettering.rings) rings = Min(rings, RingDistance(ring, x, y));
  return Min(bars, rings);
}

// Lettering placed on a picture: left edge, baseline and cap height in pixels.
struct Placed {
  const Lettering* lettering;
  double left, baseline, capHeight;

  // Signed distance in pixels from the pixel-space point.
  double Distance(double x, double y) const {
    return capHeight * LetteringDistance(*lettering, (x - left) / capHeight,
                                         (baseline - y) / capHeight);
  }
  // Share of pixel (x, y) covered, from 3 x 3 samples.
  double Coverage(int x, int y) const {
    double sum = 0;
    for (int sy = 0; sy < 3; ++sy) {
      for (int sx = 0; sx < 3; ++sx) {
        const double d = Distance(x + (sx + 0.5) / 3, y + (sy + 0.5) / 3);
        sum += Clamp01(0.5 - 3 * d);
      }
    }
    return sum / 9;
  }
  bool Near(int x, int y, double margin) const {
    return x >= left - margin && x <= left + lettering->width * capHeight + margin &&
           y >= baseline - capHeight - margin && y <= baseline + margin;
  }
};

// ---------------------------------------------------------------------------
// Pictures as rows of colours, 0 to 255 per channel, top row first.

struct Colour {
  double r, g, b;
};

Colour operator*(Colour c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour Blend(Colour under, Colour over, double alpha) {
  return {Mix(under.r, over.r, alpha), Mix(under.g, over.g, alpha), Mix(under.b, over.b, alpha)};
}

struct Canvas {
  int width, height;
  std::vector<Colour> pixels;
  Canvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
  Colour& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

void Put16(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Rounds to bytes with a fixed pattern of noise under half a step, which
// keeps the dark gradients free of bands.
uint8_t ToByte(double v, int x, int y, int channel) {
  const double dither = Random(x, y, 1000 + channel) - 0.5;
  return static_cast<uint8_t>(Clamp(Floor(v + dither + 0.5), 0, 255));
}

// A complete 24-bit BMP file: 14-byte file header, 40-byte info header, no
// colour table, rows bottom-up, each padded to a multiple of 4 bytes.
std::string BmpFile(const std::vector<uint8_t>& rgbTopDown, int width, int height) {
  const uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageSize = row * height;
  std::string out;
  out += "BM";
  Put32(&out, 54 + imageSize);
  Put32(&out, 0);
  Put32(&out, 54);
  Put32(&out, 40);
  Put32(&out, width);
  Put32(&out, height);
  Put16(&out, 1);
  Put16(&out, 24);
  Put32(&out, 0);  // BI_RGB
  Put32(&out, imageSize);
  Put32(&out, 5905);  // 150 pixels per inch
  Put32(&out, 5905);
  Put32(&out, 0);
  Put32(&out, 0);
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* p = &rgbTopDown[static_cast<size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x, p += 3) {
      out.push_back(static_cast<char>(p[2]));
      out.push_back(static_cast<char>(p[1]));
      out.push_back(static_cast<char>(p[0]));
    }
    out.append(row - width * 3, '\0');
  }
  return out;
}

std::vector<uint8_t> Quantise(Canvas& canvas) {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const Colour c = canvas.at(x, y);
      bytes.push_back(ToByte(c.r, x, y, 0));
      bytes.push_back(ToByte(c.g, x, y, 1));
      bytes.push_back(ToByte(c.b, x, y, 2));
    }
  }
  return bytes;
}

// ---------------------------------------------------------------------------
// The title picture.

constexpr int TITLE_SIZE = 300;
constexpr double HORIZON = 196;  // where the marsh water begins

const Weight TITLE_WEIGHT = {0.085, 0.030, 0.026, 0.10};
const Weight LOGO_WEIGHT = {0.080, 0.052, 0.036, 0.07};

Colour Sky(double x, double y) {
  // From a deep umber overhead to an olive haze at the horizon.
  const double t = Clamp01(y / HORIZON);
  const Colour top = {27, 19, 10}, low = {84, 88, 40};
  Colour sky = Blend(top, low, t * t);
  // Long thin clouds, lit a little from below.
  const double band = Fractal2(x / 90, y / 11, 11, 4);
  const double cloud = SmoothStep(0.52, 0.78, band) * SmoothStep(20, 120, y) * (1 - t * 0.6);
  sky = Blend(sky, Colour{74, 60, 32}, cloud * 0.55);
  // The hazy moon low over the castle, with a wide halo.
  const double dx = x - 206, dy = y - 118;
  const double d = Sqrt(dx * dx + dy * dy);
  sky = sky + Colour{120, 112, 58} * (Bell(d, 30) * 0.9);
  sky = sky + Colour{40, 38, 16} * Bell(d, 90);
  const double disc = Clamp01(15.5 - d);
  const double mottling = 0.9 + 0.1 * Fractal2(x / 5, y / 5, 21, 3);
  sky = Blend(sky, Colour{222, 212, 150} * mottling, disc);
  return sky;
}

double FarHills(double x) { return 150 + 26 * Fractal1(x / 70, 31, 4) - 10 * Bell(x - 60, 50); }
double NearHill(double x) {
  return 186 - 22 * Bell(x - 188, 38) + 8 * Fractal1(x / 40, 41, 3) - 4;
}

// The castle's shape: towers with pointed roofs on the near hill. Returns
// true when (x, y) is masonry or roof.
bool Castle(double x, double y) {
  struct Tower {
    double left, right, top, roof;
  };
  constexpr Tower TOWERS[] = {
      {158, 170, 150, 18}, {168, 206, 163, 0},  {182, 194, 128, 24},
      {204, 213, 146, 16}, {212, 226, 160, 10}, {224, 230, 152, 12},
  };
  for (const Tower& t : TOWERS) {
    const double middle = (t.left + t.right) / 2, half = (t.right - t.left) / 2;
    if (x < t.left || x > t.right) continue;
    if (y >= t.top) {
      // Battlements on the roofless wall.
      if (t.roof == 0 && y < t.top + 3 && (static_cast<int>(x) / 3) % 2 == 0) continue;
      return true;
    }
    if (t.roof > 0 && y >= t.top - t.roof * (1 - Abs(x - middle) / half)) return true;
  }
  // The thin spire of the keep.
  return Abs(x - 188) < 0.8 && y > 96 && y < 110;
}

bool LitWindow(int x, int y) {
  constexpr int WINDOWS[][2] = {{187, 136}, {187, 143}, {163, 157}, {209, 152},
                                {177, 170}, {196, 168}, {218, 166}};
  for (const auto& w : WINDOWS) {
    if (x == w[0] && (y == w[1] || y == w[1] + 1)) return true;
  }
  return false;
}

Colour Land(double x, double y) {
  const double far = FarHills(x);
  const double near = NearHill(x);
  if (y >= near || Castle(x, y)) {
    // Near hill and castle: dark silhouette with a faint rim of moonlight.
    const double rim = Bell(x - 206, 60) * SmoothStep(4, 0, y - near) * 0.5;
    return Colour{28, 21, 11} + Colour{40, 38, 16} * rim;
  }
  if (y >= far) {
    // Far hills fade into the haze towards their crests.
    const double depth = Clamp01((y - far) / 40);
    const Colour hazy = Sky(x, far - 2) * 0.72;
    return Blend(hazy, Colour{44, 38, 19}, depth);
  }
  return Sky(x, y);
}

Colour Water(double x, double y) {
  // The land and sky mirrored, broken into ripples that grow towards the bank.
  const double depth = (y - HORIZON) / (TITLE_SIZE - HORIZON);
  const double ripple = Fractal2(x / 24, y / 1.6, 51, 3) - 0.5;
  const double mirrorY = Max(2 * HORIZON - y + ripple * (3 + 10 * depth), 0);
  Colour c = Land(x + ripple * 4, mirrorY) * (0.62 - 0.25 * depth);
  // Moonlight glitter in a column under the moon.
  const double glitter = Bell(x - 206, 10 + 25 * depth) * SmoothStep(0.55, 0.8, ripple + 0.5);
  c = c + Colour{110, 104, 56} * (glitter * (1 - depth * 0.7));
  return c;
}

double Shore(double x) { return 254 + 14 * Fractal1(x / 50, 61, 3) - 18 * Bell(x - 40, 45); }

// Reeds rising from the bank: returns how much of a reed covers (x, y).
double Reeds(double x, double y) {
  double cover = 0;
  for (int i = 0; i < 60; ++i) {
    const double base = Random(i, 0, 71) * TITLE_SIZE;
    // Dense near the edges, none in front of the castle's reflection.
    const double edge = Min(base, TITLE_SIZE - base) / TITLE_SIZE;
    if (Random(i, 1, 71) < edge * 2.6 - 0.25) continue;
    const double height = 40 + 70 * Random(i, 2, 71) * (1 - edge);
    const double lean = (Random(i, 3, 71) - 0.5) * 0.5;
    const double foot = Shore(base) + 10;
    const double top = foot - height;
    if (y < top || y > foot) continue;
    const double t = (foot - y) / height;
    const double cx = base + lean * (foot - y) * t;
    const double width = 1.3 * (1 - t) + 0.3;
    cover = Max(cover, Clamp01(width - Abs(x - cx) + 0.5));
    // A seed head on the taller ones.
    if (height > 80 && t > 0.8 && t < 0.95) cover = Max(cover, Clamp01(2.2 - Abs(x - cx)));
  }
  return cover;
}

Colour Scene(double x, double y) {
  Colour c = y < HORIZON ? Land(x, y) : Water(x, y);
  // Mist lying over the water and the foot of the hills.
  const double mist = Fractal2(x / 60, y / 8, 81, 4);
  const double layer = Bell(y - 200, 12) * SmoothStep(0.35, 0.75, mist);
  c = Blend(c, Colour{82, 84, 46}, layer * 0.5);
  // The dark bank.
  const double shore = Shore(x);
  if (y > shore) {
    const double soil = Fractal2(x / 12, y / 6, 91, 3);
    c = Blend(c, Colour{26, 17, 9} + Colour{12, 8, 4} * soil, Clamp01(y - shore));
  }
  c = Blend(c, Colour{15, 10, 5}, Reeds(x, y));
  return c;
}

void DrawTitleLettering(Canvas* canvas) {
  const Lettering title = Letter("VELMORA", TITLE_WEIGHT, 0.09);
  const double cap = 40;
  const Placed placed = {&title, (TITLE_SIZE - title.width * cap) / 2, 78, cap};
  const Lettering maker = Letter(MAKER_NAME, LOGO_WEIGHT, 0.12);
  const double makerCap = 7;
  const Placed logo = {&maker, TITLE_SIZE - 8 - maker.width * makerCap, TITLE_SIZE - 9, makerCap};

  for (int y = 0; y < TITLE_SIZE; ++y) {
    for (int x = 0; x < TITLE_SIZE; ++x) {
      Colour& c = canvas->at(x, y);
      if (placed.Near(x, y, 14)) {
        const double px = x + 0.5, py = y + 0.5;
        // A soft dark shadow below right, a warm glow around, then the
        // letters in old gold, lighter at the top, with a dark edge.
        const double shadow = placed.Distance(px - 2, py - 2.5);
        c = c * (1 - 0.6 * Clamp01(1 - shadow / 3));
        const double d = placed.Distance(px, py);
        if (d > 0) c = c + Colour{70, 58, 22} * (Bell(d, 5) * 0.55);
        const double cover = placed.Coverage(x, y);
        const double t = Clamp01((py - (placed.baseline - cap)) / cap);
        Colour gold = Blend(Colour{236, 214, 140}, Colour{150, 118, 52}, t);
        gold = gold * (0.75 + 0.25 * Clamp01(-d / 2.5));
        c = Blend(c, gold, cover);
      }
      if (logo.Near(x, y, 4)) {
        const double d = logo.Distance(x + 0.5, y + 0.5);
        if (d > 0) c = c + Colour{30, 29, 20} * Bell(d, 1.5);
        c = Blend(c, Colour{176, 172, 146}, logo.Coverage(x, y));
      }
    }
  }
  // A thin rule over the maker's name.
  const int ruleY = static_cast<int>(logo.baseline - makerCap - 4);
  for (int x = static_cast<int>(logo.left); x < TITLE_SIZE - 8; ++x) {
    const double fade = SmoothStep(logo.left, logo.left + 12, x);
    canvas->at(x, ruleY) = Blend(canvas->at(x, ruleY), Colour{120, 116, 88}, 0.7 * fade);
  }
}

// Darkens towards the corners, as an old lens would.
void Vignette(Canvas* canvas) {
  for (int y = 0; y < canvas->height; ++y) {
    for (int x = 0; x < canvas->width; ++x) {
      const double dx = (x + 0.5) / canvas->width - 0.5, dy = (y + 0.5) / canvas->height - 0.5;
      const double r2 = (dx * dx + dy * dy) * 2;
      canvas->at(x, y) = canvas->at(x, y) * (1 - 0.45 * r2 * r2);
    }
  }
}

// The finished scene is brought to the intended key, keeping each pixel's
// hue: the brightest channel of the darkest seven pixels in ten is scaled to
// end just below 64, that of the others to begin just above it with a slope
// that gives the intended mean green; gains per channel, found again in each
// round, set the mean red and blue.
std::vector<uint8_t> Calibrate(const Canvas& scene) {
  constexpr double TARGET[3] = {51, 50, 18};
  constexpr double DARK_SHARE = 0.70;
  const size_t count = scene.pixels.size();
  double gains[3] = {1, 1, 1};
  Canvas keyed = scene;
  for (int round = 0; round < 12; ++round) {
    Canvas gained = scene;
    std::vector<double> values(count);
    for (size_t i = 0; i < count; ++i) {
      Colour& c = gained.pixels[i];
      c = {Max(c.r * gains[0], 0), Max(c.g * gains[1], 0), Max(c.b * gains[2], 0)};
      values[i] = Max(Max(c.r, c.g), Max(c.b, 1e-6));
    }
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const double pivot = sorted[static_cast<size_t>(count * DARK_SHARE)];
    const auto apply = [&](double slope) {
      double sums[3] = {};
      for (size_t i = 0; i < count; ++i) {
        const double v = values[i];
        const double target = v < pivot ? v * 62.9 / pivot : 64.1 + (v - pivot) * slope;
        const Colour& c = gained.pixels[i];
        const double k = target / v;
        keyed.pixels[i] = {Min(c.r * k, 255), Min(c.g * k, 255), Min(c.b * k, 255)};
        sums[0] += keyed.pixels[i].r;
        sums[1] += keyed.pixels[i].g;
        sums[2] += keyed.pixels[i].b;
      }
      return std::vector<double>{sums[0] / count, sums[1] / count, sums[2] / count};
    };
    double low = 0, high = 40;
    for (int step = 0; step < 50; ++step) {
      const double slope = (low + high) / 2;
      (apply(slope)[1] < TARGET[1] ? low : high) = slope;
    }
    const std::vector<double> means = apply((low + high) / 2);
    for (int ch = 0; ch < 3; ++ch) gains[ch] *= TARGET[ch] / means[ch];
  }
  return Quantise(keyed);
}

// ---------------------------------------------------------------------------
// The logo picture.

constexpr int LOGO_WIDTH = 100;
constexpr int LOGO_HEIGHT = 64;

// ---------------------------------------------------------------------------
// The icon.

constexpr int ICON_SIZE = 32;
// The standard 16-colour Windows palette, as red, green, blue.
constexpr uint8_t PALETTE[16][3] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};
constexpr int BLACK = 0, DARK_RED = 1, LIGHT_GREY = 7, DARK_GREY = 8, WHITE = 15;

// The icon as palette indices, top row first. The wedge points down; its left
// half catches the light. Two dark red strokes cut a V into it.
int IconPixel(int x, int y) {
  if (x == 0 || y == 0 || x == ICON_SIZE - 1 || y == ICON_SIZE - 1) return DARK_GREY;
  const double px = x + 0.5, py = y + 0.5;
  constexpr double TOP = 4, TIP = 28, LEFT = 5, RIGHT = 27, MIDDLE = 16;
  const double t = (py - TOP) / (TIP - TOP);
  if (t < 0 || t > 1) return BLACK;
  const double halfWidth = (RIGHT - LEFT) / 2 * (1 - t);
  const double offset = px - MIDDLE;
  if (Abs(offset) > halfWidth) return BLACK;
  // The V: two strokes from the upper corners to a point above the tip.
  const double strokeT = (py - 8) / (22 - 8);
  if (strokeT >= 0 && strokeT <= 1) {
    const double strokeX = 6.5 * (1 - strokeT);
    if (Abs(Abs(offset) - strokeX) < 1.1) return DARK_RED;
  }
  if (py > 5 && py < 7) return DARK_RED;
  return offset < 0 ? WHITE : LIGHT_GREY;
}

}  // namespace

std::string TitlePicture() {
  Canvas canvas(TITLE_SIZE, TITLE_SIZE);
  for (int y = 0; y < TITLE_SIZE; ++y) {
    for (int x = 0; x < TITLE_SIZE; ++x) {
      Colour sum = {0, 0, 0};
      // Four samples per pixel for smooth silhouettes.
      for (int s = 0; s < 4; ++s) {
        sum = sum + Scene(x + 0.25 + 0.5 * (s % 2), y + 0.25 + 0.5 * (s / 2)) * 0.25;
      }
      canvas.at(x, y) = sum;
      if (LitWindow(x, y)) canvas.at(x, y) = Colour{210, 170, 70};
    }
  }
  DrawTitleLettering(&canvas);
  Vignette(&canvas);
  return BmpFile(Calibrate(canvas), TITLE_SIZE, TITLE_SIZE);
}

std::string LogoPicture() {
  const Lettering maker = Letter(MAKER_NAME, LOGO_WEIGHT, 0.13);
  const double cap = 12;
  const Placed placed = {&maker, (LOGO_WIDTH - maker.width * cap) / 2, 38, cap};
  std::vector<uint8_t> bytes;
  for (int y = 0; y < LOGO_HEIGHT; ++y) {
    for (int x = 0; x < LOGO_WIDTH; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double d = placed.Distance(px, py);
      // A wide faint halo and a closer brighter one, under the letters.
      double light = 34 * Bell(Max(d, 0), 4) + 60 * Bell(Max(d, 0), 1.5);
      // Thin rules above and below that fade out at their ends.
      const double span = Bell(px - LOGO_WIDTH / 2.0, 26);
      for (double ruleY : {placed.baseline - cap - 7, placed.baseline + 7}) {
        light += 120 * span * Clamp01(0.9 - Abs(py - ruleY)) + 18 * span * Bell(py - ruleY, 2);
      }
      // A small diamond in the middle of each rule.
      for (double ruleY : {placed.baseline - cap - 7, placed.baseline + 7}) {
        const double diamond = Abs(px - LOGO_WIDTH / 2.0) + Abs(py - ruleY);
        light = Max(light, 210 * Clamp01(2.6 - diamond));
      }
      const double cover = placed.Coverage(x, y);
      light = Mix(light, 222, cover);
      const uint8_t grey = ToByte(light, x, y, 0);
      bytes.insert(bytes.end(), {grey, grey, grey});
    }
  }
  return BmpFile(bytes, LOGO_WIDTH, LOGO_HEIGHT);
}

std::string WindowIcon() {
  constexpr uint32_t HEADER = 40, COLOURS = 16 * 4, BITS = ICON_SIZE * ICON_SIZE / 2,
                     MASK = ICON_SIZE * ICON_SIZE / 8;
  constexpr uint32_t IMAGE = HEADER + COLOURS + BITS + MASK;  // 744
  std::string out;
  // Icon directory: reserved, type 1 (icon), one image.
  Put16(&out, 0);
  Put16(&out, 1);
  Put16(&out, 1);
  // Its entry: 32 x 32, 16 colours, 1 plane, 4 bits, size, offset.
  out.push_back(ICON_SIZE);
  out.push_back(ICON_SIZE);
  out.push_back(16);
  out.push_back(0);
  Put16(&out, 1);
  Put16(&out, 4);
  Put32(&out, IMAGE);
  Put32(&out, 22);
  // The image: an info header of twice the height (colour bits and mask).
  Put32(&out, HEADER);
  Put32(&out, ICON_SIZE);
  Put32(&out, ICON_SIZE * 2);
  Put16(&out, 1);
  Put16(&out, 4);
  Put32(&out, 0);
  Put32(&out, BITS + MASK);
  Put32(&out, 0);
  Put32(&out, 0);
  Put32(&out, 0);
  Put32(&out, 0);
  for (const auto& colour : PALETTE) {
    out.push_back(static_cast<char>(colour[2]));
    out.push_back(static_cast<char>(colour[1]));
    out.push_back(static_cast<char>(colour[0]));
    out.push_back(0);
  }
  for (int y = ICON_SIZE - 1; y >= 0; --y) {
    for (int x = 0; x < ICON_SIZE; x += 2) {
      out.push_back(static_cast<char>(IconPixel(x, y) << 4 | IconPixel(x + 1, y)));
    }
  }
  // The mask: every pixel opaque.
  out.append(MASK, '\0');
  return out;
}

}  // namespace art
