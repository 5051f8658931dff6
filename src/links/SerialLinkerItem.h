#pragma once
// The item of one serial tag: a Modbus slave address, a holding register
// (40001..49999 as written in the access path), the count of decimal places and
// the reply length it expects. Its value holds the last register pair read, as
// a 32-bit float, unscaled.
#include <atomic>
#include <cstdint>

#include "links/HwLinkerItem.h"

class CSerialLinkerItem : public CHwLinkerItem {
 public:
  explicit CSerialLinkerItem(CHwLinkerEngine* engine);
  ~CSerialLinkerItem() override;

  int GetSlaveAddress() const { return m_slaveAddress.load(); }
  void SetSlaveAddress(int slave) { m_slaveAddress.store(slave); }
  int GetRegister() const { return m_register.load(); }
  void SetRegister(int registerNumber) { m_register.store(registerNumber); }
  int GetFP() const { return m_fp.load(); }
  void SetFP(int decimals) { m_fp.store(decimals); }
  int GetReplyLength() const { return m_replyLength.load(); }
  void SetReplyLength(int length) { m_replyLength.store(length); }

  // Since the master last started polling (running totals, for the outage
  // watch): read requests sent for this tag, its readings received, its reads
  // the device refused with an exception reply, its reads that went without a
  // reply through their time-out band, and the replies to its reads that came
  // after that (dropped).
  std::uint64_t GetReadsAsked() const { return m_readsAsked.load(); }
  std::uint64_t GetReadings() const { return m_readings.load(); }
  std::uint64_t GetReadsRefused() const { return m_readsRefused.load(); }
  std::uint64_t GetReadsTimedOut() const { return m_readsTimedOut.load(); }
  std::uint64_t GetLateReplies() const { return m_lateReplies.load(); }
  void NoteReadAsked() { ++m_readsAsked; }
  void NoteReading() { ++m_readings; }
  void NoteReadRefused() { ++m_readsRefused; }
  void NoteReadTimedOut() { ++m_readsTimedOut; }
  void NoteLateReply() { ++m_lateReplies; }
  void ResetReadCounts();

  // The master reads this tag before the others on its next request (a
  // command was given up while no value of the device was known).
  void AskReadFirst() { m_readFirst.store(true); }
  bool IsReadAskedFirst() const { return m_readFirst.load(); }
  void ClearReadFirst() { m_readFirst.store(false); }

 private:
  std::atomic<int> m_slaveAddress{-1};
  std::atomic<int> m_register{-1};
  std::atomic<int> m_fp{-1};
  std::atomic<int> m_replyLength{9};
  std::atomic<std::uint64_t> m_readsAsked{0};
  std::atomic<std::uint64_t> m_readings{0};
  std::atomic<std::uint64_t> m_readsRefused{0};
  std::atomic<bool> m_readFirst{false};
  std::atomic<std::uint64_t> m_readsTimedOut{0};
  std::atomic<std::uint64_t> m_lateReplies{0};
};
