#pragma once
// Holds one reference to a COM interface and releases it when it goes.
#include <utility>

#include "platform/opc/ComBase.h"

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller already holds.
  static ComPtr Attach(T* raw) {
    ComPtr p;
    p.m_ptr = raw;
    return p;
  }
  // Adds a reference of its own.
  static ComPtr Share(T* raw) {
    if (raw) raw->AddRef();
    return Attach(raw);
  }
  ComPtr(const ComPtr& other) : m_ptr(other.m_ptr) {
    if (m_ptr) m_ptr->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(m_ptr, other.m_ptr);
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() {
    if (T* p = std::exchange(m_ptr, nullptr)) p->Release();
  }
  T* Get() const { return m_ptr; }
  T* operator->() const { return m_ptr; }
  explicit operator bool() const { return m_ptr != nullptr; }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(m_ptr, nullptr); }
  // For out parameters: releases what is held and gives the slot.
  T** Put() {
    Reset();
    return &m_ptr;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // Asks the held object for another interface.
  template <class U>
  HRESULT As(REFIID iid, ComPtr<U>& out) const {
    if (!m_ptr) return E_POINTER;
    return m_ptr->QueryInterface(iid, out.PutVoid());
  }

 private:
  T* m_ptr = nullptr;
};
