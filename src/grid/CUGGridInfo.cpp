#include "grid/CUGGridInfo.h"

#include "grid/CUGMem.h"
#include "grid/CUGMultiSelect.h"
#include "platform/ui/SystemMetrics.h"

namespace {
constexpr COLORREF kGridLineColor = 0xDCDCDC;
constexpr short kHeadingAlignment = 0x24;
constexpr int kHeadingStyleCode = 0x80;
}  // namespace

CUGGridInfo::CUGGridInfo()
    : m_gridDefaults(std::make_unique<CUGCell>()),
      m_hdgDefaults(std::make_unique<CUGCell>()),
      m_vScrollWidth(GetSystemMetrics(SM_CXVSCROLL)),
      m_hScrollHeight(GetSystemMetrics(SM_CYHSCROLL)),
      m_CUGMem(std::make_unique<CUGMem>()),
      m_multiSelect(std::make_unique<CUGMultiSelect>()),
      m_arrowCursor(LoadStandardCursor(IDC_ARROW)),
      m_WEResizeCursor(LoadStandardCursor(IDC_SIZEWE)),
      m_NSResizeCursor(LoadStandardCursor(IDC_SIZENS)),
      m_defPen(PS_SOLID, 1, kGridLineColor) {
  m_defDataSource = m_CUGMem.get();
  m_hdgDefaults->SetBackColor(GetSysColor(COLOR_BTNFACE));
  m_hdgDefaults->SetBorder(CUGCell::kBorderRaised);
  m_hdgDefaults->SetAlignment(kHeadingAlignment);
  // The style code goes in without touching the mask: the cell keeps the
  // properties it had after clearing.
  const auto mask = m_hdgDefaults->GetPropertyFlags();
  m_hdgDefaults->SetVisualStyleCode(kHeadingStyleCode);
  m_hdgDefaults->SetPropertyFlags(mask);
  m_multiSelect->SetOwner(nullptr, this);
}

CUGGridInfo::~CUGGridInfo() = default;

void CUGGridInfo::SetOwner(CUGCtrl* ctrl) {
  m_CUGMem->m_ctrl = ctrl;
  m_multiSelect->SetOwner(ctrl, this);
}
