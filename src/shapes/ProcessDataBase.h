#pragma once
// The kind of shape for plant signals that belong to no single device (local
// modes on the switchboard, the supply's phases, discharge directions): its
// attributes are bound to tags, saved in the settings and shown in the
// property sheet like a device's, but the shape itself is a 2 by 2 pixel dot
// at (1, 1) of the plant form. A class deriving it gives the device name, the
// kind and the attributes.
#include <string>

#include "shapes/BaseShape.h"

inline constexpr UINT IDR_PROCESSDATA_MENU = 3043;
inline constexpr UINT ID_PROCESSDATA_PROPERTIES = 35029;

class C_ProcessDataBase : public C_BaseShape {
 public:
  C_ProcessDataBase(BYTE settingsIndex, const std::string& deviceName, BYTE kind, int instanceIndex);

  // Loads the menu, creates the window, then checks that every attribute has a
  // tag (a configuration error is reported per attribute; Cancel ends the
  // program with 321, Shift held skips the remaining checks).
  BOOL CreateShape(CWnd* parent) override;

  // No attributes of its own: every kind range is empty at 26.
  int GetFirstIndex(VARTYPE type) const override;
  int GetLastIndex(VARTYPE type) const override;
  std::string GetAttribNameAt(int index) const override;
  // The data are no analog channels.
  int GetAnalogRole(int index) const override;
  int GetAnalogGroupAttrib(int index, int role) const override;

  void SetAttribBool(int index, bool value) override;
  void SetAttribFloat(int index, float value) override;

  // A dot of "ColorBody" under the selection frame.
  void Draw(CDC* dc) override;

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 protected:
  // The body colour fills the still layer; the frame moves.
  void AddStillPictureKey(ShapePictureKey& key) const override;

 private:
  // False once the operator chose to end the program.
  bool CheckAttribTags();
};
