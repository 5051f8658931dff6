#pragma once
// The hardware link of the "SRL" tags: Modbus RTU slaves on one serial port.
// Each served tag has an item naming its slave, holding register and decimals
// ("MBRTU16-DA<slave>-REG<register>-FP<decimals>-UR<ms>-TOB<ms>"); only 32-bit
// float tags are served. The Modbus master polls on its own thread and announces
// each new reading with its message on the engine's window, where the value,
// divided by 10 to the decimals, is set on the tag. A tag written by the plant
// goes to its slave's registers from the same window, times 10 to the decimals
// and rounded to the nearest integer. A command is known by the tag's command
// count, not by its value: each one goes out, even one equal to the last
// reading, and no reading takes the place of a command not yet written.
//
// Every 5 s the link measures each item's answers per second; every 30 s it
// tells, once per outage, of each device (slave) that replied nothing at all,
// and of each tag whose reads went unanswered or refused while its device
// replied (see SerialOutageWatch), naming the port, the device and the tags: a
// handful in the box, every one on the standard error output.
//
// Threads: everything here runs on the UI thread; the master's threads reach the
// engine only through the posted value message.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "links/HwLinkerEngine.h"
#include "links/SerialOutageWatch.h"

class CModBusBase;
class CSerialLinkerItem;

class CSerialLinkerEngine : public CHwLinkerEngine {
 public:
  static constexpr const char* kNoAnswerError = SerialOutageWatch::kNoAnswerError;
  static constexpr DWORD kWatchdogPeriodMs = 30000;

  CSerialLinkerEngine();

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The frame's start, the master and its port (the saved one, or the COM-port
  // dialog while the override keys are held), then polling. TRUE while the link
  // runs; a running link is left as it is.
  BOOL Start() override;
  // The commands given while the link ran are written first; then the frame's
  // stop, and the master stops polling, closes its port and goes. Asked while a
  // write is under way (in its wait), the stop comes as that write returns.
  // Once a command at the stop went unanswered, the rest to that device are
  // given up at once and told in one notice.
  BOOL Stop() override;
  // One item per enabled "SRL" tag whose type and access path fit; every other
  // one is reported and disabled. FALSE without any serial tag.
  BOOL BuildItems() override;
  // The master polls on its own thread.
  void PollOnce() override {}
  LRESULT OnTagMessage(CDCTag* tag, int changeCode) override;
  void OnQueryRateTimer() override;
  void OnWatchdogTimer() override;
  // The built item of the tag, or none.
  CHwLinkerItem* CreateItem(CDCTag* tag) override;
  // A new reading of `item` (message 5377): published on its tag.
  virtual LRESULT OnModbusMessage(WPARAM wParam, LPARAM lParam);
  bool WritesCommands() const override { return true; }
  bool IsStartFailureTold() const override { return m_startFailureTold; }

  // `base` to the power `exponent` in 32-bit float steps; a negative exponent
  // gives the reciprocal.
  static float IntPower(float base, int exponent);
  // Empty when the access path fits; else the message for the tag. Fills `item`.
  static std::string ParseAccessPath(const std::string& accessPath, CSerialLinkerItem& item);

  CModBusBase* GetMaster() const { return m_master.get(); }
  // TRUE from a successful Start until Stop.
  BOOL IsLinkRunning() const { return m_running; }

 protected:
  // Freed through CHwLinkerEngine::Release only.
  ~CSerialLinkerEngine() override;

  // The port's opening; a test may replace it. TRUE when the master's port is open.
  virtual BOOL OpenPort(CModBusBase& master);
  // The item's last reading, scaled, on its tag.
  void ShowLatestReading(CHwLinkerItem& item) override;

 private:
  // Stop's work: with `writeFirst`, the commands not yet written go out first.
  BOOL StopNow(bool writeFirst);
  // Tells in one notice the commands given up at the stop because their
  // device had not answered another.
  void TellCommandsToSilentDevices();
  // Each device's replies so far, for the outage watch.
  SerialOutageWatch::DeviceReplies DeviceReplies() const;
  // Stops the master and frees it (after the write under way, if any).
  void DropMaster();
  // A master whose poller was abandoned goes to that poller with the items it
  // polls, freed as it leaves.
  void FreeMaster(std::unique_ptr<CModBusBase> master);
  // The write path of one output tag: its command not yet written, if any, goes
  // out; one that does not reach the device is given up.
  void WriteTag(CDCTag* tag);
  // Writes run between these two: tags written meanwhile wait their turn, and
  // a stop or release in a write's wait leaves the link until EndWrites, which
  // writes the tags that waited and may then delete the link.
  void BeginWrites();
  void WriteWaitingTags();
  void EndWrites();

  std::unique_ptr<CModBusBase> m_master;
  bool m_running = false;
  bool m_portSettingsRefused = false;  // the last start's port refused its settings, and said why
  bool m_startFailureTold = false;     // the last start failed on the port, told in the link's own box
  // A tag write is under way; tags written meanwhile wait their turn here.
  bool m_writing = false;
  bool m_writingBeforeStop = false;  // the stop writes the commands given before it
  bool m_stopAfterWrites = false;    // a stop asked for in a write's wait
  std::set<int> m_silentAtStop;      // devices that let a command at this stop go unanswered
  std::vector<std::string> m_untoldToSilent;  // commands given up for it, not yet told
  SerialOutageWatch m_outages;  // which devices and tags went unanswered, and which were told
  std::vector<CDCTag*> m_waitingWrites;
  std::vector<std::unique_ptr<CModBusBase>> m_droppedMasters;  // stopped during a write
  bool m_inWatchdog = false;  // an outage box runs a message loop that may fire the timer again
};
