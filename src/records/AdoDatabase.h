#pragma once
// The plant's one database connection. Open takes a connection string of the
// form "Provider=...;Data Source=\"<path>\"" and an (unused) user and password;
// failures throw CADOException with the database's text.
//
// A write that finds the database locked by another program is kept and
// written again, in order, until it goes in (see ruv::db::PendingWrites): the
// connection tries again every second on the user-interface thread, and before
// every later write. The close gives what is still kept a last try of a few
// seconds and reports what even that could not write, values and all (in a
// box, on the standard error output and in a file beside the database). A kept
// write that fails is told at once, the same way, whichever write came upon it.
// What the operator is told of waiting records names what holds them at the
// time: the lock, or what the database cannot do (a full disk, a damaged or
// read-only database), never the one for the other; or, for a long journal
// written back a transaction at a time, that they are being written, or that
// the close's time for them ran out.
//
// Every kept write is also in a journal beside the database until it is
// written, so a process ended at any moment (a second signal, a kill) loses
// none: what the close could not write stays there, and the next Open writes
// each of them once (or keeps them while the lock is still there) and says so.
// The journal holds data, not statements: it is written back only into the
// tables given by SetJournalTables (the plant's own), else set aside unrun.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/db/Connection.h"

class CADODatabase {
 public:
  CADODatabase();
  virtual ~CADODatabase();
  CADODatabase(const CADODatabase&) = delete;
  CADODatabase& operator=(const CADODatabase&) = delete;

  // Closes an open connection first. An empty connection string reopens with the stored one.
  bool Open(const std::string& connectionString = std::string(), const std::string& user = std::string(),
            const std::string& password = std::string());
  bool IsOpen() const;
  void Close();

  const std::string& GetConnectionString() const { return m_strConnection; }
  // Shared with every recordset opened on this database.
  std::shared_ptr<ruv::db::Connection> GetConnection() const { return m_pConnection; }

  DWORD GetLastError() const { return m_dwLastError; }
  const std::string& GetErrorDescription() const { return m_strErrorDescription; }
  // The last failure in full: the connection string, code, its meaning, source and description.
  const std::string& GetLastErrorString() const { return m_strLastError; }

  // The tables a journal left by an earlier run may write (the plant's own,
  // those of data/schema.sql but the table of written tokens); set before Open.
  inline static const std::vector<std::string> kPlantTables = {"Batch", "Event2", "VesselsLevel",
                                                               "Shift", "Recipe", "Alarm"};
  void SetJournalTables(std::vector<std::string> tables) { m_journalTables = std::move(tables); }

  // Writes kept for a locked database: how many wait, and one more try now
  // (without waiting for the lock); true when none is left.
  std::size_t GetKeptWriteCount() const;
  bool WriteKept();
  // One transaction of them now (without waiting for the lock); true when
  // there are more the database would take now.
  bool WriteKeptTransaction();
  // The close's last try for the kept writes (the retry timer stops), and the
  // report of what it could not write; the connection stays open, and a write
  // the lock refuses after it is told at once. Close runs it.
  void WriteKeptLastTry();

  // The headings about records that wait have a place ("%s") for the cause
  // that holds them (ruv::db::PendingWrites::CauseText); WithCause fills it.
  static std::string WithCause(const char* heading, const std::string& cause);
  // What the close could not write, without a journal.
  inline static constexpr const char* kUnwrittenText = "These records could not be written; %s:\n";
  // What the close could not write, with the journal keeping it for the next start.
  inline static constexpr const char* kKeptForNextStartText =
      "These records could not be written before the close; %s. They are kept in the journal beside the database, "
      "and the next start of the program writes them once the database takes them (do not enter them again):\n";
  // What the close had no time left to write, though the database took them
  // (the cause, ruv::db::PendingWrites::kCloseTimeCause, says so).
  inline static constexpr const char* kCutAtCloseText =
      "These records were not written yet when the program closed; %s. They are kept in the journal beside the "
      "database, and the next start writes them (do not enter them again):\n";
  // What the close could not write, and the journal could not keep (it cannot be written).
  inline static constexpr const char* kNotInJournalText =
      "These records could not be written before the close, and the journal beside the database could not be "
      "written to keep them: they are only in this report. Please enter them again by hand:\n";
  // Said at the start about a journal an earlier run left.
  inline static constexpr const char* kJournalWrittenText =
      "An earlier run of the program ended while these records waited for the database; they are written now:\n";
  // ...when it holds more than one transaction: the rest is written while the program runs.
  inline static constexpr const char* kJournalWritingText =
      "An earlier run of the program ended while these records waited for the database; they are being written "
      "now, while the program runs, and the journal beside the database keeps those not written yet:\n";
  inline static constexpr const char* kJournalKeptText =
      "An earlier run of the program ended while these records waited for the database; %s, so they wait again "
      "and are written once the database takes them:\n";
  inline static constexpr const char* kJournalUnreadableText = "The journal of kept records cannot be read:\n";
  inline static constexpr const char* kJournalRefusedText =
      "An earlier run of the program ended while these records waited for the database; the database refused "
      "some of them:\n";
  // Said of the files of kept records put back beside the journal (each
  // told: its name, its records, and whether they went in or wait).
  inline static constexpr const char* kPutBackTakenText = "Kept records put back were taken over:\n";
  // The journal: the database's path and this suffix.
  inline static constexpr const char* kJournalFileSuffix = ".kept.txt";
  inline static constexpr const char* kDroppedText = "These records could not be written:\n";
  // Said (standard error and the file) before the close's last try waits for the lock...
  inline static constexpr const char* kKeptAtCloseText =
      "These records wait for the database; %s. The close tries once more to write them:\n";
  // ...or, after their count, while they are being written (a long journal's rest)...
  inline static constexpr const char* kWritingAtCloseText =
      " records of the journal beside the database are being written to it; the close goes on writing them for a "
      "few seconds, and those it does not write stay in the journal.\n";
  // ...and after it, when all of them went in...
  inline static constexpr const char* kWrittenAtCloseText = "All of them were written before the close.\n";
  // ...or when the database took them in time.
  inline static constexpr const char* kAllWrittenAtCloseText =
      "The database took them: all of them were written, but any listed as not written just above.\n";
  // The close's last try waits this long for the lock, and writes no longer.
  inline static constexpr int kCloseLockWaitMs = 5000;
  inline static constexpr UINT kRetryTimerMs = 1000;
  // A report lists every write on the standard error output and in the file
  // named by the database's path and this suffix; its box shows the first few.
  inline static constexpr const char* kUnwrittenFileSuffix = ".unwritten.txt";
  // The file keeps the newest reports up to this many bytes: one that would
  // take it past them starts it anew, the earlier ones moved aside once to
  // the name with kOldReportSuffix after it (replacing what the last move left
  // there). A single report longer than that is kept whole: it may list
  // records that only it holds.
  inline static constexpr std::size_t kMostReportFileBytes = 16u << 20;
  inline static constexpr const char* kOldReportSuffix = ".old";
  // Said in the report's box (and on the standard error output) when something
  // else lies at that file's name: the path, " is ", what lies there.
  inline static constexpr const char* kReportNotWrittenText = "This report was not written to its file: ";
  // Said in the report's box (and on the standard error output) when its file
  // could not take it (a full disk): the path, the system's words, and where
  // what it says is instead.
  inline static constexpr const char* kReportFailedText = "This report could not be written to its file ";
  inline static constexpr int kMostReportedLines = 4;
  // The program's own sentences and headings a box tells before it counts the rest.
  inline static constexpr int kMostReportedSentences = 12;
  inline static constexpr std::size_t kMostReportedChars = 240;
  // Room for a sentence naming two long paths (the journal and its set-aside copy).
  inline static constexpr std::size_t kMostReportedSentenceChars = 2400;
  static std::string FirstLines(const std::string& lines);

 private:
  class RetryTimer;
  // The report's file: its path, whether it has the report, and what lies at
  // its name when that is not a file of its own ("" else).
  struct ReportFile {
    std::string path;
    bool saved = false;
    std::string notOwn;
    std::string failed;  // why the file could not take it ("" when it did, or was not its own)
  };
  static ReportFile WriteReport(const std::string& database, const std::string& heading, const std::string& lines);
  static std::string NotWrittenLine(const ReportFile& file);
  static std::string FailedLine(const ReportFile& file);
  static std::string BoxText(const std::string& heading, const std::string& lines, const ReportFile& file);
  std::string DatabaseFile() const;
  void TakeOverJournal();
  void Report(const std::string& heading, const std::string& lines);
  std::shared_ptr<ruv::db::Connection> m_pConnection;
  std::string m_strConnection;
  std::string m_strLastError;
  std::string m_strErrorDescription;
  DWORD m_dwLastError = 0;
  std::unique_ptr<RetryTimer> m_retryTimer;
  std::vector<std::string> m_journalTables = kPlantTables;
};
