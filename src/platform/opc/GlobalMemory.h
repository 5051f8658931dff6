#pragma once
// Movable global memory blocks by handle (HGLOBAL), as the data-object medium uses.
// A handle is an opaque number; a freed or unknown handle is refused, never used.
#include <cstddef>
#include <cstdint>

#include "platform/opc/ComBase.h"

struct HGLOBAL__;
using HGLOBAL = HGLOBAL__*;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;

// A new zeroed block of `bytes` bytes, or null.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Null when freed; the handle back when it is unknown (as the platform reports a failure).
HGLOBAL GlobalFree(HGLOBAL handle);
// The block's bytes, or null for an unknown handle. Valid until the block is freed or resized.
void* GlobalLock(HGLOBAL handle);
BOOL GlobalUnlock(HGLOBAL handle);
// The block's size in bytes (0 for an unknown handle).
std::size_t GlobalSize(HGLOBAL handle);
// Changes the block's size keeping its bytes (new bytes zeroed); null on failure.
HGLOBAL GlobalReAlloc(HGLOBAL handle, std::size_t bytes, UINT flags);
