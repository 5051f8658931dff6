#pragma once
// The common dialogs: colour (an initial colour, the custom part open with
// CC_FULLOPEN), file open and save, and folder choice. Each runs Qt's dialog
// modally; tests answer them through the queued scripts below instead.
#include <functional>
#include <optional>
#include <string>

#include "platform/ui/CWnd.h"

constexpr DWORD CC_RGBINIT = 0x1;
constexpr DWORD CC_FULLOPEN = 0x2;
constexpr DWORD CC_ANYCOLOR = 0x100;
constexpr DWORD OFN_READONLY = 0x1;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_PATHMUSTEXIST = 0x800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;

struct CHOOSECOLOR {
  DWORD Flags = 0;
  COLORREF rgbResult = 0;
  COLORREF* lpCustColors = nullptr;  // 16 custom colours, kept across calls when given
};

class CColorDialog {
 public:
  explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
  int DoModal();
  COLORREF GetColor() const { return m_cc.rgbResult; }
  void SetCurrentColor(COLORREF color) { m_cc.rgbResult = color; }
  CHOOSECOLOR m_cc;

 private:
  CWnd* m_parent;
};

struct OPENFILENAME {
  DWORD Flags = 0;
  std::string lpstrTitle;
};

class CFileDialog {
 public:
  // `filter` in the platform's form: "All files (*.*)|*.*||".
  CFileDialog(BOOL openFileDialog, const std::string& defaultExt = "", const std::string& fileName = "",
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const std::string& filter = "",
              CWnd* parent = nullptr);
  int DoModal();
  std::string GetPathName() const { return m_path; }
  std::string GetFileName() const;
  std::string GetFileExt() const;
  OPENFILENAME m_ofn;

 private:
  bool m_open;
  std::string m_defaultExt;
  std::string m_path;
  std::string m_filter;
  CWnd* m_parent;
};

// A folder chosen by the user (file-system folders only), or nothing when cancelled.
std::optional<std::string> BrowseForFolder(CWnd* parent, const std::string& title);

// Qt's filter text for a filter in the platform's form.
std::string QtFilterFromPlatformFilter(const std::string& filter);

namespace common_dialog_script {

enum class Kind { Color, FileOpen, FileSave, Folder };
struct Request {
  Kind kind;
  std::string title;
  std::string initialPath;
  std::string filter;
  COLORREF initialColor = 0;
  DWORD flags = 0;
};
struct Answer {
  bool accepted = false;
  std::string path;
  COLORREF color = 0;
};
using Script = std::function<Answer(const Request&)>;
void Push(Script script);
void Clear();
int Pending();
// Every request answered so far through a script, oldest first.
const std::vector<Request>& Seen();

}  // namespace common_dialog_script
