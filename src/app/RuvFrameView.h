#pragma once
// The plant form: the one view of the application and the plant engine's owner
// window. Its creation starts the engine (tables, shape windows, process
// steps), its initial update sets up the labels, switches to Demo, starts the
// one-second refresh and opens the recipe dialog; it carries the plant menu's
// commands, paints the pipes between the shapes, and shuts the engine down
// when it is destroyed.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/PlantFormTemplate.h"
#include "app/RefusedRowChanges.h"
#include "common/PlantObjectId.h"
#include "controls/CNemLabel.h"
#include "datacenter/RTimer.h"
#include "platform/ui/CFormView.h"
#include "platform/ui/ShapePictureCache.h"
#include "plant/MaterialLedger.h"
#include "records/Event2RS.h"

class CMaterial;
class CRecipeDlg;
class CResizableDialog;

// Messages of the plant form (besides the tables' 5378).
inline constexpr UINT WM_SHAPE_ATTRIB_CHANGED = 5375;  // sent by a shape: wParam its id, lParam the attribute
inline constexpr UINT WM_SHAPE_PENDING_CHANGED = 5376;
inline constexpr UINT WM_CHARGE_START = 5381;  // wParam 1, lParam the material
inline constexpr UINT WM_CHARGE_EVENT = 5382;  // wParam 4, 5 or 7, lParam the material
inline constexpr UINT WM_RECIPE_DLG_BRING_FORWARD = 0x402;

// Timers: the refresh, and one charge-end timer per charged material (301 + m).
inline constexpr UINT_PTR kRefreshTimer = 6600;
inline constexpr UINT kRefreshPeriodMs = 1000;
inline constexpr UINT_PTR kFirstChargeEndTimer = 301;
inline constexpr UINT_PTR kLastChargeEndTimer = 309;

// Commands of the plant menu.
enum EPlantFormCommand : UINT {
  ID_RECORDING_1_CYCLE = 107,
  ID_RECORDING_NONE = 108,
  ID_START_PROCESS = 109,
  ID_STOP_PROCESS = 110,
  ID_DATA_SOURCE_DEMO = 111,
  ID_DATA_SOURCE_NONE = 112,
  ID_DATA_SOURCE_REAL = 113,
  ID_RECIPE_TABLE = 114,
  ID_SHIFT_TABLE = 115,
  ID_BATCH_NUMBERS = 40000,
  ID_RECORD_INTERVAL = 40002,
};

inline constexpr const char* kBuildBanner = "RuvFrame[2k8] ZoruVarediz Melot 881120-S1";
inline constexpr const char* kNoActiveRecipeText = "براي شروع پروسس اتومات، نياز به ثبت فرمول فعال است";
inline constexpr const char* kNoBatchNumberText = "به دليل نداشتن شماره بچ پروسه شروع نشد";
inline constexpr const char* kStartProcessMessageCaption = "Start process message";
inline constexpr const char* kNotClosableText = "This is not closable!";
inline constexpr const char* kEmptyReportText = "Report goes here ...";
inline constexpr const char* kNoWaterDirectionText = "مسير بارگيري آب مشخص نيست";
inline constexpr const char* kNoWaterDirectionCaption = "Invalid Discharge Direction";
// The one box that refuses a pump into a weigher at its maximum.
std::string MakeFullWeigherPumpText(const std::string& pump, const std::string& weigher);
inline constexpr const char* kFullWeigherPumpCaption = "Pump";
inline constexpr const char* kDataSourceChangeRefusal =
    "Remember, before changing the data source you must\n"
    "stop process: each change switches every output off.";
inline constexpr const char* kDataSourceChangeCaption = "Data Source change Message";
inline constexpr const char* kNoDataSourceText =
    "Remember, before starting process you must\nselect the data source Demo or Real.";
inline constexpr UINT kDataSourceBlinkMs = 333;
// The report line while the close waits for the links' last writes.
inline constexpr const char* kSwitchingOutputsOffNote = "Closing: switching the outputs off...";
// How long the close waits for the links to stop before it goes on without them.
inline constexpr DWORD kCloseLinkWaitMs = 10000;
// The commands the close's report line names; the rest are counted.
inline constexpr std::size_t kCloseCommandsNamed = 5;
// A pump that would charge into a batcher whose discharge valve stands open
// (material, batcher), and a discharge valve of a batcher being charged
// (batcher, material).
inline constexpr const char* kPumpIntoOpenBatcherFormat =
    "%s is not charged: the discharge valve of %s is open, and it would run on into a mixer unweighed.\n"
    "Close the discharge valve of %s first.";
inline constexpr const char* kDischargeWhileChargingFormat =
    "The discharge valve of %s does not open while %s is being charged into it.\n"
    "Open it once the pump is off.";
// A pump into a weigher another pump charges (material, weigher, the other material).
inline constexpr const char* kTwoChargesFormat =
    "%s is not charged: %s is being charged with %s.\n"
    "One charge at a time, so that each is weighed: start the pump once the other is off.";
inline constexpr const char* kChargeRefusedCaption = "Charge and discharge";
// An Event2 row the ledger still had to change is gone from the database (row id, material).
inline constexpr const char* kLostRowFormat =
    "The record of a charge (Event2 row %d, %s) is no longer in the database: another program deleted it.\n"
    "Its later changes are not written.";

// The start could not read which charges an earlier session left in the
// weighers (the database's words).
inline constexpr const char* kOpenRowsUnreadFormat =
    "The records of the charges still in the weighers could not be read from the database (%s).\n"
    "Their rows stay as they are: what those charges hold is credited to no batch.";

class CRuvFrameView : public CFormView {
 public:
  CRuvFrameView();
  ~CRuvFrameView() override;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void DoDataExchange(CDataExchange* dx) override;
  void OnInitialUpdate() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  // The form's own menu commands (run, tables, recording, data source).
  static bool IsFormCommand(UINT id);
  BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;

  int OnCreate(LPCREATESTRUCT cs) override;
  void OnDestroy() override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnTimer(UINT_PTR id) override;

  // ---- start and refresh ----
  // The engine's start from the window's creation; false when its
  // initialisation failed (the quit with code 1 is then posted).
  bool StartEngine();
  bool IsEngineStarted() const { return m_engineStarted; }
  // Moves shapes and labels to points taken from other shapes.
  void ArrangePlant();
  // Data source, batch numbers and the process report into their labels.
  void UpdateReport();
  // The close's first step, asked again by the frame's timer until it is true:
  // the plant leaves the hardware (outputs off, the links asked to stop), the
  // report line saying so. True once every link has stopped, or the wait's
  // bound has passed: what was still not written then is named on the
  // standard error output and on the report line. Runs no loop of its own.
  bool LeaveHardwareForClose();
  // The pipes over the shapes' background colour, into `dc` of `client`'s size.
  // A paint copies the part it repaints from the kept picture of them.
  void DrawForm(CDC& dc, const CRect& client);
  // The whole form for a print, the blinking data source in its own colour.
  QImage PrintPicture() override;

  // ---- commands ----
  void OnStartProcess();
  void OnStopProcess();
  // The data-source commands; refused while the process is started.
  void OnDataSource(UINT id);
  void OnRecipeTable();
  void OnShiftTable();
  void OnBatchNumbers();
  void OnRecordInterval();
  LRESULT OnTableNotify(WPARAM table, LPARAM reason);

  // ---- interlocks and charge events ----
  // A shape offers an attribute's new value (already set on the shape): 1
  // refuses it, 0 accepts it.
  LRESULT OnShapeNotify(WPARAM objectId, LPARAM attribute);
  // Whether valve `valveIndex` may open or close; an allowed open of a
  // direction valve also sets its batcher's direction and closes its siblings.
  BOOL CheckValveInterlock(int valveIndex, bool open);
  // Whether a pump may start: not into a batcher whose discharge valve stands
  // open, nor water into a mixer without a batch number (the operator is told
  // why, or asked for the number).
  bool AllowPumpStart(PlantObjectId pump);
  // Whether a batcher's discharge valve may open: not while a pump charges it.
  bool AllowDischargeValve(int valveIndex);
  // A general process-data flag changed: a batcher in local mode is stopped.
  void OnLocalModeChanged(int attribute);
  // After an accepted valve or pump change: the materials' event messages, or
  // the charge-end timer of a pump switched off. A charge start is posted only
  // for a material really being charged (water with a water direction,
  // Water-Ex with its own direction valve open), with the weighing vessel's
  // level read now, before the pump moves anything; a pump switched off ends
  // exactly the charges it started.
  void PostChargeEvents(PlantObjectId objectId, bool value);
  // A new "Event2" row for material `lParam`.
  LRESULT OnChargeStart(WPARAM, LPARAM material);
  // Code 4 charge end, 5 discharge start, 7 discharge end on material
  // `lParam`'s row; 1 when it has none or the row is left alone.
  LRESULT OnChargeEvent(WPARAM code, LPARAM material);
  // The charge ends still waiting on their timers, now (at shut-down).
  void RunPendingChargeEnds();
  // The rows an earlier session left in the batchers, into the material
  // ledger (once, before the Demo may start its levels again).
  void AdoptRowsLeftInWeighers();

  CNemLabel& Label(UINT id);
  CRecipeDlg* GetRecipeDlg() const { return m_pRecipeDlg.get(); }
  // The screen rectangles of the plant's shapes and labels as they stand with
  // the main window maximised on `area`, and where a dialog of outer `size`
  // goes beside them there: the recipe dialog's place at its first start.
  struct PlantRects {
    std::vector<CRect> shapes;
    std::vector<CRect> labels;  // and any other window of the form
  };
  PlantRects GetPlantRectsOnScreen(const CRect& area) const;
  CRect FindPlaceBesidePlant(const CRect& area, const CSize& size) const;
  // What "&No.Rec" and "&1 Cycle" set; nothing reads it.
  int GetRecordingFlag() const { return m_recordingFlag; }

 private:
  static constexpr int kLabelCount = 12;
  void SetUpLabels();
  void DestroyRecipeDlg();
  void PlaceBesidePlant(CResizableDialog& dialog) const;
  void DestroyShapeWindows();

  // Report, captions (Color, Essence, DM Water, Preservative, Litron), title,
  // data source, the four batch labels: in the order of their ids above.
  std::array<CNemLabel, kLabelCount> m_labels;
  std::unique_ptr<CRecipeDlg> m_pRecipeDlg;
  bool m_engineStarted = false;
  int m_recordingFlag = 0;
  static constexpr int kChargeSlots = 9;
  // What the weighers held when the program started (rows an earlier session
  // left open) goes into the material ledger once.
  bool m_weighersAdopted = false;
  // The material ledger's new and changed entries, written as Event2 rows.
  void WriteLedgerRows();
  // Row changes the database refused: told once, shown in the report line, tried again.
  CRefusedRowChanges m_refusedRows;
  static void FillRow(CEvent2RS::CSTFields& row, const CMaterial& material, const CMaterialLedger::RowState& state);
  // A discharge's rows, posted (written at once while the form closes).
  void PostRowsEvent(int code, int material);
  bool m_closing = false;  // the form is being destroyed: its commands are refused
  bool m_leavingHardware = false;  // the close has switched the outputs off and waits for the links
  CRTimer m_leaveWatch;            // since the close switched the outputs off
  std::string m_closingNote;       // the close's word on the report line, before all else
  ShapePictureCache m_picture;  // the background and the pipes
};
