#pragma once
// The batch numbers of the four mixers: the operator gives each mixer the
// number of the batch it works on, or finishes a mixer's batch. The numbers
// live in the active shift; every batch is a row of the table "Batch" for its
// data source. A number belongs to one mixer only, a finished batch is never
// opened again, and a new number opens a row with the mixer's level.
#include <array>
#include <string>

#include "controls/EditFocusColors.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/ColorRef.h"
#include "records/BatchRS.h"

constexpr UINT IDD_BATCH_NUMBERS = 101;
constexpr UINT IDC_BATCH_NUMBER_FIRST = 1017;  // 1017..1020: Mixer1..Mixer4
constexpr UINT IDC_BATCH_FINISH_FIRST = 1002;  // 1002..1005: finish Mixer1..Mixer4

class CBatchNumDlg : public CDialog {
 public:
  static constexpr int kMixerCount = 4;
  using Numbers = std::array<int, kMixerCount>;

  // What the table says of a number for a mixer.
  enum LookupResult {
    kLookupFailed = -1,   // the query failed (the database layer has said why)
    kBatchNew = 0,        // no such batch yet
    kBatchOwnOpen = 1,    // the mixer's own open batch
    kBatchOtherMixer = 2, // another mixer's batch
    kBatchFinished = 3,   // finished already
  };

  static constexpr COLORREF kFocusColor = kBatchFocusedEditColor;
  static constexpr COLORREF kOtherColor = kBatchOtherEditColor;
  // The refusal of Finish while the running recipe still doses into the mixer (its name).
  static constexpr const char* kFinishDuringRunFormat =
      "The process is started and its recipe still doses into %s.\n"
      "Stop process before finishing this batch.";
  // The refusal of Finish, or of another batch number, while material still
  // flows into the mixer (its name, then what was refused).
  static constexpr const char* kWhileFlowingFormat =
      "Material is still flowing into %s: a discharge valve towards it is open, or water is being charged.\n"
      "Close the valves, or let the process end the discharge, before %s.";
  static constexpr const char* kFinishingThisBatch = "finishing this batch";
  static constexpr const char* kGivingAnotherNumber = "giving it another batch number";
  static constexpr const char* kQueryFormat =
      "SELECT * FROM Batch WHERE (strDataSourceType = '%s') AND (nBatchNumber = %d) ";

  explicit CBatchNumDlg(CWnd* parent = nullptr);
  ~CBatchNumDlg() override;

  // The batch-number runner: opens the dialog modally without a parent; IDOK (1)
  // when the numbers were stored, IDCANCEL (2) otherwise. The plant's operator
  // services run it once they know a shift is active.
  static int RunModal();
  // Makes RunModal the plant's batch-number dialog (at start-up).
  static void RegisterRunner();

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  // Validates, opens the rows of new numbers and stores the four numbers in
  // the active shift; any refusal keeps the dialog open with nothing written.
  void OnOK() override;
  // Edits: the focused one yellow, the others green (the input box shares it).
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor) override;

  // The active shift's numbers into the edits; a mixer's own open batch is read-only,
  // a finished one is cleared to 0 (in the shift too).
  BOOL Fill();
  // The batch `number` for `mixer` (0..3) in the current data source; `report`
  // gets the found row's report.
  int LookupBatch(int mixer, int number, std::string* report = nullptr);
  // Finishes the mixer's open batch after the operator confirms it; refused
  // while the process is started and its recipe still doses into the mixer.
  void FinishBatch(int mixer);

  // The four numbers as the edits hold them.
  Numbers ReadNumbers() const;
  // The operator's message for the first rule the numbers break, or "" when they pass.
  static std::string ValidationMessage(const Numbers& numbers);
  // The data source a batch belongs to: the engine's, without the suspension
  // mark, so a batch opened while suspended is found afterwards.
  static std::string BatchDataSourceText();
  // The mixer vessel's level (kg) as the batch rows record it.
  static float ReadMixerLevel(int mixer);

  CEdit& NumberEdit(int mixer) { return m_numberEdits[static_cast<std::size_t>(mixer)]; }
  CBatchRS& BatchTable() { return m_batchRS; }

 private:
  static void RegisterTemplate();
  // The refusal of a number that is another mixer's or finished, with the row's report.
  static void ShowRefusal(int result, const std::string& report);
  void SetShiftNumber(int mixer, int number);

  std::array<CEdit, kMixerCount> m_numberEdits;
  CBatchRS m_batchRS;
};
