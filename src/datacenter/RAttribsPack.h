#pragma once
// The window-side owner of a device's attributes and the base of every process
// shape. It owns the attribute array, keeps for each data-center tag the list of
// its attributes bound to that tag, makes its listener window a listener of
// exactly those tags, answers the attributes' offers and reports (hooks the
// shapes override), keeps summaries of pending tag reads and writes, loads the
// attributes' keys from the device's settings section, copies analog limits into
// the tags and pushes analog values into their histories once a second.
//
// The window, its timer and the tag messages run on the UI thread; the engine's
// cycles change attributes too, so the offers and reports arrive on their
// threads: the tag map has its own mutex and the summaries are atomic.
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "datacenter/RAttrib.h"
#include "platform/ui/CStatic.h"

class CDCTag;

// The window class a pack is made of (the pack itself uses nothing beyond CWnd).
using CRAttribsPackWindow = CStatic;

// Role of an attribute within its analog group of eight.
enum EAnalogRole : int {
  eAnalogPhysical = 0,
  eAnalogMin = 1,
  eAnalogMax = 2,
  eAnalogLowAlarm = 3,
  eAnalogHighAlarm = 4,
  eAnalogPort = 5,
  eAnalogPortMin = 6,
  eAnalogPortMax = 7,
  eAnalogNone = 9,
};
inline constexpr int ANALOG_GROUP_SIZE = 8;

// The history timer of every pack: every 1000 ms.
inline constexpr UINT_PTR ATTRIBS_PACK_HISTORY_TIMER = 103;
inline constexpr UINT ATTRIBS_PACK_HISTORY_PERIOD_MS = 1000;

// 5375: sent (never posted) by a device to its parent after it stored a value
// (wParam the device's identifier, lParam the attribute index; non-zero refuses).
UINT GetAttribsPackMessageId();

class CRAttribsPack : public CRAttribsPackWindow {
 public:
  CRAttribsPack();
  ~CRAttribsPack() override;

  using CRAttribsPackWindow::Create;
  // Creates the window, then starts the history timer.
  virtual BOOL Create(const std::string& text, DWORD style, const RECT& rect, CWnd* parent, UINT id);

  // --- what each device kind tells ---
  virtual std::string GetAttribNameAt(int index) const = 0;
  virtual Variant GetDefaultVariant(int index) const = 0;
  // The device stores the value and passes it on to the tag.
  virtual void StoreAttribValue(int index, const Variant& value) = 0;
  virtual VARTYPE FindAttribVarType(int index) const = 0;
  virtual int GetAnalogRole(int index) const = 0;
  // For the physical or port value of a group: the group's attribute of `role`; -1 for none.
  virtual int GetAnalogGroupAttrib(int index, int role) const = 0;
  virtual std::string GetSectionName() const = 0;
  virtual BOOL SectionExists(const std::string& section) const = 0;
  virtual void WriteIniValue(int index, int field, const std::string& text) = 0;
  // The key "<attribute name>.<GetAttribIniFieldName(field)>" of the device's section.
  virtual std::string ReadIniValue(int index, int field) const = 0;

  // --- forwarders; an index outside the array gives the empty answer ---
  // A copy of the value (empty outside the array).
  virtual Variant GetAttribValue(int index) const;
  virtual BOOL IsAttribVisible(int index) const;
  virtual void SetAttribVisible(int index, BOOL visible);
  virtual int GetAttribASD(int index) const;
  virtual void SetAttribASD(int index, int asd);
  virtual VARTYPE GetAttribDataType(int index) const;

  virtual void OnDestroyPack() {}
  // Reads every attribute's keys from the device's section and binds the tags.
  virtual void LoadAttribsFromIni();
  virtual void CopyLimitsToTags();
  // FALSE unless `index` is a physical value; else the group's index of each role.
  virtual BOOL GetAnalogGroup(int index, std::array<int, ANALOG_GROUP_SIZE>& group) const;

  // --- the attributes' offers and reports ---
  virtual BOOL CanChangeAttrib(CRAttrib* attrib, int code, const Variant& newValue);
  // Re-binds the tag map on code 4, recomputes the summaries on 12 and 13; TRUE.
  virtual BOOL OnAttribChanged(CRAttrib* attrib, int code);
  // Told when a summary changed (12 read, 13 write); TRUE.
  virtual BOOL OnPendingFlagChanged(int code);

  // --- creating the attributes ---
  // Deletes every attribute, then creates `count` fresh ones from the kind's
  // names, types and defaults.
  virtual void SetAttribCount(int count);
  virtual void CreateAttribs() {}
  // FALSE when `index` is outside the array or already holds an attribute.
  virtual BOOL CreateAttribAt(int index);
  virtual CRAttrib* CreateAttrib(int index);
  virtual void OnAttribCreated(CRAttrib* /*attrib*/) {}
  virtual BOOL InitAttrib(CRAttrib* /*attrib*/) { return FALSE; }

  int GetAttribCount() const { return static_cast<int>(m_attribs.size()); }
  // None outside the array (or where no attribute was created).
  CRAttrib* GetAttrib(int index) const;

  // The window the bound tags notify (message 5374).
  void SetListenerWnd(CWnd* listener);
  CWnd* GetListenerWnd() const;

  BOOL GetReadPendingFlag() const { return m_readPending.load() ? TRUE : FALSE; }
  BOOL GetWritePendingFlag() const { return m_writePending.load() ? TRUE : FALSE; }
  void SetReadPendingFlag(BOOL pending);
  void SetWritePendingFlag(BOOL pending);
  void RecomputePendingFlags();

  // A copy of the attributes listed under `tag` (entries may be stale: the
  // device drops an attribute that is no longer bound to the tag).
  std::vector<CRAttrib*> GetTagAttribs(CDCTag* tag) const;
  void RemoveTagAttrib(CDCTag* tag, CRAttrib* attrib);

  // The order in which the settings are loaded: the range attributes (minimum,
  // maximum, port minimum, port maximum) first, then the others, each in index
  // order, so a value is never clamped against limits that are not loaded yet.
  std::vector<int> GetIniLoadOrder() const;

  void OnTimer(UINT_PTR id) override;

 private:
  void DeleteAttribs();
  void LoadAttribFromIni(int index);
  void RebindTagMap(CRAttrib* attrib);
  // Stores one summary under the summaries' lock; the handler is told after it.
  void SetPendingFlag(std::atomic<bool>& flag, bool wanted, int code);

  std::vector<std::unique_ptr<CRAttrib>> m_attribs;
  std::mutex m_rebindMutex;   // one rebind at a time, lists and listeners alike
  std::mutex m_pendingMutex;  // the summaries are computed and stored under it
  mutable std::mutex m_mapMutex;
  std::map<CDCTag*, std::vector<CRAttrib*>> m_tagMap;
  std::atomic<CWnd*> m_listener{nullptr};
  std::atomic<bool> m_writePending{false};
  std::atomic<bool> m_readPending{false};
};
