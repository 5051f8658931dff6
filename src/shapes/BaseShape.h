#pragma once
// The common base of every plant device drawn on the plant form (vessels,
// valves, pumps, the process-data shapes). A shape is at once:
//  - a child window of the plant form (a static control it paints itself),
//  - the owner of the device's attributes (CRAttribsPack), and
//  - an alarm list (CAlarmPack).
//
// Shapes are process-wide objects built before the Qt application exists: the
// constructor touches nothing of Qt. CreateShape makes the window under the
// plant form (and loads the attributes from the settings file), DestroyWindow
// removes it and writes the drawing settings back; the object lives on.
//
// Deriving a kind
// ---------------
//  - Constructor: pass the settings index, the construction record, the kind
//    and the shape's position in its kind's array; then call SetAttribCount(N)
//    once (N > 26: indexes 0..25 are the common attributes, the kind's own
//    start at 26) and add the kind's alarms.
//  - Give the kind's index ranges per type (GetFirstIndex / GetLastIndex, each
//    [first, last) for VT_R4, VT_BOOL, VT_I4, VT_BSTR; -1 and -1 for none), the
//    names of its attributes (GetAttribNameAt: the kind's name from 26 on, else
//    GetAttribName), its defaults (GetColor for integers, GetDefaultFloat for
//    floats, GetUnitText for texts) and its drawing (Draw, ending with
//    DrawSelectionFrame).
//  - SetAttribBool and SetAttribFloat are the kind's: clamp or scale the value,
//    then store it with StoreAttribBool / StoreAttribFloat (or StoreAttribValue).
//  - Reactions to a value (a valve's output follows its command, a pump starts
//    its stopwatch) go into OnAttribAccepted, never into the setters: the plant
//    form's veto comes first, and a refused value must cause nothing.
//  - CreateShape: LoadPopupMenu(the kind's menu id), then C_BaseShape::CreateShape.
//
// The store path (StoreAttribValue), used by every setter, the property pages,
// the tag notifications and the settings load:
//   1. an equal value (both null, or same type and equal) stops;
//   2. a bound tag that is being read from the device stops (silently);
//   3. the value is set on the attribute (the previous one is kept);
//   4. message 5375 is sent to the plant form (wParam the object id, lParam the
//      index; without a window the answer is 0, accepted);
//   5. refused: the previous value is put back and "Error at <type> operating!"
//      is shown (unless the form answered SHAPE_REFUSED_AND_TOLD: it took the
//      value back itself, WithdrawOffer, before its own box); accepted:
//      OnAttribAccepted runs, and when it also accepts the value is written to
//      the bound tag, otherwise it is put back (no box);
//   6. the window, when it exists, repaints if its picture changed (RepaintIfChanged).
// A per-shape lock covers each compare, set and restore; it is never held
// across the send, a box or a reaction. A restore puts back the previous value
// only while the attribute still holds the refused one.
//
// Threads: the typed getters and setters are called from the UI thread and from
// the engine's worker cycles; a worker's store waits for the plant form's
// answer (cross-thread send), but a refusal box never makes it wait. Window
// messages, timers, settings writes and the flags below run on the UI thread.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/PlantObjectId.h"
#include "datacenter/AnalogUnit.h"
#include "datacenter/RAttribsPack.h"
#include "engine/AlarmPack.h"
#include "platform/ui/GdiTypes.h"
#include "platform/ui/ShapePictureCache.h"
#include "shapes/ShapePictureKey.h"

class CDC;
class CDCTag;
class CIniFile;
class CMenu;
class CPropertySheet;

// Device kinds (bits 16-23 of the object id).
enum EShapeKind : int {
  eShapeKindVessel = 1,
  eShapeKindBelt = 2,
  eShapeKindDosePump = 3,
  eShapeKindValve = 4,
  eShapeKindHelix = 5,
  eShapeKindGearPump = 6,
  eShapeKindCntrFglPump = 7,
  eShapeKindRtryMxr = 8,
  eShapeKindHeatZone = 9,
  eShapeKindRtryWhl = 10,
  eShapeKindSprayDryer = 11,
  eShapeKindDBFValve = 12,
  eShapeKindPrcGeneral = 13,
  eShapeKindPrcShift = 14,
  eShapeKindPrcRecipeGen = 15,
  eShapeKindPrcRecipeStep = 16,
  eShapeKindPrcLoop = 17,
  eShapeKindNone = 255,
};

// The common attributes, 0..25; a kind's own start at SHAPE_COMMON_ATTRIB_COUNT.
enum EShapeAttrib : int {
  eShapeBaseReserveFloat1 = 0,
  eShapeLoadInWay = 1,
  eShapeBaseReserveBool1 = 2,
  eShapeDeviceIsInRecipe = 3,
  eShapeDeviceIsOverloaded = 4,
  eShapeBaseReserveInt1 = 5,
  eShapeColorBgOutOfRecipe = 6,
  eShapeColorBgLocal = 7,
  eShapeColorBG = 8,
  eShapeColorFG = 9,
  eShapeColorFgOverload = 10,
  eShapeColorBody = 11,
  eShapeColorBgOld = 12,
  eShapeColorFgOld = 13,
  eShapeColorBodyOld = 14,
  eShapeColorBgOutOfRecipeOld = 15,
  eShapeColorBgLocalOld = 16,
  eShapeColorFgOverloadOld = 17,
  eShapeDrawPosX = 18,
  eShapeDrawPosY = 19,
  eShapeDrawSizeX = 20,
  eShapeDrawSizeY = 21,
  eShapeActuatorControlType = 22,
  eShapePercentOfHighLowSpeed = 23,
  eShapeBaseReserveString1 = 24,
  eShapeDeviceCaption = 25,
};
inline constexpr int SHAPE_COMMON_ATTRIB_COUNT = 26;

// Index ranges by type laid out one after the other: floats, booleans,
// integers, texts, each range [first, last) ending where the next type starts.
struct ShapeTypeRanges {
  int firstFloat;
  int firstBool;
  int firstInt;
  int firstText;
  int end;  // one past the last text
  // -1 for any other type.
  int First(VARTYPE type) const;
  int Last(VARTYPE type) const;
};

// Messages and timers of a shape window.
inline constexpr UINT SHAPE_PENDING_MESSAGE = 5376;  // posted to the parent: wParam id, lParam 12 or 13
inline constexpr UINT SHAPE_NOTIFY_MESSAGE = 1143;   // posted to the parent: lParam id | code << 8
// The plant form's answer to 5375 that refuses a value and has told the
// operator why already: the store puts the value back without a box of its own.
inline constexpr LRESULT SHAPE_REFUSED_AND_TOLD = 2;
inline constexpr UINT_PTR SHAPE_REDRAW_TIMER = 100;
inline constexpr UINT SHAPE_REDRAW_PERIOD_MS = 90;
inline constexpr UINT_PTR SHAPE_BLINK_TIMER = 102;
inline constexpr UINT SHAPE_BLINK_PERIOD_MS = 96;

// How a shape is built: placement, outline and name, copied whole into the shape.
struct ShapeRecord {
  int drawFlags = 0;     // kind-specific drawing and menu flags
  int x = 0;             // left edge in the plant form's client coordinates
  int y = 0;             // top edge
  int width = 100;
  int height = 100;
  int shapeCode = 0;     // kind-specific outline code
  int form = 0;          // kind-specific form number
  PlantObjectId objectId = 0;  // written by the shape at construction
  std::string deviceName;      // e.g. "Mixer1"

  ShapeRecord() = default;
  ShapeRecord(int x, int y, int width, int height, int shapeCode, int form, std::string deviceName,
              int drawFlags = 0);
};

class C_BaseShape : public CRAttribsPack, public CAlarmPack {
 public:
  // `instanceIndex` is the shape's position in its kind's array (bits 0-15 of the id).
  C_BaseShape(BYTE settingsIndex, const ShapeRecord& record, BYTE kind, int instanceIndex);
  ~C_BaseShape() override;

  // ---- identity ----
  PlantObjectId GetObjectId() const { return m_record.objectId; }
  int GetInstanceIndex() const { return static_cast<int>(m_record.objectId & 0xFFFF); }
  BYTE GetSettingsIndex() const { return m_settingsIndex; }
  BYTE GetDeviceKind() const { return m_kind; }
  const ShapeRecord& GetRecord() const { return m_record; }
  const std::string& GetDeviceName() const { return m_record.deviceName; }
  // How many shapes of this kind and settings index are alive.
  int GetTypeInstanceCount() const;

  // ---- window ----
  // Makes the window under `parent` at the record's rectangle (control id = the
  // object id), listens to the tags, loads the settings and copies the analog
  // limits to the tags. A kind loads its menu first (LoadPopupMenu).
  virtual BOOL CreateShape(CWnd* parent);
  bool UsesQtDefaultHandling() const override { return false; }
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

  // ---- property sheet ----
  // Runs the modal sheet "Control Properties   <full name>" with the pages of
  // AddPropertyPages, then deletes the pages.
  virtual void ShowProperties();
  // The calibration pages, the graphic page, the general page (a kind may add its own first).
  virtual void AddPropertyPages(CPropertySheet* sheet);
  // One calibration page per four analog channels, and one when there is none.
  virtual int GetCalibrationPageCount() const;

  // ---- attribute types: ranges [first, last) per type, -1/-1 for none ----
  // Common ranges: float [0,2), boolean [2,5), integer [5,24), text [24,26).
  virtual int GetBaseFirstIndex(VARTYPE type) const;
  virtual int GetBaseLastIndex(VARTYPE type) const;
  virtual int GetFirstIndex(VARTYPE type) const = 0;
  virtual int GetLastIndex(VARTYPE type) const = 0;

  // ---- typed getters: the value converted from the type it holds ----
  virtual bool GetAttribBool(int index) const;
  virtual float GetAttribFloat(int index) const;
  virtual int GetAttribInt(int index) const;
  virtual double GetAttribDouble(int index) const;
  virtual std::string GetAttribText(int index) const;

  // ---- settings of the attributes ("Data" key unless told otherwise) ----
  // Each write happens only when the stored value differs.
  virtual void IniWriteInt(int index, int field = eAttribIniData);
  virtual int IniReadInt(int index, int field = eAttribIniData) const;      // default GetColor(index)
  virtual void IniWriteFloat(int index, int field = eAttribIniData);
  virtual float IniReadFloat(int index, int field = eAttribIniData) const;  // default GetDefaultFloat(index)
  // The saved integer or float value through its setter; other types nothing.
  virtual void LoadAttribFromIni(int index);
  // Sets an integer or float attribute, then saves what it holds afterwards
  // (clamped, dropped or refused: the saved value is never one it does not hold).
  virtual void ApplyAndSave(int index, const Variant& value);

  // ---- defaults ----
  // The default of integer attribute `index` (common: 6..22, else 0).
  virtual int GetColor(int index) const;
  // 0.5 for LoadInWay, else 0.
  virtual float GetDefaultFloat(int index) const;
  // The default of a settings text ("" here).
  virtual std::string GetUnitText(int index) const;
  // "<attribute name>.<Data|Tag|TagTransform|Visible|ASD>".
  virtual std::string GetIniKeyName(int index, int field) const;
  // "Vessel", "Valve", ... by kind; "" for an unknown kind.
  virtual std::string GetDeviceTypeName() const;

  // ---- alarms ----
  // Every alarm inactive with its stopwatches reset, then DeviceIsOverloaded off.
  virtual void ResetAlarms();

  // ---- typed setters: an equal value does nothing; else StoreAttribValue ----
  virtual void SetAttribBool(int index, bool value) = 0;
  virtual void SetAttribFloat(int index, float value) = 0;
  virtual void SetAttribInt(int index, int value);
  virtual void SetAttribDouble(int index, double value);
  virtual void SetAttribString(int index, const std::string& value);  // trimmed first

  // The common names; any other index as eight upper-case hex digits.
  virtual std::string GetAttribName(int index) const;

  // Draws the device (WM_PAINT). Ends with DrawSelectionFrame. Kinds draw
  // through PaintPicture, so an unchanged picture is only copied.
  virtual void Draw(CDC* dc) = 0;

  // ---- messages to the plant form (0 while the window does not exist) ----
  virtual LRESULT PostToParent(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT SendToParent(UINT message, WPARAM wParam, LPARAM lParam);
  // Posts 1143: wParam 0, lParam the object id OR (code << 8).
  virtual LRESULT NotifyParent(int code);

  // A tag's message 5374; 1 when ignored, else 0.
  virtual int OnTagNotify(CDCTag* tag, int code);

  // Told after the plant form accepted a stored value, before it goes to the
  // tag: the kind's reactions. FALSE refuses the value, which is then put back
  // (the kind shows its own message, if any). TRUE here.
  virtual BOOL OnAttribAccepted(int index);

  // ---- the pack's slots ----
  Variant GetDefaultVariant(int index) const override;
  void StoreAttribValue(int index, const Variant& value) override;
  // For the plant form refusing a value it is being offered (5375): puts the
  // attribute's previous value back before the form tells the operator why,
  // so nothing draws or runs the refused state while the box is up. The store
  // then counts the value refused. Nothing while no offer of `index` waits.
  void WithdrawOffer(int index);
  // Sets a withdrawn offer of `index` again, when the form asked the operator
  // something and goes on deciding; false when another store changed the
  // attribute meanwhile (the offer stays withdrawn).
  bool RenewOffer(int index);
  VARTYPE FindAttribVarType(int index) const override;
  void LoadAttribsFromIni() override;
  int GetAnalogRole(int index) const override;
  int GetAnalogGroupAttrib(int index, int role) const override;
  std::string GetSectionName() const override;  // "<type>.<device name>", XML-escaped
  BOOL SectionExists(const std::string& section) const override;
  void WriteIniValue(int index, int field, const std::string& text) override;
  std::string ReadIniValue(int index, int field) const override;  // default GetUnitText(index)
  BOOL OnPendingFlagChanged(int code) override;

  // ---- the alarm list's slot ----
  // Code 3 makes the alarm-active flag follow the any-active summary.
  void OnPackChanged(int code) override;

  // ---- names ----
  // "[<type>.<device name>]", plus " - <caption>" when the caption differs from the name.
  std::string GetFullName() const;
  // The caption: attribute 25, or the device name when that is empty.
  std::string GetCaption() const;
  // Puts the section name into `out`, copies it to the clipboard and, when
  // asked, tells the operator with a balloon.
  void CopySectionName(std::string& out, bool showBalloon);

  // ---- analog channels (display value, unit, fill percentage) ----
  // n > 0 makes n fresh channels, 0 deletes them all.
  void CreateAnalogUnits(int count);
  CAnalogUnit* GetAnalogUnit(int index) const;  // null outside
  int GetAnalogUnitCount() const { return static_cast<int>(m_analogUnits.size()); }

  // ---- blinking and the selection frame (UI thread) ----
  // Setting any of these true starts the blink timer; the timer stops itself
  // once all three are false.
  void SetPropSheetOpen(bool open);
  void SetActionDlgOpen(bool open);
  void SetAlarmActive(bool active);
  bool IsPropSheetOpen() const { return m_propSheetOpen.load(); }
  bool IsActionDlgOpen() const { return m_actionDlgOpen.load(); }
  bool IsAlarmActive() const { return m_alarmActive.load(); }
  bool GetBlinkPhase() const { return m_blinkPhase.load(); }
  // The frame's pen colour for the present phase and flags.
  COLORREF GetSelectionFrameColor() const;
  // A 1-pixel rectangle over the whole client area, hollow inside.
  void DrawSelectionFrame(CDC* dc);
  // Redraws every 90 ms until the window goes (kinds start it when animating):
  // each tick moves the animation on and repaints when the picture changed.
  void StartRedrawTimer();

  // ---- repainting only what changed (UI thread unless said otherwise) ----
  // Invalidates the shape's window when its picture differs from the one it
  // shows. From any thread (a worker's store asks the UI thread).
  void RepaintIfChanged();
  // True when the picture the keys describe differs from the one kept.
  bool IsPictureChanged() const;

  // ---- process-wide state of all shapes ----
  // The settings-file table by settings index. InitIniTable replaces the table
  // with `size` empty entries and reports every pair of device names that are
  // equal ignoring case. The table owns its files.
  static void InitIniTable(int size);
  static void SetIniTableEntry(int index, std::unique_ptr<CIniFile> file);
  static CIniFile* GetIniTableEntry(int index);
  static void FreeIniTable();
  static COLORREF GetShapeBackColor();
  static void SetShapeBackColor(COLORREF color);

  // ---- window messages ----
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnTimer(UINT_PTR id) override;
  void OnPaint() override;
  // Nothing to erase: the picture covers the whole window.
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnDestroy() override;
  void OnRButtonUp(UINT flags, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;

 protected:
  // The kind's picture in its two layers (see ShapePictureCache), each drawn
  // from what its key holds: the still layer from AddStillPictureKey, the
  // moving one (which ends with DrawSelectionFrame) from AddMovingPictureKey.
  void PaintPicture(CDC* target, const ShapePictureCache::Layer& still, const ShapePictureCache::Layer& moving);
  // What each layer is drawn from. The base adds the client size and the
  // shape background colour (still), the blink phase and the frame colour
  // (moving); a kind adds every value its layers read.
  virtual void AddStillPictureKey(ShapePictureKey& key) const;
  virtual void AddMovingPictureKey(ShapePictureKey& key) const;
  // One tick of the redraw timer moves the kind's animation on (nothing here).
  virtual void AdvanceAnimation() {}

  // The kind's pop-up menu (its first sub-menu opens on a right click).
  BOOL LoadPopupMenu(UINT resourceId);
  CMenu* GetPopupMenu() const { return m_popup; }
  // The common setters' work, for the kinds' SetAttribBool / SetAttribFloat.
  void StoreAttribBool(int index, bool value);
  void StoreAttribFloat(int index, float value);
  // The pop-up's on/off items ("Take ON", "Take OFF Inc", ...) do what their
  // word said when the menu opened, even when the device changed while it was
  // up: the kind records that value as it writes the word, the command sets it.
  // A command without an opened menu turns the state over, as its word would say.
  // The promises end when the menu closes (the chosen one when its command
  // has taken it).
  void PromiseMenuCommand(UINT item, bool value);
  // Sets boolean `command` to what `item` promised.
  void TakeMenuCommand(UINT item, int command);
  // The same for a speed command; switched on, it also switches off `other`,
  // the command that drives the opposite way.
  void TakeSpeedCommand(UINT item, int command, int other);

 private:
  bool IsInRange(VARTYPE type, int index) const;
  // What `item` promised, ending the promise; without one, the state turned over.
  bool TakeMenuPromise(UINT item, int command);
  // A value being offered to the plant form, while the form decides.
  struct Offer {
    int index;
    Variant previous;
    Variant wanted;
    bool withdrawn;
  };
  void ShowRefusal();
  void RestoreRefused(CRAttrib* attrib, const Variant& previous, const Variant& refused);
  void OnBlinkTick();
  void StartBlinkTimer();
  void WriteBackDrawingSettings();
  void RepaintOnUiThreadIfChanged();

  ShapeRecord m_record;
  ShapePictureCache m_pictureCache;  // UI thread
  std::atomic<bool> m_blinkPhase{false};
  std::atomic<bool> m_propSheetOpen{false};
  std::atomic<bool> m_actionDlgOpen{false};
  std::atomic<bool> m_alarmActive{false};
  int m_blinkCounter = 0;
  std::unique_ptr<CMenu> m_menu;
  CMenu* m_popup = nullptr;
  std::map<UINT, bool> m_menuPromises;  // UI thread
  std::vector<std::unique_ptr<CAnalogUnit>> m_analogUnits;
  const BYTE m_settingsIndex;
  const BYTE m_kind;
  std::mutex m_storeMutex;
  std::vector<Offer*> m_offers;  // the stores waiting for the form's answer (m_storeMutex)
};

// Shows the notice that a section name was copied to the clipboard (a balloon
// at the cursor, information icon, 3000 ms). Tests set a handler that records
// the notice instead; an empty handler restores the balloon.
using ShapeCopyNoticeHandler = std::function<void(CWnd* parent, const std::string& text)>;
void SetShapeCopyNoticeHandler(ShapeCopyNoticeHandler handler);
