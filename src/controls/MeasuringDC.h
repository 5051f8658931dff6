#pragma once
// A context for measuring text outside painting: it draws on a one-pixel image.
#include <QImage>

#include "platform/ui/CDC.h"

class MeasuringDC : public CDC {
 public:
  MeasuringDC() : m_image(1, 1, QImage::Format_RGB32) { AttachImage(&m_image); }
  ~MeasuringDC() override { Detach(); }

 private:
  QImage m_image;
};
