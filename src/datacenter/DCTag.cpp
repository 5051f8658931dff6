#include "datacenter/DCTag.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>

#include "common/CommonUtils.h"
#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/EngineServices.h"
#include "datacenter/RAttrib.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

namespace {

// A history smooths an input over its recent samples; a thousand is far more than
// smoothing needs, so a larger size is a slip of the keyboard (honouring a run of
// digits would take the memory of the whole machine).
constexpr int kMaxHistorySize = 1000;

// The OLE comparison: both null, or the same type and equal.
bool SameValue(const Variant& stored, const Variant& incoming) {
  if (stored.vt == VT_NULL && incoming.vt == VT_NULL) return true;
  if (stored.vt != incoming.vt) return false;
  if (stored.IsArray()) return stored == incoming;
  bool comparable = false;
  const int order = VariantCompare(stored, incoming, &comparable);
  return comparable && order == 0;
}

// A stored date is compared by its date number alone, whatever type the new value claims.
bool SameTagValue(const Variant& stored, const Variant& incoming) {
  if (stored.vt == VT_DATE) return stored.date == incoming.date;
  return SameValue(stored, incoming);
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(ruv::Trim(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

std::string LimitText(const Variant& value) { return value.IsEmpty() ? std::string("0") : VariantToText(value); }

}  // namespace

CDCTag::CDCTag() = default;
CDCTag::~CDCTag() = default;

template <typename T>
void CDCTag::SetPlainField(T CDCTag::*field, const T& value, int code) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (this->*field == value) return;
    this->*field = value;
  }
  NotifyListeners(code);
}

void CDCTag::SetLimitLike(Variant CDCTag::*field, const Variant& value, int code) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (SameValue(this->*field, value)) return;
    this->*field = value;
  }
  NotifyListeners(code);
}

int CDCTag::GetTagID() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tagID;
}
void CDCTag::SetTagID(int id) { SetPlainField(&CDCTag::m_tagID, id, eTagChangeTagID); }

std::string CDCTag::GetTagName() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tagName;
}
void CDCTag::SetTagName(const std::string& name) { SetPlainField(&CDCTag::m_tagName, name, eTagChangeTagName); }

std::string CDCTag::GetAccessPath() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_accessPath;
}
void CDCTag::SetAccessPath(const std::string& path) {
  SetPlainField(&CDCTag::m_accessPath, path.empty() ? std::string("NULL") : path, eTagChangeAccessPath);
}

int CDCTag::GetHWType() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_hwType;
}
void CDCTag::SetHWType(int hwType) { SetPlainField(&CDCTag::m_hwType, hwType, eTagChangeHWType); }

int CDCTag::GetIOType() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_ioType;
}
void CDCTag::SetIOType(int ioType) { SetPlainField(&CDCTag::m_ioType, ioType, eTagChangeIOType); }

VARTYPE CDCTag::GetDataType() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dataType;
}

bool CDCTag::SetDataTypeLocked(VARTYPE type) {
  if (type == m_dataType) return false;
  m_dataType = type;
  if (m_value.vt == VT_EMPTY) {
    for (Variant* field : {&m_value, &m_secondValue, &m_minValue, &m_maxValue}) {
      Variant converted;
      if (SUCCEEDED(VariantChangeType(converted, *field, type))) *field = std::move(converted);
    }
  }
  return true;
}

void CDCTag::SetDataType(VARTYPE type) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!SetDataTypeLocked(type)) return;
  }
  NotifyListeners(eTagChangeDataType);
}

std::string CDCTag::GetDataExpression() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dataExpression;
}
void CDCTag::SetDataExpression(const std::string& expression) {
  SetPlainField(&CDCTag::m_dataExpression, expression, eTagChangeDataExpression);
}

float CDCTag::GetPortValuePrecision() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_portValuePrecision;
}
void CDCTag::SetPortValuePrecision(float precision) {
  SetPlainField(&CDCTag::m_portValuePrecision, precision, eTagChangePortValuePrecision);
}

Variant CDCTag::GetValue() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_value;
}

Variant CDCTag::GetValue(std::uint32_t& commandCount) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  commandCount = m_commandCount;
  return m_value;
}

void CDCTag::SetValue(const Variant& value) {
  // Asked before the tag's lock: the engine root never waits on a tag.
  const bool withoutLink = GetEngine()->GetDataSourceType() == eDataSourceNone;
  StoreValue(value, true, nullptr, withoutLink);
}

BOOL CDCTag::SetReading(const Variant& value, std::uint32_t commandsWritten) {
  return StoreValue(value, false, &commandsWritten) ? TRUE : FALSE;
}

std::uint32_t CDCTag::GetCommandCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_commandCount;
}

BOOL CDCTag::IsLastCommandGivenWithoutLink() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastCommandWithoutLink ? TRUE : FALSE;
}

void CDCTag::ForgetCommandGivenWithoutLink() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lastCommandWithoutLink = false;
}

bool CDCTag::StoreValue(const Variant& value, bool command, const std::uint32_t* commandsWritten, bool withoutLink) {
  bool typeChanged = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Checked with the value under one lock: a command given on another thread
    // between a check and the store would be overwritten by the reading.
    if (commandsWritten && *commandsWritten != m_commandCount) return false;
    if (SameTagValue(m_value, value)) return true;
    if (m_dataType == VT_EMPTY) {
      typeChanged = SetDataTypeLocked(value.vt);
      if (value.vt == VT_EMPTY) return true;
    } else if (m_dataType != value.vt) {
      return true;
    }
    m_value = value;
    if (command) {
      ++m_commandCount;
      m_lastCommandWithoutLink = withoutLink;
    }
  }
  if (typeChanged) NotifyListeners(eTagChangeDataType);
  NotifyListeners(eTagChangeValue);
  return true;
}

Variant CDCTag::GetSecondValue() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_secondValue;
}
void CDCTag::SetSecondValue(const Variant& value) { SetLimitLike(&CDCTag::m_secondValue, value, eTagChangeSecondValue); }

Variant CDCTag::GetMinValue() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_minValue;
}
void CDCTag::SetMinValue(const Variant& value) { SetLimitLike(&CDCTag::m_minValue, value, eTagChangeMinValue); }

Variant CDCTag::GetMaxValue() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_maxValue;
}
void CDCTag::SetMaxValue(const Variant& value) { SetLimitLike(&CDCTag::m_maxValue, value, eTagChangeMaxValue); }

BOOL CDCTag::IsWritePending() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_writePending ? TRUE : FALSE;
}

void CDCTag::SetWritePending(BOOL pending) {
  // Asked before the tag's lock: the engine root never waits on a tag.
  const bool realHardware = GetEngine()->IsRealHardware();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool granted = pending && m_hwType != eHWNull && (m_ioType & eIOOutput) != 0 && realHardware;
    if (granted == m_writePending) return;
    m_writePending = granted;
  }
  NotifyListeners(eTagChangeWritePending);
}

BOOL CDCTag::EndWriteOfCommand(std::uint32_t commandCount) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_commandCount != commandCount) return FALSE;
    if (!m_writePending) return TRUE;
    m_writePending = false;
  }
  NotifyListeners(eTagChangeWritePending);
  return TRUE;
}

BOOL CDCTag::IsReadPending() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_readPending ? TRUE : FALSE;
}

void CDCTag::SetReadPending(BOOL pending) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool granted = pending && m_hwType != eHWNull && (m_ioType & eIOInput) != 0;
    if (granted == m_readPending) return;
    m_readPending = granted;
  }
  NotifyListeners(eTagChangeReadPending);
}

std::string CDCTag::GetLinkerInfo() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_linkerInfo;
}
void CDCTag::SetLinkerInfo(const std::string& info) { SetPlainField(&CDCTag::m_linkerInfo, info, eTagChangeLinkerInfo); }

std::string CDCTag::GetLinkerError() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_linkerError;
}

void CDCTag::SetLinkerError(const std::string& error) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (error == m_linkerError) return;
    m_linkerError = error;
    if (error.empty()) return;
  }
  ShowMessageBox(ruv::Format("Hardware Linker Engine Error: %s\n", error.c_str()) + GetInfoText(), "", kConfigReportStyle);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_linkerError.clear();
}

UINT CDCTag::GetNotifyMessage() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_notifyMessage;
}

void CDCTag::SetNotifyMessage(UINT message) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_notifyMessage = message;
}

BOOL CDCTag::IsEnabled() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_enabled ? TRUE : FALSE;
}

int CDCTag::GetLineNumber() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lineNumber;
}

void CDCTag::SetLineNumber(int line) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lineNumber = line;
}

BOOL CDCTag::NotifyListeners(int code) {
  std::vector<HWND> listeners;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_listeners.empty()) return TRUE;
    listeners = m_listeners;
  }
  std::vector<HWND> dead;
  for (HWND listener : listeners) {
    if (IsWindow(listener)) {
      PostToListener(code, listener);
    } else {
      dead.push_back(listener);
    }
  }
  if (!dead.empty()) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_listeners, [&](HWND h) { return std::find(dead.begin(), dead.end(), h) != dead.end(); });
  }
  return TRUE;
}

BOOL CDCTag::PostToListener(int code, HWND listener) {
  PostMessage(listener, GetNotifyMessage(), reinterpret_cast<WPARAM>(this), static_cast<LPARAM>(code));
  return TRUE;
}

void CDCTag::ReplayToListener(HWND listener) {
  for (int code = eTagChangeTagID; code <= eTagChangeReplayEnd; ++code) PostToListener(code, listener);
}

void CDCTag::AddListener(HWND listener) {
  if (!IsWindow(listener)) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end()) return;
  m_listeners.push_back(listener);
}

void CDCTag::RemoveListener(HWND listener) {
  if (!listener) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  std::erase(m_listeners, listener);
}

BOOL CDCTag::HasListener(HWND listener) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end() ? TRUE : FALSE;
}

std::size_t CDCTag::GetListenerCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_listeners.size();
}

std::string CDCTag::GetInfoText() const {
  const int historySize = GetSize();
  std::lock_guard<std::mutex> lock(m_mutex);
  std::string text = "\n--- DataCenter Tag ----\n";
  text += "--- DCT-File Info ----\n";
  text += ruv::Format("LineNumberInDCTFile: %d\n", m_lineNumber);
  text += ruv::Format("TagID: %u\n", static_cast<unsigned>(m_tagID));
  text += "TagName: " + m_tagName + "\n";
  text += "eHWType: " + HWTypeToText(m_hwType) + "\n";
  text += "AccessPath: " + m_accessPath + "\n";
  text += "eIOType: " + IOTypeToText(m_ioType) + "\n";
  text += "eDataType (ChangeAble): " + VarTypeToText(m_dataType) + "\n";
  text += "DataExpression: " + m_dataExpression + "\n";
  text += ruv::Format("DataStackSize: %d\n", historySize);
  text += ruv::Format("PortValuePrecision: %g\n", static_cast<double>(m_portValuePrecision));
  text += "\n--- Runtime Info ----\n";
  text += ruv::Format("TagData: %s\n", m_value.IsEmpty() ? "NULL" : VariantToText(m_value).c_str());
  if (!m_minValue.IsEmpty() || !m_maxValue.IsEmpty()) {
    text += ruv::Format("MinTag: %s,  ", LimitText(m_minValue).c_str());
    text += ruv::Format("MaxTag: %s\n", LimitText(m_maxValue).c_str());
  }
  text += ruv::Format("WritePending: %d\n", m_writePending ? 1 : 0);
  text += ruv::Format("ReadPending: %d\n", m_readPending ? 1 : 0);
  // The whole address: a 32-bit cut would name another object.
  text += ruv::Format("Pointer: %#" PRIxPTR "\n", reinterpret_cast<std::uintptr_t>(this));
  return text;
}

void CDCTag::ReportInvalidFormat(const std::string& error) {
  int lineNumber;
  std::string name, path;
  int ioType;
  VARTYPE dataType;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_enabled = false;
    if (error.empty()) return;
    lineNumber = m_lineNumber;
    name = m_tagName;
    path = m_accessPath;
    ioType = m_ioType;
    dataType = m_dataType;
  }
  ShowMessageBox(ruv::Format("Invalid Tag format in DataCenter file:\n\n- Line Number: %d\n- TagName: %s\n- AccessPath: "
                             "%s\n- IOType: %s\n- DataType: %s\n\nErrorMsg: %s",
                             lineNumber, name.c_str(), path.c_str(), IOTypeToText(ioType).c_str(),
                             VarTypeToText(dataType).c_str(), error.c_str()),
                 "", kConfigReportStyle);
}

BOOL CDCTag::Push(const Variant& value) {
  auto refuse = [this](const char* because) {
    std::string text = "DataStack is not available for the following DCTag!\n";
    text += because;
    text += "Please update DCT file.\n\n";
    text += GetInfoText();
    ShowMessageBox(text, "", kConfigReportStyle);
    SetSize(0);
  };
  if (GetHWType() != eHWAdv) refuse("Because its HWTaype is not supported by DCTag.\n");
  if (!IsStackableType(value.vt)) refuse("Because its DataType is not supported by CRStack.\n");
  // Only readings are pushed: they are no commands.
  if (CRStack::Push(value)) {
    StoreValue(Average(), false, nullptr);
    return TRUE;
  }
  StoreValue(value, false, nullptr);
  return FALSE;
}

BOOL CDCTag::FormatDCTLine(std::string& line) const {
  const int historySize = GetSize();
  std::lock_guard<std::mutex> lock(m_mutex);
  line.clear();
  for (const std::string& field :
       {std::string("1"), m_tagName, HWTypeToText(m_hwType), m_accessPath, IOTypeToText(m_ioType),
        VarTypeToText(m_dataType), m_dataExpression, ruv::Format("%d", historySize),
        ruv::Format("%g", static_cast<double>(m_portValuePrecision))}) {
    line += field;
    line += ",";
  }
  return TRUE;
}

BOOL CDCTag::ParseDCTLine(const std::string& line) { return ParseLine(line) == ELineResult::Parsed ? TRUE : FALSE; }

CDCTag::ELineResult CDCTag::ParseLine(const std::string& line) {
  if (line.empty()) return ELineResult::TooFewFields;
  const std::vector<std::string> fields = SplitFields(line);
  if (fields.size() < 9) return ELineResult::TooFewFields;

  // Stage one: the words are applied as they are read.
  std::string hwError, ioError, typeError, expressionError;
  SetTagName(fields[1]);
  SetHWType(TextToHWType(fields[2], hwError));
  SetAccessPath(fields[3]);
  SetIOType(TextToIOType(fields[4], ioError));
  const VARTYPE dataType = TextToVarType(fields[5], typeError);
  SetDataType(dataType);
  const int hwType = GetHWType();

  std::string expression = fields[6];
  if (expression == "Negative") {
    // Only the Advantech link inverts a bit between the card and the value.
    if (hwType != eHWAdv) {
      expressionError = ruv::Format(
          " - The '%s' DataExpression in DCT is NOT supported for '%s' items.\n -> Please note that DCTagTransform "
          "for Attribs may handle your need.",
          expression.c_str(), HWTypeToText(hwType).c_str());
    }
    if (dataType != VT_BOOL) {
      expressionError = ruv::Format(" - The '%s' DataExpression in DCT is NOT supported for '%s' Tags.",
                                    expression.c_str(), VarTypeToText(dataType).c_str());
    }
    if (!expressionError.empty()) expression = "NULL";
  } else if (expression != "NULL") {
    expressionError = ruv::Format(" - Unrecognized DataExpression: '%s' ?", expression.c_str());
    expression = "NULL";
  }
  SetDataExpression(expression);

  std::string historyError;
  int requestedHistory = fields[7] == "NULL" ? 0 : TextToInt(fields[7]);
  if (requestedHistory > kMaxHistorySize) {
    historyError = ruv::Format(" - it has a DataStackSize of %d, above the largest, %d, which is used instead!",
                               requestedHistory, kMaxHistorySize);
    requestedHistory = kMaxHistorySize;
  }
  SetSize(requestedHistory);
  const float precision = fields[8] == "NULL" ? 0.0f : TextToFloat(fields[8]);
  SetPortValuePrecision(precision);

  std::string report = "Invalid Tag format in DataCenter file. Because:\n";
  bool marked = false;
  for (const std::string* error : {&hwError, &ioError, &typeError}) {
    if (!error->empty()) {
      report += *error + "\n";
      marked = true;
    }
  }
  if (typeError.empty() && (dataType == VT_EMPTY || dataType == VT_NULL)) {
    report += " - it has a Null DataType!\n";
    marked = true;
  }
  for (const std::string* error : {&expressionError, &historyError}) {
    if (!error->empty()) {
      report += *error + "\n";
      marked = true;
    }
  }
  if (precision > 0.0f) {
    report += " - it has a non-zero PortValuePrecision!\n";
    report += " - Note: PortValuePrecision is not implemented in RuvFrame engine!\n";
    marked = true;
  }

  std::string accessPath = GetAccessPath();
  int ioType = GetIOType();
  int historySize = GetSize();
  bool noHardwareMarked = false;
  if (hwType == eHWNull) {
    if (accessPath != "NULL") {
      report += " - it has a non-null AccessPath!\n";
      accessPath = "NULL";
      noHardwareMarked = true;
    }
    if (ioType != eIONull) {
      report += " - it has a non-null IO-Type!\n";
      ioType = eIONull;
      noHardwareMarked = true;
    }
    if (historySize > 0) {
      report += " - it has a non-zero DataStackSize!\n";
      historySize = 0;
      noHardwareMarked = true;
    }
  } else {
    // An OPC item may be addressed by its name alone.
    if (accessPath == "NULL" && hwType != eHWOpc) {
      report += " - it has a Null AccessPath!\n";
      marked = true;
    }
    if (ioType == eIONull) {
      report += " - it has a Null IO-Type!\n";
      marked = true;
    }
  }

  if (marked || noHardwareMarked) {
    if (noHardwareMarked) report += "but is has not a real HW type(eHWType == NULL).\n";
    report += "Please update DCTFile.\n\n";
    report += GetInfoText();
    if (ShowMessageBox(report, "", kConfigPromptStyle) == IDCANCEL) {
      RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
      return ELineResult::Cancelled;
    }
  }

  SetAccessPath(accessPath);
  SetDataType(dataType);
  SetIOType(ioType);
  SetDataExpression(expression);
  SetSize(historySize);
  SetPortValuePrecision(precision);
  return ELineResult::Parsed;
}
