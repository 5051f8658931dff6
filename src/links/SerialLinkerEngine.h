#pragma once
// The hardware link of the "SRL" tags: Modbus RTU slaves on one serial port.
// Each served tag has an item naming its slave, holding register and decimals
// ("MBRTU16-DA<slave>-REG<register>-FP<decimals>-UR<ms>-TOB<ms>"); only 32-bit
// float tags are served. The Modbus master polls on its own thread and announces
// each new reading with its message on the engine's window, where the value,
// divided by 10 to the decimals, is set on the tag. A tag written by the plant
// is a command for its slave's registers, times 10 to the decimals and rounded
// to the nearest integer: the window hands it to the master, whose polling
// thread writes it between its polls, the commands of a tag in the order
// given, and tells each outcome by message, so the window never waits for the
// line. A command is known by the tag's command count, not by its value: each
// one goes out, even one equal to the last reading. A command is under way
// from its hand-over to its own outcome (confirmed, refused, unanswered, given
// up): meanwhile no reading is shown on its tag and its write mark stays. A
// command given up leaves the tag showing the device's value, read before the
// other tags when none is known yet.
//
// Every 5 s the link measures each item's answers per second; every 30 s it
// tells, once per outage, of each device (slave) that replied nothing at all,
// and of each tag whose reads went unanswered or refused while its device
// replied (see SerialOutageWatch), naming the port, the device and the tags: a
// handful in the box, every one on the standard error output.
//
// Threads: everything here runs on the UI thread; the master's threads reach the
// engine only through posted messages. The link's state (see CHwLinkerEngine)
// says whether it takes commands: only while running.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "links/HwLinkerEngine.h"
#include "links/ModBusBase.h"
#include "links/SerialOutageWatch.h"

class CSerialLinkerItem;

class CSerialLinkerEngine : public CHwLinkerEngine {
 public:
  static constexpr const char* kNoAnswerError = SerialOutageWatch::kNoAnswerError;
  static constexpr DWORD kWatchdogPeriodMs = 30000;
  // The commands the stop's notice of a silent device names; the rest are counted.
  static constexpr std::size_t kCommandsNamed = 5;
  // Why a command was given up before it went out: too large for two registers.
  static constexpr const char* kRegistersCannotHoldCause = "the device's registers cannot hold it";

  CSerialLinkerEngine();

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The frame's start, the master and its port (the saved one, or the COM-port
  // dialog while the override keys are held), then polling. TRUE while the link
  // runs; a running link is left as it is. Asked while the link stops, the
  // start is kept (TRUE) and runs once the stop has ended.
  BOOL Start() override;
  // Returns at once; the link takes no command from now on and is stopping.
  // Those it took and has not written yet, and those the tags hold that it has
  // not taken (the outputs switched off as the plant leaves the hardware: their
  // messages may still be queued), are written by the master's thread, which
  // tells each outcome by message; the link is stopped once that thread has
  // left, and the master stops polling, closes its port and goes. Once a
  // command at the stop went unanswered, the rest to that device are given up
  // at once and told in one notice. Asked while stopping, it drops a start
  // kept meanwhile. Always TRUE.
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
  // The master's outcomes of commands (message 5378); the stop ends here once
  // the master has left.
  LRESULT OnCommandOutcomes();
  bool WritesCommands() const override { return true; }
  bool IsStartFailureTold() const override { return m_startFailureTold; }

  // `base` to the power `exponent` in 32-bit float steps; a negative exponent
  // gives the reciprocal.
  static float IntPower(float base, int exponent);
  // Empty when the access path fits; else the message for the tag. Fills `item`.
  static std::string ParseAccessPath(const std::string& accessPath, CSerialLinkerItem& item);

  CModBusBase* GetMaster() const { return m_master.get(); }
  // TRUE from a successful Start until Stop.
  BOOL IsLinkRunning() const { return GetLinkState() == LinkState::kRunning; }

 protected:
  // Freed through CHwLinkerEngine::Release only.
  ~CSerialLinkerEngine() override;

  // The port's opening; a test may replace it. TRUE when the master's port is open.
  virtual BOOL OpenPort(CModBusBase& master);
  // The item's last reading, scaled, on its tag; none while a command of the
  // item is under way.
  void ShowLatestReading(CHwLinkerItem& item) override;
  // The tag, its device and port, what happened and what to do.
  std::string GivenUpText(CHwLinkerItem& item, const Variant& command, const std::string& cause) override;

 private:
  // The item's command not written yet, if any, goes to the master; one the
  // link cannot take (it does not run, the registers cannot hold it) is given up.
  void HandOverCommand(CSerialLinkerItem& item);
  // The master's outcomes on the commands' tags: a confirmed command ends its
  // own write mark (a newer one keeps its own), a failed one is given up.
  void HandleOutcomes(const std::vector<CModBusBase::CommandOutcome>& outcomes);
  // Once none of the item's commands is under way and no newer one waits, the
  // tag's write mark goes and it shows the device's value, read first when none
  // is known.
  void SettleCommands(CSerialLinkerItem& item);
  // The port of the master, of the last one, or the one the settings name.
  std::string PortName() const;
  // The stop's end once the master has left: its outcomes, the master gone,
  // the silent devices' notice; the link is stopped (a kept start then runs).
  void FinishStop();
  // Tells in one notice the commands given up at the stop because their
  // device had not answered another.
  void TellCommandsToSilentDevices();
  // Each device's replies so far, for the outage watch.
  SerialOutageWatch::DeviceReplies DeviceReplies() const;
  // Stops the master and frees it.
  void DropMaster();
  // A master whose poller was abandoned goes to that poller with the items it
  // polls, freed as it leaves.
  void FreeMaster(std::unique_ptr<CModBusBase> master);

  std::unique_ptr<CModBusBase> m_master;
  bool m_portSettingsRefused = false;  // the last start's port refused its settings, and said why
  bool m_startFailureTold = false;     // the last start's failure was told in the link's own box
  std::vector<std::string> m_untoldToSilent;  // commands given up at the stop for a silent device
  std::set<int> m_silentDevices;              // and their devices
  std::string m_portName;                     // the last master's port
  SerialOutageWatch m_outages;  // which devices and tags went unanswered, and which were told
  bool m_inWatchdog = false;  // an outage box runs a message loop that may fire the timer again
};
