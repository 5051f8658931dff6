#pragma once
// An off-screen context over a rectangle of a target context: drawing goes to
// a bitmap of the rectangle's size (in the target's coordinates) and is copied
// onto the target when this object goes.
#include "platform/ui/CBitmap.h"
#include "platform/ui/CDC.h"

class BCMenuMemDC : public CDC {
 public:
  BCMenuMemDC(CDC* target, const RECT& rect);
  ~BCMenuMemDC() override;

 private:
  CDC* m_target;
  CRect m_rect;
  CBitmap m_bitmap;
  CBitmap* m_oldBitmap = nullptr;
};
