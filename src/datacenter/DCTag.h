#pragma once
// One named process value of the data center, built from one line of the tag
// file: its hardware binding, data type, value, limits, pending marks, optional
// averaged history (the CRStack base) and the listener windows told of every
// change by a posted message.
//
// Tags are read and written from the UI thread, both engine cycles and the link
// threads: every field is guarded by the tag's own mutex, getters return copies,
// and messages are posted after the lock is released. Listeners are windows
// referred to by handle; a listener whose window is gone is skipped and dropped.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "datacenter/DCTagTypes.h"
#include "datacenter/RStack.h"
#include "platform/ui/MessageCore.h"

class CDCTag : public CRStack {
 public:
  // What a tag-file line gave.
  enum class ELineResult {
    Parsed,        // a tag (corrected where needed)
    TooFewFields,  // fewer than nine fields: nothing applied, no message
    Cancelled,     // the operator chose Cancel: the process exit was requested
  };

  CDCTag();
  ~CDCTag() override;

  // History push: only "ADV" tags of type VT_I2, VT_I4 or VT_R4 keep a history;
  // any other switches it off after a message. The value becomes the average
  // (TRUE) or, without history, the pushed value itself (FALSE). A pushed value
  // is a reading: the command count stays.
  BOOL Push(const Variant& value) override;

  int GetTagID() const;
  void SetTagID(int id);
  std::string GetTagName() const;
  void SetTagName(const std::string& name);
  std::string GetAccessPath() const;
  void SetAccessPath(const std::string& path);  // "" is stored as "NULL"
  BOOL IsAvailable() const { return TRUE; }
  int GetHWType() const;
  void SetHWType(int hwType);
  int GetIOType() const;
  void SetIOType(int ioType);
  VARTYPE GetDataType() const;
  // Fixes the type; while the value is still empty the value, second value and
  // limits are converted to the zero of the new type.
  void SetDataType(VARTYPE type);
  std::string GetDataExpression() const;
  void SetDataExpression(const std::string& expression);
  float GetPortValuePrecision() const;
  void SetPortValuePrecision(float precision);

  // The tag's tag-file line (every field followed by ","); always TRUE.
  BOOL FormatDCTLine(std::string& line) const;
  // Reads a tag-file line with every check; TRUE when it gave a tag.
  BOOL ParseDCTLine(const std::string& line);
  ELineResult ParseLine(const std::string& line);

  Variant GetValue() const;
  // The value together with the command count it answers to.
  Variant GetValue(std::uint32_t& commandCount) const;
  // An equal value changes nothing; a value of another type than the tag's is
  // refused silently; the first value of an untyped tag fixes its type. A value
  // taken here is a command: it raises the command count. One taken while the
  // data source is None is marked as given with no link running to carry it.
  void SetValue(const Variant& value);
  // A device's reading, under SetValue's rules but leaving the command count,
  // taken only while the count is still `commandsWritten` (the link has written
  // every command): FALSE, the tag unchanged, when a command came since.
  BOOL SetReading(const Variant& value, std::uint32_t commandsWritten);
  // How many values the tag took as commands (wrapping). A link that writes the
  // tag keeps the count it last wrote: a command is told from a reading by its
  // mark, never by its value, which may equal what the tag showed before.
  std::uint32_t GetCommandCount() const;
  // Whether the latest command was given while the data source was None: the
  // link that starts next gives it up and tells so.
  BOOL IsLastCommandGivenWithoutLink() const;
  void ForgetCommandGivenWithoutLink();
  Variant GetSecondValue() const;
  void SetSecondValue(const Variant& value);
  Variant GetMinValue() const;
  void SetMinValue(const Variant& value);
  Variant GetMaxValue() const;
  void SetMaxValue(const Variant& value);

  BOOL IsWritePending() const;
  // Granted only to a writable hardware tag while the data source is the real hardware.
  void SetWritePending(BOOL pending);
  // In one step under the tag's lock: when the command count is still
  // `commandCount` (no newer command came), the write-pending mark goes and the
  // result is TRUE; a newer command keeps its mark.
  BOOL EndWriteOfCommand(std::uint32_t commandCount);
  BOOL IsReadPending() const;
  // Granted only to a readable hardware tag.
  void SetReadPending(BOOL pending);

  std::string GetLinkerInfo() const;
  void SetLinkerInfo(const std::string& info);
  std::string GetLinkerError() const;
  // A new, non-empty error is shown once, then forgotten so it is shown again next time.
  void SetLinkerError(const std::string& error);
  UINT GetNotifyMessage() const;
  void SetNotifyMessage(UINT message);

  BOOL IsEnabled() const;
  int GetLineNumber() const;
  void SetLineNumber(int line);

  // Posts `code` to every live listener once; dead ones are removed. Always TRUE.
  BOOL NotifyListeners(int code);
  // Posts (never sends) the notify message: wParam this tag, lParam the code.
  BOOL PostToListener(int code, HWND listener);
  // Codes 0 to 15 in order, so a newly bound window refreshes everything.
  void ReplayToListener(HWND listener);
  // Appended only when the window exists and is not listed yet.
  void AddListener(HWND listener);
  void RemoveListener(HWND listener);
  BOOL HasListener(HWND listener) const;
  std::size_t GetListenerCount() const;

  // Multi-line diagnostics appended to every message about this tag.
  std::string GetInfoText() const;
  // Disables the tag; a non-empty error is shown with the tag's line and fields.
  void ReportInvalidFormat(const std::string& error);

 private:
  // Returns true when the type changed (the caller posts the code).
  bool SetDataTypeLocked(VARTYPE type);
  // SetValue's rules; a command raises the count. With `commandsWritten`, FALSE
  // (nothing stored) when the count has passed it.
  bool StoreValue(const Variant& value, bool command, const std::uint32_t* commandsWritten, bool withoutLink = false);
  void SetLimitLike(Variant CDCTag::*field, const Variant& value, int code);
  template <typename T>
  void SetPlainField(T CDCTag::*field, const T& value, int code);

  mutable std::mutex m_mutex;
  bool m_enabled = true;
  int m_tagID = -1;
  int m_lineNumber = 0;
  std::string m_tagName;
  int m_hwType = eHWNull;
  std::string m_accessPath = "NULL";
  int m_ioType = eIONull;
  VARTYPE m_dataType = VT_EMPTY;
  std::string m_dataExpression = "NULL";
  float m_portValuePrecision = 0.0f;
  Variant m_value;
  std::uint32_t m_commandCount = 0;
  bool m_lastCommandWithoutLink = false;
  Variant m_secondValue;
  Variant m_minValue;
  Variant m_maxValue;
  bool m_writePending = false;
  bool m_readPending = false;
  std::string m_linkerInfo;
  std::string m_linkerError;
  UINT m_notifyMessage = DCTAG_NOTIFY_MESSAGE;
  std::vector<HWND> m_listeners;
};
