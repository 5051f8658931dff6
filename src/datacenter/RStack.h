#pragma once
// Fixed-size ring of the last N samples of a numeric value (16-bit integer,
// 32-bit integer or 32-bit float) and their average. A size below 2 switches
// the history off. Every read and write takes the history's lock, so links may
// push from their threads while other threads read.
#include <mutex>
#include <optional>
#include <vector>

#include "datacenter/RStackItem.h"
#include "platform/base/WinTypes.h"

// VT_I2, VT_I4 or VT_R4: the only types a history stores.
bool IsStackableType(VARTYPE type);

class CRStack {
 public:
  CRStack();
  virtual ~CRStack();
  CRStack(const CRStack&) = delete;
  CRStack& operator=(const CRStack&) = delete;

  virtual int GetSize() const;
  // n <= 1 switches the history off and forgets every sample, so switching it on
  // again starts empty. Otherwise resizes, keeping the first slots.
  virtual void SetSize(int n);
  // Copy of the item of slot i (or of the i-th oldest sample when `circular`);
  // none when the index lies outside the slots.
  virtual std::optional<CRStackItem> GetItem(int i, bool circular) const;
  // Copy of the value of slot i (not circular); a VT_I4 0 outside the slots.
  virtual Variant GetItemValue(int i) const;
  // Stores a sample; FALSE when the history is off or the type is not stackable.
  virtual BOOL Push(const Variant& value);
  // Mean of all slots, of the type of slot 0; empty when nothing was pushed.
  virtual Variant Average() const;

  void SetTimeStamps(bool on);
  bool HasTimeStamps() const;
  int GetHead() const;
  void SetHead(int i);
  int GetCount() const;
  void SetCount(int n);
  // Slot of the i-th oldest sample (0 oldest, size-1 newest); -1 outside 0..size-1.
  int GetCircularIndex(int i) const;

 private:
  int Size() const { return static_cast<int>(m_items.size()); }
  void SetHeadLocked(int i);
  int CircularIndexLocked(int i) const;

  mutable std::mutex m_lock;
  int m_head = -1;   // slot of the newest sample; -1 while nothing has been pushed
  int m_count = 0;   // pushes so far, never above the size
  std::vector<CRStackItem> m_items;
  bool m_timeStamps = false;
};
