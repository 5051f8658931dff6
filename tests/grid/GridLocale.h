#pragma once
// The grid's number texts follow QLocale(); its tests pin it to en_US.
#include <QLocale>

class ScopedGridLocale {
 public:
  ScopedGridLocale() : m_saved(QLocale()) { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  ~ScopedGridLocale() { QLocale::setDefault(m_saved); }
  ScopedGridLocale(const ScopedGridLocale&) = delete;
  ScopedGridLocale& operator=(const ScopedGridLocale&) = delete;

 private:
  QLocale m_saved;
};
