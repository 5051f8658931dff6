#include "platform/ui/CToolBar.h"

#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QToolBar>
#include <map>
#include <mutex>

#include "platform/ui/CWnd.h"
#include "platform/ui/ResourceRegistry.h"
#include "platform/ui/WinMessages.h"

namespace {

// Made on first use and never destroyed: objects built during static
// initialisation or destroyed at exit may still need it.
std::mutex& ToolBarMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::map<UINT, ToolBarResource>& ToolBarResources() {
  static auto* resources = new std::map<UINT, ToolBarResource>();
  return *resources;
}

}  // namespace

void RegisterToolBarResource(UINT id, ToolBarResource resource) {
  std::lock_guard<std::mutex> lock(ToolBarMutex());
  ToolBarResources()[id] = std::move(resource);
}

void ClearToolBarResources() {
  std::lock_guard<std::mutex> lock(ToolBarMutex());
  ToolBarResources().clear();
}

CToolBar::CToolBar() = default;

CToolBar::~CToolBar() {
  if (m_bar) m_bar->deleteLater();
}

BOOL CToolBar::CreateEx(CWnd* frame, DWORD toolBarStyle, DWORD style, UINT id) {
  if (!frame || !frame->GetWidget()) return FALSE;
  return CreateEx(frame->GetWidget(), frame->GetSafeHwnd(), toolBarStyle, style, id);
}

BOOL CToolBar::CreateEx(QWidget* parent, HWND owner, DWORD, DWORD style, UINT id) {
  if (!parent || m_bar) return FALSE;
  m_owner = owner;
  m_id = id;
  m_bar = new QToolBar(parent);
  m_bar->setObjectName(QStringLiteral("ToolBar%1").arg(id));
  m_bar->setMovable(true);
  if (auto* window = qobject_cast<QMainWindow*>(parent)) {
    Qt::ToolBarArea area = Qt::TopToolBarArea;
    if (style & CBRS_ALIGN_BOTTOM && !(style & CBRS_ALIGN_TOP)) area = Qt::BottomToolBarArea;
    window->addToolBar(area, m_bar);
  }
  return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT resourceId) {
  ToolBarResource resource;
  {
    std::lock_guard<std::mutex> lock(ToolBarMutex());
    auto it = ToolBarResources().find(resourceId);
    if (it == ToolBarResources().end()) return FALSE;
    resource = it->second;
  }
  if (!m_bar) return FALSE;
  m_buttonWidth = std::max(1, resource.buttonWidth);
  m_buttonHeight = std::max(1, resource.buttonHeight);
  m_strip = resource.bitmapId ? FindBitmapResource(resource.bitmapId) : QImage();
  m_bar->setIconSize(QSize(m_buttonWidth, m_buttonHeight));
  return SetButtons(resource.commands);
}

BOOL CToolBar::SetButtons(const std::vector<UINT>& commands) {
  if (!m_bar) return FALSE;
  m_commands = commands;
  Rebuild();
  return TRUE;
}

void CToolBar::Rebuild() {
  m_bar->clear();
  int picture = 0;  // separators take no picture from the strip
  for (UINT id : m_commands) {
    if (id == 0) {
      m_bar->addSeparator();
      continue;
    }
    QAction* action = m_bar->addAction(QString());
    action->setData(static_cast<uint>(id));
    QRect slice(picture * m_buttonWidth, 0, m_buttonWidth, m_buttonHeight);
    if (!m_strip.isNull() && m_strip.rect().contains(slice)) {
      action->setIcon(QIcon(QPixmap::fromImage(m_strip.copy(slice))));
    } else {
      action->setText(QString::number(id));
    }
    ++picture;
    HWND owner = m_owner;
    QObject::connect(action, &QAction::triggered, action,
                     [owner, id] { PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<int>(id), 0), 0); });
  }
}

void CToolBar::EnableDocking(DWORD alignment) {
  if (!m_bar) return;
  Qt::ToolBarAreas areas;
  if (alignment & CBRS_ALIGN_LEFT) areas |= Qt::LeftToolBarArea;
  if (alignment & CBRS_ALIGN_TOP) areas |= Qt::TopToolBarArea;
  if (alignment & CBRS_ALIGN_RIGHT) areas |= Qt::RightToolBarArea;
  if (alignment & CBRS_ALIGN_BOTTOM) areas |= Qt::BottomToolBarArea;
  m_bar->setAllowedAreas(areas == Qt::ToolBarAreas() ? Qt::TopToolBarArea : areas);
  m_bar->setMovable(areas != Qt::ToolBarAreas());
}

void CToolBar::ShowWindow(bool show) {
  if (m_bar) m_bar->setVisible(show);
}

bool CToolBar::IsWindowVisible() const { return m_bar && m_bar->isVisible(); }

UINT CToolBar::GetItemID(int index) const {
  if (index < 0 || index >= GetCount()) return 0;
  return m_commands[static_cast<size_t>(index)];
}

int CToolBar::CommandToIndex(UINT id) const {
  for (size_t i = 0; i < m_commands.size(); ++i) {
    if (id != 0 && m_commands[i] == id) return static_cast<int>(i);
  }
  return -1;
}

QAction* CToolBar::ActionFor(UINT id) const {
  if (!m_bar || id == 0) return nullptr;
  for (QAction* action : m_bar->actions()) {
    if (!action->isSeparator() && action->data().toUInt() == id) return action;
  }
  return nullptr;
}

bool CToolBar::IsButtonEnabled(UINT id) const {
  QAction* action = ActionFor(id);
  return action && action->isEnabled();
}

bool CToolBar::IsButtonChecked(UINT id) const {
  QAction* action = ActionFor(id);
  return action && action->isChecked();
}

void CToolBar::UpdateButtons() {
  if (!m_bar) return;
  CWnd* window = IsUiThread() ? CWnd::FromHandle(m_owner) : nullptr;
  for (UINT id : m_commands) {
    QAction* action = ActionFor(id);
    if (!action) continue;
    // The fields start as the button's state and are applied back afterwards.
    CCmdUI ui(id);
    ui.m_enabled = action->isEnabled();
    ui.m_check = action->isChecked() ? 1 : 0;
    if (m_update) {
      m_update(ui);
    } else if (window) {
      window->OnUpdateCmdUI(&ui);
    }
    action->setEnabled(ui.m_enabled);
    if (ui.m_check || action->isCheckable()) {
      action->setCheckable(true);
      action->setChecked(ui.m_check != 0);
    }
  }
}

BOOL CToolBar::PressButton(UINT id) {
  QAction* action = ActionFor(id);
  if (!action || !action->isEnabled()) return FALSE;
  action->trigger();
  return TRUE;
}
