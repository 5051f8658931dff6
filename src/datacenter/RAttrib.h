#pragma once
// One named, typed value of a plant device (a level, a valve's open command, a
// pump's set point), owned by the device's attribute pack. It may be bound to
// one data-center tag: tag values come in through the pack's tag listening and
// the attribute's value goes out through WriteToTag.
//
// Every change is first offered to the owner pack (which may refuse it) and,
// once made, reported to it; an accepted report of a persistent property marks
// the attribute dirty. An attribute without an owner accepts every change.
//
// Attributes are changed from the UI thread and from the engine's cycles: the
// fields are guarded by the attribute's own mutex and handed out as copies. The
// lock is never held while the pack is asked or told, nor across a prompt.
#include <memory>
#include <mutex>
#include <string>

#include "datacenter/RStack.h"
#include "platform/base/Variant.h"
#include "platform/base/WinTypes.h"

class CDCTag;
class CRAttribsPack;

// What changed, passed with every offer and report to the owner pack.
enum EAttribChange : int {
  eAttribChangeID = 1,              // offered as VT_I4
  eAttribChangeName = 2,            // VT_BSTR
  eAttribChangeTagName = 3,         // VT_BSTR
  eAttribChangeTag = 4,             // VT_I8 holding the tag's address (0 for none)
  eAttribChangeTagTransform = 5,    // VT_BSTR
  eAttribChangeASD = 6,             // VT_I4
  eAttribChangeVisible = 7,         // VT_BOOL
  eAttribChangeDataType = 8,        // VT_I4
  eAttribChangeValue = 9,           // the new value
  eAttribChangeDefaultValue = 10,   // the new value
  eAttribChangeModified = 11,       // VT_BOOL
  eAttribChangeReadRequested = 12,  // VT_BOOL
  eAttribChangeWriteRequested = 13, // VT_BOOL
};

// Settings-key suffixes of an attribute's persistent properties.
enum EAttribIniField : int {
  eAttribIniData = 1,
  eAttribIniTag = 2,
  eAttribIniTagTransform = 3,
  eAttribIniVisible = 4,
  eAttribIniASD = 5,
};

// "Data", "Tag", "TagTransform", "Visible", "ASD"; "" for any other number.
std::string GetAttribIniFieldName(int field);

// The only tag transform there is: a boolean written to its tag inverted.
inline constexpr const char* TAG_TRANSFORM_NEGATIVE = "Negative";

// Ending the process after a configuration prompt was answered with Cancel.
inline constexpr int ATTRIB_CONFIG_EXIT_CODE = 321;

class CRAttrib {
 public:
  explicit CRAttrib(CRAttribsPack* owner);
  virtual ~CRAttrib();
  CRAttrib(const CRAttrib&) = delete;
  CRAttrib& operator=(const CRAttrib&) = delete;

  // Back to a fresh attribute; a bound tag is forgotten without a look-up.
  virtual void ResetAttrib();
  virtual BOOL IsFlagged() const;
  // Stores the defined flag and clears dirty.
  virtual void SetFlagged(BOOL flagged);
  virtual int GetID() const;
  virtual void SetID(int id);
  virtual BOOL IsDirty() const;
  virtual void SetDirty(BOOL dirty);  // plain store, nothing offered
  // The pending mirrors are FALSE while no tag is bound.
  virtual BOOL IsWriteRequested() const;
  virtual void SetWriteRequested(BOOL requested);
  virtual BOOL IsReadRequested() const;
  virtual void SetReadRequested(BOOL requested);
  virtual std::string GetName() const;
  virtual void SetName(const std::string& name);
  virtual std::string GetTagName() const;
  // Trims the name; a changed name is stored and the tag of that name bound
  // (the data center prompts for a name it does not hold). The empty name and
  // "_NO_DCTAG_" bind no tag and are never looked up.
  virtual void SetTagByName(const std::string& name);
  virtual CDCTag* GetDCTag() const;
  // Binds a tag of the attribute's own data type; any other type is refused with
  // a prompt (silent while Shift is held). None unbinds and clears the mirrors.
  virtual void SetDCTag(CDCTag* tag);
  virtual std::string GetTagTransform() const;
  // "" or "Negative" (only for a boolean attribute bound to a tag); anything else
  // is prompted (silent while Shift is held) and becomes "".
  virtual void SetTagTransform(const std::string& transform);
  virtual BOOL IsNegative() const;
  virtual BOOL IsVisible() const;
  virtual void SetVisible(BOOL visible);
  virtual int GetASD() const;
  virtual void SetASD(int asd);
  // The history lives until DeleteHistory, Detach or the attribute's end.
  virtual CRStack* GetHistory() const;
  // Only for VT_I2, VT_I4 and VT_R4 attributes (else none): creates the history
  // with time stamps when missing and gives it `depth` slots.
  virtual CRStack* SetHistoryDepth(int depth);
  // Pushes the value, creating a history of 60 slots first when there is none.
  virtual void PushHistory();
  virtual VARTYPE GetDataType() const;
  // While the value is still empty the value, previous and default value become
  // the zero of the new type; a value that is not empty keeps its type.
  virtual void SetDataType(VARTYPE type);
  // Forgets the tag and the owner, drops the history, then resets.
  virtual void Detach();
  virtual void DeleteHistory();

  Variant GetValue() const;
  Variant GetPreviousValue() const;
  Variant GetDefaultValue() const;
  BOOL IsModified() const;
  // An equal value, or any value while the bound tag is being read from the
  // hardware, changes nothing. Otherwise keeps the previous value and marks the
  // attribute modified (neither while Undo restores).
  void SetValue(const Variant& value);
  void SetDefaultValue(const Variant& value);
  void SetModified(BOOL modified);
  void SetPreviousValue(const Variant& value);  // plain copy, nothing offered
  // When modified: the previous value comes back and modified is cleared.
  void Undo();
  // Passes the value on to the bound tag (never into an INPUT tag while the data
  // source is the real hardware; inverted for "Negative"), then clears modified.
  void WriteToTag();

  // Asks the owner; TRUE when accepted (always without an owner).
  BOOL OfferChange(int code, const Variant& newValue);
  // Tells the owner; its answer (TRUE without an owner). Marks dirty for codes
  // 1, 2, 3, 5, 6, 7, 9 and 10 when the answer is TRUE.
  BOOL ReportChange(int code);

  CRAttribsPack* GetOwner() const;
  BOOL IsRestoring() const;

 private:
  template <typename T>
  bool ChangeField(T CRAttrib::*field, const T& value, int code, const Variant& offered);
  void SetRequestedFlag(bool CRAttrib::*field, BOOL requested, int code);
  std::string OwnerSectionName() const;

  mutable std::mutex m_mutex;
  bool m_flagged = false;
  int m_id = -1;
  std::string m_name;
  std::string m_tagName;
  CDCTag* m_tag = nullptr;
  bool m_visible = true;
  int m_asd = 0;
  std::string m_tagTransform;
  bool m_negative = false;
  bool m_dirty = false;
  bool m_writeRequested = false;
  bool m_readRequested = false;
  VARTYPE m_dataType = VT_EMPTY;
  Variant m_value;
  Variant m_previousValue;
  Variant m_defaultValue;
  std::unique_ptr<CRStack> m_history;
  bool m_modified = false;
  bool m_restoring = false;
  CRAttribsPack* m_owner = nullptr;
};

// Equal for attributes: both null, or the same type and equal by comparison.
bool IsSameAttribValue(const Variant& a, const Variant& b);
