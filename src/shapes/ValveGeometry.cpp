#include "shapes/ValveGeometry.h"

#include <cstddef>

namespace {

constexpr int kVerticalForm = 2;

// A point given as shares along the flow and across it.
struct Share {
  double along;
  double across;
};

constexpr Share kClosedFirst[6] = {{0.15, 0.17}, {0.18, 0.17}, {0.49, 0.49}, {0.49, 0.51}, {0.18, 0.83}, {0.15, 0.83}};
constexpr Share kClosedSecond[6] = {{0.85, 0.17}, {0.82, 0.17}, {0.51, 0.49}, {0.51, 0.51}, {0.82, 0.83}, {0.85, 0.83}};
constexpr Share kOpenFirst[6] = {{0.15, 0.17}, {0.18, 0.18}, {0.49, 0.18}, {0.49, 0.82}, {0.18, 0.82}, {0.15, 0.83}};
constexpr Share kOpenSecond[6] = {{0.85, 0.17}, {0.82, 0.18}, {0.51, 0.18}, {0.51, 0.82}, {0.82, 0.82}, {0.85, 0.83}};
constexpr Share kActuator[4] = {{0.49, 0.15}, {0.51, 0.15}, {0.51, 0.5}, {0.49, 0.5}};

template <std::size_t N>
std::array<POINT, N> Place(const Share (&shares)[N], bool vertical, int width, int height) {
  std::array<POINT, N> points{};
  for (std::size_t i = 0; i < N; ++i) {
    const double x = vertical ? shares[i].across : shares[i].along;
    const double y = vertical ? shares[i].along : shares[i].across;
    points[i] = {static_cast<LONG>(x * width), static_cast<LONG>(y * height)};
  }
  return points;
}

}  // namespace

ValveSymbol ComputeValveSymbol(int form, int width, int height, bool openLook) {
  const bool vertical = form == kVerticalForm;
  ValveSymbol symbol;
  symbol.firstHalf = Place(openLook ? kOpenFirst : kClosedFirst, vertical, width, height);
  symbol.secondHalf = Place(openLook ? kOpenSecond : kClosedSecond, vertical, width, height);
  symbol.actuator = Place(kActuator, vertical, width, height);
  return symbol;
}
