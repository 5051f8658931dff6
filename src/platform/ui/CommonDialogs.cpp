#include "platform/ui/CommonDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QWidget>
#include <deque>
#include <vector>

#include "platform/ui/ColorRef.h"

namespace common_dialog_script {
namespace {
std::deque<Script>& Queue() {
  static std::deque<Script> queue;
  return queue;
}
std::vector<Request>& SeenList() {
  static std::vector<Request> seen;
  return seen;
}
}  // namespace

void Push(Script script) { Queue().push_back(std::move(script)); }
void Clear() {
  Queue().clear();
  SeenList().clear();
}
int Pending() { return static_cast<int>(Queue().size()); }
const std::vector<Request>& Seen() { return SeenList(); }

// The scripted answer when a script is queued.
std::optional<Answer> Scripted(const Request& request) {
  if (Queue().empty()) return std::nullopt;
  Script script = std::move(Queue().front());
  Queue().pop_front();
  SeenList().push_back(request);
  return script(request);
}

}  // namespace common_dialog_script

using common_dialog_script::Kind;

namespace {
QWidget* OwnerWidget(CWnd* parent) { return parent && parent->GetWidget() ? parent->GetWidget()->window() : nullptr; }
}  // namespace

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) : m_parent(parent) {
  m_cc.Flags = flags | CC_RGBINIT;
  m_cc.rgbResult = initial;
}

int CColorDialog::DoModal() {
  common_dialog_script::Request request{Kind::Color, "", "", "", m_cc.rgbResult, m_cc.Flags};
  if (auto answer = common_dialog_script::Scripted(request)) {
    if (!answer->accepted) return IDCANCEL;
    m_cc.rgbResult = answer->color & 0xFFFFFF;
    return IDOK;
  }
  QColorDialog dialog(ColorRefToQColor(m_cc.rgbResult), OwnerWidget(m_parent));
  if (m_cc.lpCustColors) {
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ColorRefToQColor(m_cc.lpCustColors[i]));
  }
  // The full dialog always shows the custom part; CC_FULLOPEN asks for just that.
  dialog.setOption(QColorDialog::DontUseNativeDialog, true);
  if (dialog.exec() != QDialog::Accepted) return IDCANCEL;
  m_cc.rgbResult = QColorToColorRef(dialog.selectedColor());
  if (m_cc.lpCustColors) {
    for (int i = 0; i < 16; ++i) m_cc.lpCustColors[i] = QColorToColorRef(QColorDialog::customColor(i));
  }
  return IDOK;
}

std::string QtFilterFromPlatformFilter(const std::string& filter) {
  // "Name|pattern|Name|pattern||" -> "Name (pattern);;Name (pattern)"
  std::vector<std::string> parts;
  std::string current;
  for (char c : filter) {
    if (c == '|') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  std::string result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty()) break;
    std::string patterns = parts[i + 1];
    for (char& c : patterns)
      if (c == ';') c = ' ';
    if (!result.empty()) result += ";;";
    const bool named = parts[i].find('(') != std::string::npos;
    result += named ? parts[i].substr(0, parts[i].find('(')) + "(" + patterns + ")" : parts[i] + " (" + patterns + ")";
  }
  return result;
}

CFileDialog::CFileDialog(BOOL openFileDialog, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                         const std::string& filter, CWnd* parent)
    : m_open(openFileDialog != FALSE), m_defaultExt(defaultExt), m_path(fileName), m_filter(filter), m_parent(parent) {
  m_ofn.Flags = flags;
}

int CFileDialog::DoModal() {
  common_dialog_script::Request request{m_open ? Kind::FileOpen : Kind::FileSave, m_ofn.lpstrTitle, m_path, m_filter, 0,
                                        m_ofn.Flags};
  if (auto answer = common_dialog_script::Scripted(request)) {
    if (!answer->accepted) return IDCANCEL;
    m_path = answer->path;
    return IDOK;
  }
  QFileDialog dialog(OwnerWidget(m_parent), QString::fromStdString(m_ofn.lpstrTitle), QString(),
                     QString::fromStdString(QtFilterFromPlatformFilter(m_filter)));
  dialog.setAcceptMode(m_open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(m_open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!m_path.empty()) dialog.selectFile(QString::fromStdString(m_path));
  if (!m_defaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(m_defaultExt));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(m_ofn.Flags & OFN_OVERWRITEPROMPT));
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
  m_path = dialog.selectedFiles().front().toStdString();
  return IDOK;
}

std::string CFileDialog::GetFileName() const {
  const std::size_t slash = m_path.find_last_of("/\\");
  return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

std::string CFileDialog::GetFileExt() const {
  const std::string name = GetFileName();
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::optional<std::string> BrowseForFolder(CWnd* parent, const std::string& title) {
  common_dialog_script::Request request{Kind::Folder, title, "", "", 0, 0};
  if (auto answer = common_dialog_script::Scripted(request)) {
    if (!answer->accepted) return std::nullopt;
    return answer->path;
  }
  const QString folder = QFileDialog::getExistingDirectory(OwnerWidget(parent), QString::fromStdString(title));
  if (folder.isEmpty()) return std::nullopt;
  return folder.toStdString();
}
