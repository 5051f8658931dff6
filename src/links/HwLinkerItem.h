#pragma once
// One device point of a hardware link, bound to one tag: its poll period and
// reply time-out, the last value exchanged with the device, the ticks of its last
// request and answer, its busy flags, its answer/error/time-out counters and the
// event its link's receiver signals when the answer arrived.
//
// Items are filled by a link's own thread (poller or receiver) and read by the UI
// thread, so the value has a lock and every other field is atomic. Tick
// arithmetic is unsigned 32-bit: due and time-out tests stay right across the
// wrap of the tick count.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/base/Event.h"
#include "platform/base/Variant.h"
#include "platform/base/WinTypes.h"
#include "platform/ui/MessageCore.h"

class CDCTag;
class CHwLinkerEngine;

class CHwLinkerItem {
 public:
  explicit CHwLinkerItem(CHwLinkerEngine* engine);
  virtual ~CHwLinkerItem();
  CHwLinkerItem(const CHwLinkerItem&) = delete;
  CHwLinkerItem& operator=(const CHwLinkerItem&) = delete;

  CHwLinkerEngine* GetEngine() const { return m_engine; }

  virtual CDCTag* GetDCTag() const;
  virtual void SetDCTag(CDCTag* tag);

  virtual VARTYPE GetNormalizedValueType() const;
  // VT_I2 and VT_UI2 are served as VT_I4; every other type stays.
  virtual VARTYPE NormalizeVarType(VARTYPE type) const;

  // A copy of the last value.
  virtual Variant GetValue() const;
  // Every arriving value counts as an answer (stamps the last poll tick, clears
  // waiting). An equal value changes nothing more; a value of another type than
  // the item's is dropped; the first value of an untyped item fixes its type.
  virtual void SetValue(const Variant& value);
  // Checks the type against the tag's (a differing one is a configuration error:
  // OK goes on, Cancel ends the process with 123, Shift held skips the check);
  // an empty value becomes the zero of the type.
  virtual void SetValueType(VARTYPE type);
  virtual VARTYPE GetValueType() const;
  // Forgets the value: the item is untyped again and takes its next value as a first one.
  virtual void ClearValue();

  virtual DWORD GetUpdateRate() const { return m_updateRate.load(); }
  virtual void SetUpdateRate(DWORD ms) { m_updateRate.store(ms); }
  virtual DWORD GetTimeoutBand() const { return m_timeoutBand.load(); }
  virtual void SetTimeoutBand(DWORD ms) { m_timeoutBand.store(ms); }

  virtual DWORD GetLastRequestTick() const { return m_lastRequestTick.load(); }
  virtual void SetLastRequestTick(DWORD tick) { m_lastRequestTick.store(tick); }
  virtual DWORD GetLastPollTick() const { return m_lastPollTick.load(); }
  // Stores the tick; an answer ends the wait.
  virtual void SetLastPollTick(DWORD tick);
  // TRUE while less than the update rate has passed since the last answer.
  virtual BOOL IsPollNotDue() const;
  virtual BOOL IsWaiting() const { return m_waiting.load(); }
  virtual void SetWaiting(BOOL waiting) { m_waiting.store(waiting != FALSE); }
  // TRUE once more than the time-out band has passed since the last request.
  virtual BOOL IsTimedOut() const;

  virtual void ResetCounters();
  virtual DWORD GetAnswerCount() const { return m_answerCount.load(); }
  virtual void SetAnswerCount(DWORD count) { m_answerCount.store(count); }
  virtual DWORD GetErrorCount() const { return m_errorCount.load(); }
  virtual void SetErrorCount(DWORD count) { m_errorCount.store(count); }
  virtual DWORD GetTimeoutCount() const { return m_timeoutCount.load(); }
  virtual void SetTimeoutCount(DWORD count) { m_timeoutCount.store(count); }
  virtual float GetQueryRate() const { return m_queryRate.load(); }
  // Stores the rate and starts counting answers again.
  virtual void SetQueryRate(float rate);

  virtual BOOL IsReading() const { return m_reading.load(); }
  // Clearing the flag also clears the tag's read-pending mark.
  virtual void SetReading(BOOL reading);
  virtual BOOL IsWriting() const { return m_writing.load(); }
  // Clearing the flag also clears the tag's write-pending mark.
  virtual void SetWriting(BOOL writing);

  // Auto-reset; set by the link's receiver when this item's answer arrived.
  Event& GetReplyEvent() { return m_replyEvent; }

  // The tag's command count (CDCTag::GetCommandCount) that this link has dealt
  // with: written, given up, or held by the tag when the link started.
  std::uint32_t GetCommandsWritten() const { return m_commandsWritten.load(); }
  void NoteCommandsWritten(std::uint32_t commandCount) { m_commandsWritten.store(commandCount); }
  // The tag's new values reach `window` from now on. What the tag holds as the
  // link starts is no command to write; a value it takes from here on is.
  void ListenToTag(HWND window);
  bool HoldsCommandNotYetWritten(std::uint32_t commandCount) const { return commandCount != m_commandsWritten.load(); }
  // Sets a reading of the device on the tag unless the tag holds a command not
  // yet written, or one of its commands is still under way: FALSE then, and
  // the command stays in the tag.
  BOOL ShowReading(const Variant& value);

  // Commands handed to a link's own thread and not yet back with their
  // outcome (confirmed, refused, unanswered, given up). Handed over is not
  // written: while one is under way no reading is shown and the tag's write
  // mark stays. Links that write on the UI thread never count any.
  void NoteCommandUnderWay() { ++m_commandsUnderWay; }
  // The outcome of one of them came back.
  void NoteCommandOutcome();
  bool HasCommandUnderWay() const { return m_commandsUnderWay.load() > 0; }
  // The link's own thread has gone with whatever it still held.
  void ForgetCommandsUnderWay() { m_commandsUnderWay.store(0); }

  // The operator hears of a given-up command once per tag, not at every
  // command the device keeps missing: true the first time since the link
  // started or a command to the tag last went out (RearmGivenUpNotice).
  bool TakeGivenUpNotice() { return !m_givenUpTold.exchange(true); }
  void RearmGivenUpNotice() { m_givenUpTold.store(false); }

 private:
  std::atomic<DWORD> m_updateRate{0};
  std::atomic<DWORD> m_timeoutBand{0};
  CHwLinkerEngine* const m_engine;
  std::atomic<CDCTag*> m_tag{nullptr};
  mutable std::mutex m_valueMutex;
  Variant m_value;
  std::atomic<DWORD> m_lastRequestTick{0};
  std::atomic<DWORD> m_lastPollTick{0};
  std::atomic<bool> m_waiting{false};
  std::atomic<bool> m_writing{false};
  std::atomic<bool> m_reading{false};
  std::atomic<DWORD> m_answerCount{0};
  std::atomic<float> m_queryRate{0.0f};
  std::atomic<DWORD> m_errorCount{0};
  std::atomic<DWORD> m_timeoutCount{0};
  Event m_replyEvent{false, false};
  std::atomic<std::uint32_t> m_commandsWritten{0};
  std::atomic<int> m_commandsUnderWay{0};
  std::atomic<bool> m_givenUpTold{false};
};
