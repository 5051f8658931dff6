#pragma once
// The item of one serial tag: a Modbus slave address, a holding register
// (40001..49999 as written in the access path), the count of decimal places and
// the reply length it expects, besides what every link item keeps (poll period,
// reply time-out, last value, request and answer ticks, counters, reply event).
//
// The value is shared by the port's listener (which stores each reading) and the
// user-interface thread (which publishes it), so it is guarded and handed out as
// a copy; ticks and counters are atomic.
#include <atomic>
#include <mutex>

#include "platform/base/Event.h"
#include "platform/base/Variant.h"
#include "platform/base/WinTypes.h"

class CSerialLinkerItem {
 public:
  CSerialLinkerItem();
  virtual ~CSerialLinkerItem();
  CSerialLinkerItem(const CSerialLinkerItem&) = delete;
  CSerialLinkerItem& operator=(const CSerialLinkerItem&) = delete;

  int GetSlaveAddress() const { return m_slaveAddress; }
  void SetSlaveAddress(int slave) { m_slaveAddress = slave; }
  int GetRegister() const { return m_register; }
  void SetRegister(int registerNumber) { m_register = registerNumber; }
  int GetFP() const { return m_fp; }
  void SetFP(int decimals) { m_fp = decimals; }
  int GetReplyLength() const { return m_replyLength; }
  void SetReplyLength(int length) { m_replyLength = length; }

  DWORD GetUpdateRate() const { return m_updateRate; }
  void SetUpdateRate(DWORD ms) { m_updateRate = ms; }
  DWORD GetTimeoutBand() const { return m_timeoutBand; }
  void SetTimeoutBand(DWORD ms) { m_timeoutBand = ms; }

  // A copy of the last value read (VT_EMPTY before the first reading).
  Variant GetValue() const;
  // Stamps the last poll tick (every arriving value counts as an answer for the
  // poll-due test), then stores the value unless it is of another type than the
  // one held; an empty item takes the type of its first value.
  void SetValue(const Variant& value);
  void ClearValue();

  DWORD GetLastRequestTick() const { return m_lastRequestTick.load(); }
  void SetLastRequestTick(DWORD tick) { m_lastRequestTick.store(tick); }
  DWORD GetLastPollTick() const { return m_lastPollTick.load(); }
  void SetLastPollTick(DWORD tick) { m_lastPollTick.store(tick); }
  // True while less than the update rate has passed since the last answer.
  bool IsPollNotDue() const;

  DWORD GetAnswerCount() const { return m_answers.load(); }
  void SetAnswerCount(DWORD count) { m_answers.store(count); }
  DWORD GetErrorCount() const { return m_errors.load(); }
  void SetErrorCount(DWORD count) { m_errors.store(count); }
  DWORD GetTimeoutCount() const { return m_timeouts.load(); }
  void SetTimeoutCount(DWORD count) { m_timeouts.store(count); }
  void CountAnswer() { m_answers.fetch_add(1); }
  void CountError() { m_errors.fetch_add(1); }
  void CountTimeout() { m_timeouts.fetch_add(1); }

  // Signalled by the receiver when the item's reply arrived (auto-reset).
  Event& ReplyEvent() { return m_replyEvent; }

 private:
  std::atomic<int> m_slaveAddress{-1};
  std::atomic<int> m_register{-1};
  std::atomic<int> m_fp{-1};
  std::atomic<int> m_replyLength{9};
  std::atomic<DWORD> m_updateRate{0};
  std::atomic<DWORD> m_timeoutBand{0};
  mutable std::mutex m_valueMutex;
  Variant m_value;
  std::atomic<DWORD> m_lastRequestTick{0};
  std::atomic<DWORD> m_lastPollTick{0};
  std::atomic<DWORD> m_answers{0};
  std::atomic<DWORD> m_errors{0};
  std::atomic<DWORD> m_timeouts{0};
  Event m_replyEvent{false, false};
};
