#pragma once
// The colours of a shape: six colour buttons, each storing its colour into the
// shape at once (the shape repaints), "Save Colors" writing them to the
// settings, "Cancel" putting back the colours saved last. Closing the page
// cancels what was not saved.
#include <array>
#include <string>

#include "controls/CColorButton.h"
#include "platform/ui/CButton.h"
#include "shapes/PropertyPageBase.h"

class CGraphicPropPage : public CPropertyPageBase {
 public:
  struct ColorSlot {
    UINT buttonId;
    int colorAttrib;
    int savedAttrib;
  };
  static const std::array<ColorSlot, 6> kColorSlots;

  CGraphicPropPage();

  const std::string& GetUniqueIdText() const { return m_uniqueId; }
  CColorButton* GetColorButton(UINT buttonId);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCmdMsg(UINT id, int code) override;
  void OnDestroy() override;

  void SaveColors();
  void CancelColors();

 private:
  void OnColorChosen(const ColorSlot& slot);
  void EnableSaveAndCancel(bool enable);

  std::string m_uniqueId;
  CButton m_save;
  CButton m_cancel;
  std::array<CColorButton, 6> m_colorButtons;
};
