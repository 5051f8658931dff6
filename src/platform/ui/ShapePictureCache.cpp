#include "platform/ui/ShapePictureCache.h"

#include <QSize>

#include "platform/ui/CDC.h"
#include "platform/ui/CRect.h"

namespace {

// A layer drawn as a memory context draws: on a picture of the window's size.
void DrawLayer(QImage& image, const CRect& client, const ShapePictureCache::Layer& layer) {
  CDC dc;
  if (dc.AttachImage(&image)) layer(dc, client);
  dc.Detach();
}

}  // namespace

void ShapePictureCache::Paint(CDC* target, const CRect& client, const std::string& stillKey, const Layer& still,
                              const std::string& movingKey, const Layer& moving, const CRect* area) {
  if (!target || client.Width() <= 0 || client.Height() <= 0) return;
  DropIfForgotten();
  const QSize size(client.Width(), client.Height());
  if (!moving) {
    // Nothing moves: the still layer is the picture, kept once. A picture kept
    // with a moving layer (another moving key) shows it, so it is drawn anew.
    if (!m_pictureValid || m_picture.size() != size || stillKey != m_stillKey || movingKey != m_movingKey) {
      m_pictureDC.Detach();
      m_picture = QImage(size, QImage::Format_RGB32);
      m_picture.fill(Qt::black);  // as a new memory bitmap starts
      m_pictureValid = m_pictureDC.AttachImage(&m_picture);
      if (!m_pictureValid) return;
      still(m_pictureDC, client);
      m_stillKey = stillKey;
      m_movingKey = movingKey;
      m_stillValid = true;
    }
  } else {
    if (!m_stillValid || m_still.size() != size || stillKey != m_stillKey) {
      m_still = QImage(size, QImage::Format_RGB32);
      m_still.fill(Qt::black);  // as a new memory bitmap starts
      DrawLayer(m_still, client, still);
      m_stillKey = stillKey;
      m_stillValid = true;
      m_pictureValid = false;
    }
    if (!m_pictureValid || m_picture.size() != size || movingKey != m_movingKey) {
      m_pictureDC.Detach();
      m_picture = m_still.copy();
      m_pictureValid = m_pictureDC.AttachImage(&m_picture);
      if (!m_pictureValid) return;
      moving(m_pictureDC, client);
      m_movingKey = movingKey;
    }
  }
  CRect copied(0, 0, size.width(), size.height());
  if (area && !copied.IntersectRect(&copied, area)) return;
  target->BitBlt(copied.left, copied.top, copied.Width(), copied.Height(), &m_pictureDC, copied.left, copied.top,
                 SRCCOPY);
}

bool ShapePictureCache::Holds(const std::string& stillKey, const std::string& movingKey) const {
  return m_generation == s_generation.load(std::memory_order_relaxed) && m_stillValid && m_pictureValid &&
         stillKey == m_stillKey && movingKey == m_movingKey;
}

void ShapePictureCache::ForgetAll() { s_generation.fetch_add(1, std::memory_order_relaxed); }

void ShapePictureCache::DropIfForgotten() {
  const unsigned generation = s_generation.load(std::memory_order_relaxed);
  if (m_generation == generation) return;
  m_pictureDC.Detach();
  m_stillValid = false;
  m_pictureValid = false;
  m_generation = generation;
}
