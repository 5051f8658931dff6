#include "app/BatchNumDlg.h"

#include <utility>

#include "common/Conversions.h"
#include "common/TimeAndKeys.h"
#include "controls/EditFocusColors.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CBrush.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CDataExchange.h"
#include "plant/DosingStateMachine.h"
#include "plant/MaterialLedger.h"
#include "plant/PlantModel.h"
#include "plant/PlantOperatorServices.h"
#include "plant/RuvEngineApp.h"
#include "records/ShiftRS.h"
#include "records/TableEngineServices.h"

namespace {

constexpr const char* kSuspendedMark = " [Suspended]";

const char* const kNoNumberText = "لطفا شماره بچ را وارد كنيد";
const char* const kSameNumberFormat = "لطفا شماره بچ متفاوت براي ميكسر %d و %d وارد كنيد";
const char* const kUsedByAnotherMixerText = "بچ زير قبلا براي ميكسر ديگري استفاده شده است\n";
const char* const kFinishedAlreadyText = "بچ زير قبلا ثبت شده و اتمام يافته است\n";
const char* const kNotStartedText = "بچ زير شروع نشده و ثبت نشده است\n\n";
const char* const kFinishQuestion = "آيا ميخواهيد بچ با مشخصات زير را الان تمام كنيد؟\n";

constexpr UINT kOperatorErrorStyle = MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL;

bool IsGiven(int number) { return number >= 1; }

}  // namespace

void CBatchNumDlg::RegisterTemplate() {
  static const bool registered = [] {
    DialogTemplate dialog;
    dialog.id = IDD_BATCH_NUMBERS;
    dialog.caption = "Batch Numbers";
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    dialog.cx = 190;
    dialog.cy = 110;
    for (int mixer = 0; mixer < kMixerCount; ++mixer) {
      const int y = 8 + mixer * 18;
      const UINT offset = static_cast<UINT>(mixer);
      dialog.items.push_back({kLabelId, kStaticClass, GetMixerName(mixer), WS_VISIBLE | SS_LEFT, 7, y + 2, 36, 10});
      dialog.items.push_back({IDC_BATCH_NUMBER_FIRST + offset, kEditClass, "",
                              WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 46, y, 80, 13});
      dialog.items.push_back({IDC_BATCH_FINISH_FIRST + offset, kButtonClass, "Finish",
                              WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 133, y, 50, 13});
    }
    dialog.items.push_back({static_cast<UINT>(IDOK), kButtonClass, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                            79, 89, 50, 14});
    dialog.items.push_back({static_cast<UINT>(IDCANCEL), kButtonClass, "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                            133, 89, 50, 14});
    RegisterDialogTemplate(dialog);
    return true;
  }();
  (void)registered;
}

CBatchNumDlg::CBatchNumDlg(CWnd* parent) : CDialog(IDD_BATCH_NUMBERS, parent) { RegisterTemplate(); }

CBatchNumDlg::~CBatchNumDlg() = default;

int CBatchNumDlg::RunModal() {
  CBatchNumDlg dialog(nullptr);
  // A dialog that could not open confirmed nothing.
  return dialog.DoModal() == IDOK ? IDOK : IDCANCEL;
}

void CBatchNumDlg::RegisterRunner() { CPlantOperatorServices::SetBatchNumberDialogRunner(&CBatchNumDlg::RunModal); }

float CBatchNumDlg::ReadMixerLevel(int mixer) { return GetShapeAttribFloat(GetMixerId(mixer), eCodeLevel); }

std::string CBatchNumDlg::BatchDataSourceText() {
  std::string text = GetTableEngine()->GetDataSourceText();
  const std::string mark = kSuspendedMark;
  if (text.ends_with(mark)) text.erase(text.size() - mark.size());
  return text;
}

void CBatchNumDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  for (int mixer = 0; mixer < kMixerCount; ++mixer)
    DDX_Control(dx, IDC_BATCH_NUMBER_FIRST + static_cast<UINT>(mixer), m_numberEdits[static_cast<std::size_t>(mixer)]);
}

BOOL CBatchNumDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_batchRS.SetStripMemberPrefix(true);
  CRuvEngineApp* engine = GetEngineRoot();
  m_batchRS.SetDatabase(engine ? engine->GetDatabase() : nullptr);
  CWnd* view = engine ? engine->GetOwnerView() : nullptr;
  m_batchRS.SetOwnerWnd(view ? view->GetSafeHwnd() : nullptr);
  Fill();
  return TRUE;
}

BOOL CBatchNumDlg::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED) && id >= IDC_BATCH_FINISH_FIRST &&
      id < IDC_BATCH_FINISH_FIRST + static_cast<UINT>(kMixerCount)) {
    FinishBatch(static_cast<int>(id - IDC_BATCH_FINISH_FIRST));
    return TRUE;
  }
  return CDialog::OnCmdMsg(id, code);
}

HBRUSH CBatchNumDlg::OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor) {
  if (HBRUSH brush = EditFocusBrush(dc, control, ctlColor, kFocusColor, kOtherColor)) return brush;
  return CDialog::OnCtlColor(dc, control, ctlColor);
}

CBatchNumDlg::Numbers CBatchNumDlg::ReadNumbers() const {
  Numbers numbers{};
  for (std::size_t i = 0; i < numbers.size(); ++i) numbers[i] = TextToInt(m_numberEdits[i].GetWindowText());
  return numbers;
}

void CBatchNumDlg::SetShiftNumber(int mixer, int number) {
  if (CShiftRS* shift = g_pShiftRS.load()) shift->SetActiveMixerBatchNumber(mixer, number);
}

BOOL CBatchNumDlg::Fill() {
  CShiftRS* shift = g_pShiftRS.load();
  for (int mixer = 0; mixer < kMixerCount; ++mixer)
    NumberEdit(mixer).SetWindowText(IntToText(shift ? shift->GetActiveMixerBatchNumber(mixer, false) : 0));
  const Numbers numbers = ReadNumbers();
  for (int mixer = 0; mixer < kMixerCount; ++mixer) {
    const int number = numbers[static_cast<std::size_t>(mixer)];
    const int result = IsGiven(number) ? LookupBatch(mixer, number) : kBatchNew;
    NumberEdit(mixer).SetReadOnly(result == kBatchOwnOpen ? TRUE : FALSE);
    if (result == kBatchFinished) {
      NumberEdit(mixer).SetWindowText("0");
      SetShiftNumber(mixer, 0);
    }
  }
  return TRUE;
}

int CBatchNumDlg::LookupBatch(int mixer, int number, std::string* report) {
  if (report) report->clear();
  const std::string query = ruv::Format(kQueryFormat, BatchDataSourceText().c_str(), number);
  if (!m_batchRS.SetSourceAndReopen(query)) return kLookupFailed;
  if (m_batchRS.GetRecordCount() == 0) return kBatchNew;
  const CBatchRS::CSTFields& row = m_batchRS.Current();
  if (report) *report = row.GetReportText();
  if (row.IsFinished()) return kBatchFinished;
  return row.GetMixerName() == GetMixerName(mixer) ? kBatchOwnOpen : kBatchOtherMixer;
}

std::string CBatchNumDlg::ValidationMessage(const Numbers& b) {
  auto same = [&](int first, int second) {
    const int x = b[static_cast<std::size_t>(first)], y = b[static_cast<std::size_t>(second)];
    return IsGiven(x) && x == y;
  };
  auto sameText = [](int first, int second) { return ruv::Format(kSameNumberFormat, first + 1, second + 1); };
  for (int other : {1, 2, 3})
    if (same(0, other)) return sameText(0, other);
  if (!IsGiven(b[0]) && !IsGiven(b[1]) && !IsGiven(b[2]) && !IsGiven(b[3])) return kNoNumberText;
  for (const auto& [first, second] : {std::pair{1, 2}, std::pair{1, 3}, std::pair{2, 3}})
    if (same(first, second)) return sameText(first, second);
  return std::string();
}

void CBatchNumDlg::ShowRefusal(int result, const std::string& report) {
  if (result == kBatchOtherMixer) AfxMessageBox(kUsedByAnotherMixerText + report, kOperatorErrorStyle);
  if (result == kBatchFinished) AfxMessageBox(kFinishedAlreadyText + report, kOperatorErrorStyle);
}

void CBatchNumDlg::OnOK() {
  const Numbers numbers = ReadNumbers();
  if (const std::string refusal = ValidationMessage(numbers); !refusal.empty()) {
    AfxMessageBox(refusal, kOperatorErrorStyle);
    return;
  }
  // What flows into a mixer now belongs to the batch it has: its number stays until that ends.
  if (const CShiftRS* shift = g_pShiftRS.load()) {
    for (int mixer = 0; mixer < kMixerCount; ++mixer) {
      const int number = numbers[static_cast<std::size_t>(mixer)];
      const int current = shift->GetActiveMixerBatchNumber(mixer, false);
      if (number == current || !GetMaterialLedger().IsFlowingInto(mixer)) continue;
      AfxMessageBox(ruv::Format(kWhileFlowingFormat, GetMixerName(mixer).c_str(), kGivingAnotherNumber),
                    kOperatorErrorStyle);
      return;
    }
  }
  // Every number is checked before any row is added, so a refusal leaves no row behind.
  Numbers results{};
  for (int mixer = 0; mixer < kMixerCount; ++mixer) {
    const std::size_t i = static_cast<std::size_t>(mixer);
    if (!IsGiven(numbers[i])) continue;
    std::string report;
    results[i] = LookupBatch(mixer, numbers[i], &report);
    if (results[i] == kLookupFailed) return;
    if (results[i] == kBatchOtherMixer || results[i] == kBatchFinished) {
      ShowRefusal(results[i], report);
      return;
    }
  }
  // New batches go in through the plant's batch table, whose active record
  // each new row becomes.
  CBatchRS* batches = g_pBatchRS.load();
  for (int mixer = 0; mixer < kMixerCount; ++mixer) {
    const std::size_t i = static_cast<std::size_t>(mixer);
    if (!IsGiven(numbers[i]) || results[i] != kBatchNew) continue;
    if (!batches) return;  // no plant tables: nothing can be opened, the shift stays as it was
    CBatchRS::CSTFields& row = batches->Scratch();
    row.Reset();
    row.m_strDataSourceType = BatchDataSourceText();
    row.SetMixerName(GetMixerName(mixer));
    row.SetBatchNumber(numbers[i]);
    row.SetMixerLevelAtStartTime(ReadMixerLevel(mixer));
    if (!batches->AddNew()) return;  // shown by the database layer; the shift stays as it was
  }
  for (int mixer = 0; mixer < kMixerCount; ++mixer) {
    const int number = numbers[static_cast<std::size_t>(mixer)];
    SetShiftNumber(mixer, IsGiven(number) ? number : 0);
  }
  if (CShiftRS* shift = g_pShiftRS.load()) shift->NotifyOwner(kTableActiveShiftChanged);
  EndDialog(IDOK);
}

void CBatchNumDlg::FinishBatch(int mixer) {
  const int number = ReadNumbers()[static_cast<std::size_t>(mixer)];
  std::string report;
  const int result = IsGiven(number) ? LookupBatch(mixer, number, &report) : kBatchNew;
  switch (result) {
    case kBatchNew:
      AfxMessageBox(kNotStartedText + std::string("Batch Number:") + IntToText(number), kOperatorErrorStyle);
      return;
    case kBatchOtherMixer:
    case kBatchFinished:
      ShowRefusal(result, report);
      return;
    case kBatchOwnOpen:
      break;
    default:
      return;  // the failed look-up was shown
  }
  // The rest of the mix would go into the next batch: one mix, two batches.
  CProcessEngineApp& process = GetProcessEngine();
  if ((process.IsStarted() || process.IsCycleActive()) && CDosingStateMachine::RunDosesIntoMixer(mixer)) {
    AfxMessageBox(ruv::Format(kFinishDuringRunFormat, GetMixerName(mixer).c_str()), kOperatorErrorStyle);
    return;
  }
  // Material still entering the mixer would be credited to a finished batch.
  if (GetMaterialLedger().IsFlowingInto(mixer)) {
    AfxMessageBox(ruv::Format(kWhileFlowingFormat, GetMixerName(mixer).c_str(), kFinishingThisBatch),
                  kOperatorErrorStyle);
    return;
  }
  if (AfxMessageBox(kFinishQuestion + report, MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_SYSTEMMODAL) !=
      IDYES)
    return;
  CBatchRS::CSTFields& row = m_batchRS.Current();
  row.SetFinished(true);
  row.SetEndDateTime(GetNowDate());
  row.SetMixerLevelAtEndTime(ReadMixerLevel(mixer));
  if (!m_batchRS.SaveCurrent()) return;  // shown by the database layer; the batch stays open
  SetShiftNumber(mixer, 0);
  if (CShiftRS* shift = g_pShiftRS.load()) shift->NotifyOwner(kTableActiveShiftChanged);
  Fill();
  // The mixer has no batch left to finish: the focus goes to its number, so
  // that Return does not finish "batch 0" and the next batch's number can be typed.
  GotoDlgCtrl(&NumberEdit(mixer));
}
