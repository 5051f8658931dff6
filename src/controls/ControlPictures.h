#pragma once
// The controls library's own pictures: the signal lamp's icons (off, on,
// inactive) and the hand cursor. Registered once, before the first control
// loads one of them.
#include <QImage>

#include "platform/base/WinTypes.h"

constexpr UINT IDI_LAMP_OFF = 3030;
constexpr UINT IDI_LAMP_ON = 3031;
constexpr UINT IDI_LAMP_INACTIVE = 3032;
constexpr UINT IDC_HAND_POINTER = 4061;

void EnsureControlPictures();

// A 32-bit copy of `image` with every pixel of the colour `transparent` made
// transparent: how bitmaps with a mask colour become images with a mask.
QImage MaskedByColor(const QImage& image, COLORREF transparent);
