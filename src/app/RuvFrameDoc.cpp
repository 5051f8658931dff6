#include "app/RuvFrameDoc.h"

BOOL CRuvFrameDoc::OnNewDocument() { return CDocument::OnNewDocument(); }

void CRuvFrameDoc::SetModifiedFlag(BOOL modified) { CDocument::SetModifiedFlag(modified); }
