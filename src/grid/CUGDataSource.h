#pragma once
// Where a grid column reads and writes its cells. The base answers every
// request "not supported" (-1) and allows every move and edit; a source
// overrides what it serves.
#include <string>

#include "platform/base/WinTypes.h"

class CUGCell;
class CUGCtrl;
class CWnd;

// FindText flags.
constexpr int UG_FIND_PARTIAL = 1;       // the text may be part of the cell's text
constexpr int UG_FIND_CASEINSENSITIVE = 2;
constexpr int UG_FIND_UP = 4;            // search backwards
constexpr int UG_FIND_ALLCOLUMNS = 8;    // walk the row across its columns

class CUGDataSource {
 public:
  CUGDataSource() = default;
  virtual ~CUGDataSource() = default;
  CUGDataSource(const CUGDataSource&) = delete;
  CUGDataSource& operator=(const CUGDataSource&) = delete;

  virtual long GetNumRows() { return -1; }
  virtual int InsertRow(long /*row*/) { return -1; }
  virtual int InsertCol(int /*col*/) { return -1; }
  virtual int DeleteRow(long /*row*/) { return -1; }
  virtual int DeleteCol(int /*col*/) { return -1; }
  virtual int DeleteCell(int /*col*/, long /*row*/) { return -1; }
  virtual int Empty() { return -1; }
  virtual int GetCell(int /*col*/, long /*row*/, CUGCell* /*cell*/) { return -1; }
  virtual int SetCell(int /*col*/, long /*row*/, CUGCell* /*cell*/) { return -1; }
  virtual int FindNext(const std::string& /*text*/, int* /*col*/, long* /*row*/, int /*flags*/) { return -1; }
  virtual int FindText(const std::string& /*text*/, int* /*col*/, long* /*row*/, int /*flags*/) { return -1; }
  virtual int SortBy(const int* /*cols*/, int /*count*/, int /*flags*/) { return -1; }
  virtual int SortByCol(int /*col*/, int /*flags*/) { return -1; }

  virtual int OnHitBottom(long /*numRows*/, long /*rowsPast*/, long* /*rowsFound*/) { return -1; }
  virtual void OnRowChange(long /*oldRow*/, long /*newRow*/) {}
  virtual void OnColChange(int /*oldCol*/, int /*newCol*/) {}
  virtual int OnCanMove(int /*oldCol*/, long /*oldRow*/, int /*newCol*/, long /*newRow*/) { return 1; }
  virtual int OnEditStart(int /*col*/, long /*row*/, CWnd** /*editor*/) { return 1; }
  virtual int OnEditVerify(int /*col*/, long /*row*/, CWnd* /*editor*/, UINT* /*key*/) { return 1; }
  virtual int OnEditFinish(int /*col*/, long /*row*/, CWnd* /*editor*/, const char* /*text*/,
                           BOOL /*cancelled*/) {
    return 1;
  }
  virtual int OnEditContinue(int /*oldCol*/, long /*oldRow*/, int* /*newCol*/, long* /*newRow*/) { return 1; }
  virtual int FindNextFilledCol(int* /*col*/, long /*row*/) { return -1; }

  // Set by the control that registers the source (AddDataSource).
  CUGCtrl* m_ctrl = nullptr;
  int m_ID = -1;
};
