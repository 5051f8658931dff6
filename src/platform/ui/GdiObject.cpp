#include "platform/ui/GdiObject.h"

#include <mutex>
#include <unordered_map>

#include "platform/ui/CFont.h"
#include "platform/ui/ColorRef.h"

namespace {

struct Entry {
  std::weak_ptr<GdiObjectData> data;
  std::shared_ptr<GdiObjectData> keptByHandle;  // set after Detach and for stock objects
};

// Made on first use and never destroyed: objects built during static
// initialisation or destroyed at exit may still need it.
std::mutex& TableMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::unordered_map<std::uintptr_t, Entry>& Table() {
  static auto* table = new std::unordered_map<std::uintptr_t, Entry>();  // outlives static destructors
  return *table;
}
std::uintptr_t g_nextGdiHandle = 0x20000;

std::uintptr_t Key(HGDIOBJ h) { return reinterpret_cast<std::uintptr_t>(h); }

std::shared_ptr<GdiObjectData> MakeStock(int index) {
  auto solidBrush = [](COLORREF c) {
    auto b = std::make_shared<BrushData>();
    b->log.lbStyle = BS_SOLID;
    b->log.lbColor = c;
    return std::shared_ptr<GdiObjectData>(b);
  };
  auto pen = [](int style, COLORREF c) {
    auto p = std::make_shared<PenData>();
    p->log.lopnStyle = static_cast<UINT>(style);
    p->log.lopnColor = c;
    return std::shared_ptr<GdiObjectData>(p);
  };
  auto font = [](LONG height, LONG weight, const char* face, BYTE pitch) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfFaceName = face;
    lf.lfPitchAndFamily = pitch;
    auto f = std::make_shared<FontData>();
    f->log = lf;
    return std::shared_ptr<GdiObjectData>(f);
  };
  switch (index) {
    case WHITE_BRUSH: return solidBrush(RGB(255, 255, 255));
    case LTGRAY_BRUSH: return solidBrush(RGB(192, 192, 192));
    case GRAY_BRUSH: return solidBrush(RGB(128, 128, 128));
    case DKGRAY_BRUSH: return solidBrush(RGB(64, 64, 64));
    case BLACK_BRUSH: return solidBrush(RGB(0, 0, 0));
    case NULL_BRUSH: {
      auto b = std::make_shared<BrushData>();
      b->log.lbStyle = BS_NULL;
      return b;
    }
    case WHITE_PEN: return pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN: return pen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN: return pen(PS_NULL, 0);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: return font(-13, FW_NORMAL, "Courier New", FIXED_PITCH | FF_MODERN);
    case ANSI_VAR_FONT: return font(-11, FW_NORMAL, "MS Sans Serif", VARIABLE_PITCH | FF_SWISS);
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: return font(16, FW_BOLD, "System", VARIABLE_PITCH | FF_SWISS);
    case DEFAULT_GUI_FONT: return font(-11, FW_NORMAL, "MS Shell Dlg", VARIABLE_PITCH | FF_SWISS);
    default: return nullptr;
  }
}

}  // namespace

GdiObjectData::GdiObjectData(GdiKind k) : kind(k) {}

const QFont& FontData::Resolved() const {
  std::call_once(m_once, [this] { m_font = CFont::ResolveLogFont(log); });
  return m_font;
}

GdiObjectData::~GdiObjectData() {
  if (!handle) return;
  std::lock_guard<std::mutex> lock(TableMutex());
  auto it = Table().find(Key(handle));
  if (it != Table().end() && it->second.data.expired()) Table().erase(it);
}

HGDIOBJ RegisterGdiObject(const std::shared_ptr<GdiObjectData>& data) {
  if (!data) return nullptr;
  std::lock_guard<std::mutex> lock(TableMutex());
  std::uintptr_t key = g_nextGdiHandle;
  g_nextGdiHandle += 4;
  data->handle = reinterpret_cast<HGDIOBJ>(key);
  Table()[key].data = data;
  return data->handle;
}

std::shared_ptr<GdiObjectData> LookupGdiObject(HGDIOBJ handle) {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> lock(TableMutex());
  auto it = Table().find(Key(handle));
  if (it == Table().end()) return nullptr;
  return it->second.data.lock();
}

BOOL DeleteObject(HGDIOBJ handle) {
  std::shared_ptr<GdiObjectData> released;  // destroyed outside the lock
  {
    std::lock_guard<std::mutex> lock(TableMutex());
    auto it = Table().find(Key(handle));
    if (it == Table().end()) return FALSE;
    auto data = it->second.data.lock();
    if (data && data->stock) return TRUE;
    released = std::move(it->second.keptByHandle);
  }
  return TRUE;
}

HGDIOBJ GetStockObject(int index) {
  static std::mutex& stockMutex = *new std::mutex();
  static std::unordered_map<int, std::shared_ptr<GdiObjectData>>* stock =
      new std::unordered_map<int, std::shared_ptr<GdiObjectData>>();
  std::lock_guard<std::mutex> lock(stockMutex);
  auto it = stock->find(index);
  if (it != stock->end()) return it->second->handle;
  auto data = MakeStock(index);
  if (!data) return nullptr;
  data->stock = true;
  RegisterGdiObject(data);
  {
    std::lock_guard<std::mutex> tableLock(TableMutex());
    Table()[Key(data->handle)].keptByHandle = data;
  }
  (*stock)[index] = data;
  return data->handle;
}

CGdiObject::~CGdiObject() = default;

BOOL CGdiObject::DeleteObject() {
  if (!m_data) return FALSE;
  m_data.reset();
  return TRUE;
}

BOOL CGdiObject::Attach(HGDIOBJ handle) {
  auto data = LookupGdiObject(handle);
  if (!data) return FALSE;
  m_data = std::move(data);
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  if (!m_data) return nullptr;
  HGDIOBJ handle = m_data->handle;
  {
    std::lock_guard<std::mutex> lock(TableMutex());
    Table()[Key(handle)].keptByHandle = m_data;
  }
  m_data.reset();
  return handle;
}

BOOL CGdiObject::CreateStockObject(int index) { return Attach(GetStockObject(index)); }

void CGdiObject::SetData(std::shared_ptr<GdiObjectData> data) {
  if (data && !data->handle) RegisterGdiObject(data);
  m_data = std::move(data);
}
