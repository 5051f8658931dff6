#pragma once
// The memory picture a shape draws into before one copy to its window, so a
// repaint every 90 ms never shows half a picture; with the drawing helpers
// the vessel, valve and pump pictures share.
#include <optional>
#include <string>

#include "platform/ui/CBitmap.h"
#include "platform/ui/CDC.h"

class CAlarmPack;
class CAlarmStruct;

class CShapeCanvas {
 public:
  // A picture of `width` x `height` compatible with `target`.
  CShapeCanvas(CDC* target, int width, int height);
  ~CShapeCanvas();
  CShapeCanvas(const CShapeCanvas&) = delete;
  CShapeCanvas& operator=(const CShapeCanvas&) = delete;

  CDC& Dc() { return m_memory; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }

  // Fills `points` with `fill`, edged with a 1-pixel pen of `edge` when given.
  void FillPolygon(const POINT* points, int count, COLORREF fill, std::optional<COLORREF> edge = std::nullopt);
  // One line centred in the band `sixteenths` x height / 16 +- 10 pixels.
  void DrawBandText(int sixteenths, const std::string& text, COLORREF color);
  // Copies the picture to the target at (0, 0).
  void CopyToTarget();

 private:
  CDC* m_target;
  int m_width;
  int m_height;
  CDC m_memory;
  CBitmap m_bitmap;
  CBitmap* m_oldBitmap = nullptr;
};

// The first alarm of the list that is active and not acknowledged, or null.
CAlarmStruct* FindFirstUnacknowledgedAlarm(const CAlarmPack& alarms);
