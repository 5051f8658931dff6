#include "shapes/VesselGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

struct Row {
  int left;
  int right;
};
using Rows = std::array<Row, VESSEL_OUTLINE_ROWS>;

int Trunc(double value) { return static_cast<int>(value); }

// Fills rows one after the other; rows the segments leave over repeat the last one.
class RowWriter {
 public:
  explicit RowWriter(Rows& rows) : m_rows(rows) {}
  void Add(int left, int right) {
    if (m_count < VESSEL_OUTLINE_ROWS) m_rows[static_cast<std::size_t>(m_count++)] = {left, right};
  }
  // The row before the next one, or `first` when none is written yet.
  Row Last(Row first) const { return m_count == 0 ? first : m_rows[static_cast<std::size_t>(m_count - 1)]; }
  void RepeatLast(Row first) {
    const Row last = Last(first);
    while (m_count < VESSEL_OUTLINE_ROWS) Add(last.left, last.right);
  }

 private:
  Rows& m_rows;
  int m_count = 0;
};

int Digit(int shapeCode, int index) { return (static_cast<unsigned>(shapeCode) >> (4 * index)) & 0xF; }

void CodedProfile(Rows& rows, int shapeCode, int w) {
  RowWriter out(rows);
  const Row apex{w / 2, w / 2};  // row 0 starts as one point
  const int d0 = Digit(shapeCode, 0);
  const int d5 = Digit(shapeCode, 5);
  const int p = std::max(1, static_cast<int>((static_cast<unsigned>(shapeCode) >> 24) % 100));
  const int sum = Digit(shapeCode, 1) + Digit(shapeCode, 2) + Digit(shapeCode, 3) + Digit(shapeCode, 4);
  if (sum == 0) {
    // Nothing shares the rows beside the body: the body fills them all.
    out.RepeatLast({0, w});
    return;
  }
  const int rest = 100 - p;
  const int neckRows = rest * Digit(shapeCode, 1) / sum;
  const int upperRows = rest * Digit(shapeCode, 2) / sum;
  const int lowerRows = rest * Digit(shapeCode, 3) / sum;
  const int outletRows = rest * Digit(shapeCode, 4) / sum;
  // W x (1 - d / 15) / 2 and the cone steps j x (1 - d / 15) x (W / 2) / n, in
  // whole numbers so that no rounding of fifteenths shifts a pixel.
  auto share = [w](long long numerator, long long denominator) { return static_cast<int>(w * numerator / denominator); };

  for (int j = 0; j < neckRows; ++j) out.Add(share(15 - d0, 30), share(15 + d0, 30));
  const Row aboveUpper = out.Last(apex);
  for (int j = 0; j < upperRows; ++j) {
    const int step = share(static_cast<long long>(j) * (15 - d0), 30LL * upperRows);
    out.Add(aboveUpper.left - step, aboveUpper.right + step);
  }
  for (int j = 0; j < p; ++j) out.Add(0, w);
  const Row aboveLower = out.Last(apex);
  for (int j = 0; j < lowerRows; ++j) {
    const int step = share(static_cast<long long>(j) * (15 - d5), 30LL * lowerRows);
    out.Add(aboveLower.left + step, aboveLower.right - step);
  }
  for (int j = 0; j < outletRows; ++j) out.Add(share(15 - d5, 30), share(15 + d5, 30));
  out.RepeatLast(apex);
}

void DomedTank(Rows& rows, int w) {
  RowWriter out(rows);
  for (int k = 0; k <= 3; ++k) out.Add(w * 42 / 100, w * 58 / 100);
  for (int j = 0; j <= 6; ++j) {
    const Row last = out.Last({});
    const double t = static_cast<double>(7 - j) * w;
    out.Add(last.left - Trunc(0.019 * t), last.right + Trunc(0.02 * t));
  }
  for (int k = 11; k <= 92; ++k) out.Add(0, w);
  for (int j = 0; j <= 6; ++j) {
    const Row last = out.Last({});
    const double t = static_cast<double>(j) * w;
    out.Add(last.left + Trunc(0.019 * t), last.right - Trunc(0.02 * t));
  }
}

// A silo: the body down to 60 %, a cone to 90 %, then the outlet.
void Silo(Rows& rows, int w) {
  for (int k = 0; k < VESSEL_OUTLINE_ROWS; ++k) {
    const double f = k / 99.0;
    Row& row = rows[static_cast<std::size_t>(k)];
    if (f <= 0.6) {
      row = {0, w};
    } else if (f <= 0.9) {
      const double t = (f - 0.6) / (0.9 - 0.6);
      row = {Trunc(0.42 * w * t), w - Trunc((1.0 - 0.58) * w * t)};
    } else {
      row = {Trunc(0.42 * w), Trunc(0.58 * w)};
    }
  }
}

// A bottle: a wide neck, curved shoulders, the body and a rounded bottom.
void Bottle(Rows& rows, int w) {
  RowWriter out(rows);
  for (int k = 0; k <= 4; ++k) out.Add(Trunc(0.385 * w), Trunc(0.615 * w));
  for (int j = 0; j <= 6; ++j) {
    const Row last = out.Last({});
    const int step = Trunc(0.013 * (7 - j) * w);
    out.Add(std::max(0, last.left - step), std::min(w, last.right + step));
  }
  for (int k = 12; k <= 92; ++k) out.Add(0, w);
  for (int j = 0; j <= 6; ++j) {
    const Row last = out.Last({});
    const int step = Trunc(0.018 * j * w);
    out.Add(last.left + step, last.right - step);
  }
}

// A reactor: elliptic heads over the top and bottom tenth.
void DishedHeads(Rows& rows, int w) {
  for (int k = 0; k < VESSEL_OUTLINE_ROWS; ++k) {
    const double f = k / 99.0;
    double u = 0.0;  // 1 at the head's crown, 0 where it meets the body
    if (f < 0.1) u = (0.1 - f) / 0.1;
    if (f > 0.9) u = (f - 0.9) / 0.1;
    const int inset = Trunc(0.7 * (w / 2.0) * (1.0 - std::sqrt(1.0 - std::min(1.0, u * u))));
    rows[static_cast<std::size_t>(k)] = {inset, w - inset};
  }
}

}  // namespace

std::vector<POINT> ComputeVesselOutline(int form, int shapeCode, int width, int height) {
  Rows rows{};
  switch (form) {
    case 1:
    case 2:
    case 8: CodedProfile(rows, shapeCode, width); break;
    case 4: DomedTank(rows, width); break;
    case 5: Silo(rows, width); break;
    case 6: Bottle(rows, width); break;
    case 7: DishedHeads(rows, width); break;
    default: return {};
  }
  std::vector<POINT> outline(2 * VESSEL_OUTLINE_ROWS);
  for (int k = 0; k < VESSEL_OUTLINE_ROWS; ++k) {
    const LONG y = k * height / 99;
    const Row& row = rows[static_cast<std::size_t>(k)];
    outline[static_cast<std::size_t>(k)] = {row.left, y};
    outline[static_cast<std::size_t>(2 * VESSEL_OUTLINE_ROWS - 1 - k)] = {row.right, y};
  }
  return outline;
}

std::vector<POINT> ComputeVesselContent(const std::vector<POINT>& outline, int percent) {
  if (outline.size() != 2 * VESSEL_OUTLINE_ROWS || percent <= 0) return {};
  std::vector<POINT> content = outline;
  const int levelRow = VESSEL_OUTLINE_ROWS - std::min(percent, 100);  // 0 when full
  const std::size_t last = 2 * VESSEL_OUTLINE_ROWS - 1;
  const POINT left = outline[static_cast<std::size_t>(levelRow)];
  const POINT right = outline[last - static_cast<std::size_t>(levelRow)];
  for (int k = 0; k < levelRow; ++k) {
    content[static_cast<std::size_t>(k)] = left;
    content[last - static_cast<std::size_t>(k)] = right;
  }
  return content;
}

void AdvanceAgitator(AgitatorState& state, float speedPercent) {
  state.phase += state.direction * 0.0015 * speedPercent;
  if (state.phase >= 0.9) {
    state.phase = 0.9;
    state.direction = -1;
  } else if (state.phase <= -0.9) {
    state.phase = -0.9;
    state.direction = 1;
  }
}

AgitatorPicture ComputeAgitator(int width, int height, int rowY, double phase) {
  const LONG centre = width / 2;
  const LONG halfShaft = std::max(1, Trunc(0.025 * width));
  const LONG halfBlade = std::max(1, Trunc(0.05 * height));
  const LONG reach = Trunc(phase * 0.8 * (width / 2.0));
  // Seen from the side the blade nearer the eye is the taller one.
  const LONG nearHalf = halfBlade + (phase >= 0 ? 1 : 0);
  const LONG farHalf = halfBlade + (phase < 0 ? 1 : 0);
  AgitatorPicture picture;
  picture.shaft = {{{centre - halfShaft, 0}, {centre + halfShaft, 0}, {centre + halfShaft, rowY}, {centre - halfShaft, rowY}}};
  picture.rightBlade = {{{centre, rowY - nearHalf}, {centre + reach, rowY - nearHalf}, {centre + reach, rowY + nearHalf},
                         {centre, rowY + nearHalf}}};
  picture.leftBlade = {{{centre, rowY - farHalf}, {centre - reach, rowY - farHalf}, {centre - reach, rowY + farHalf},
                        {centre, rowY + farHalf}}};
  return picture;
}
