#pragma once
// A window's last picture, kept between paints (the plant's shapes and the
// plant form keep theirs). The picture is drawn in two layers: the still one
// (body, outline, texts), drawn again only when its key changes, and the moving
// one (agitator, gears, selection frame), drawn over a copy of the still one. A
// paint with the keys of the last one only copies the kept picture to the
// window; every pixel is what drawing it whole gives.
// User-interface thread only, but for ForgetAll.
#include <QImage>
#include <atomic>
#include <functional>
#include <string>

#include "platform/ui/CDC.h"
#include "platform/ui/CRect.h"

class ShapePictureCache {
 public:
  using Layer = std::function<void(CDC& dc, const CRect& client)>;

  // Copies the picture of `client`'s size (drawn first when the keys or the
  // size changed) to `target` at the client's origin: all of it, or only the
  // part inside `area` when one is given. An empty `moving` layer: the still
  // one is the whole picture (kept once, not twice).
  void Paint(CDC* target, const CRect& client, const std::string& stillKey, const Layer& still,
             const std::string& movingKey, const Layer& moving, const CRect* area = nullptr);
  // True when a paint with these keys would draw nothing new.
  bool Holds(const std::string& stillKey, const std::string& movingKey) const;
  // Every kept picture of the process is drawn whole at its next paint: how a
  // test compares a kept picture with the whole drawing, and how a benchmark
  // times drawing it whole.
  static void ForgetAll();

 private:
  // Drops the layers kept under an older ForgetAll.
  void DropIfForgotten();

  static inline std::atomic<unsigned> s_generation{0};

  QImage m_still;
  QImage m_picture;
  CDC m_pictureDC;  // stays on the picture: the copy to the window needs no new painter
  std::string m_stillKey;
  std::string m_movingKey;
  bool m_stillValid = false;
  bool m_pictureValid = false;
  unsigned m_generation = 0;  // s_generation when the layers were kept
};
