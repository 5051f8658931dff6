#include "controls/CEnColorDialog.h"

CEnColorDialog::CEnColorDialog(COLORREF initial, DWORD flags, CWnd* parent) : CColorDialog(initial, flags, parent) {}

CEnColorDialog::~CEnColorDialog() = default;
