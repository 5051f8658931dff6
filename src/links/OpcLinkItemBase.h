#pragma once
// The part of a hardware link item that an OPC item uses: the served tag, the item's
// value type (held as the type of a VARIANT), the type check against the tag, and
// the reading and writing flags that clear the tag's pending marks.
// It stands in for the link frame's item class until that class exists; the names
// are that class's, so an OPC item moves onto it unchanged.
#include "platform/base/Variant.h"

class CDCTag;
class CHwLinkerEngine;

class COpcLinkItemBase {
 public:
  explicit COpcLinkItemBase(CHwLinkerEngine* engine) : m_engine(engine) {}
  virtual ~COpcLinkItemBase() = default;
  COpcLinkItemBase(const COpcLinkItemBase&) = delete;
  COpcLinkItemBase& operator=(const COpcLinkItemBase&) = delete;

  CHwLinkerEngine* GetEngine() const { return m_engine; }
  virtual CDCTag* GetDCTag() const { return m_tag; }
  virtual void SetDCTag(CDCTag* tag) { m_tag = tag; }

  // VT_I2 and VT_UI2 give VT_I4; every other type is given back unchanged.
  virtual VARTYPE NormalizeVarType(VARTYPE type) const;
  VARTYPE GetNormalizedValueType() const { return NormalizeVarType(GetValueType()); }
  virtual VARTYPE GetValueType() const { return m_value.vt; }
  // Unless Shift is held, a type that differs from the tag's is a configuration
  // error: a box with OK and Cancel, Cancel ends the process with code 123. While the
  // value is still empty it becomes the zero of the type.
  virtual void SetValueType(VARTYPE type);

  BOOL IsReading() const { return m_reading; }
  // Clearing the flag also clears the tag's read-pending mark.
  virtual void SetReading(BOOL reading);
  BOOL IsWriting() const { return m_writing; }
  // Clearing the flag also clears the tag's write-pending mark.
  virtual void SetWriting(BOOL writing);

 private:
  CHwLinkerEngine* m_engine;
  CDCTag* m_tag = nullptr;
  Variant m_value;
  BOOL m_reading = FALSE;
  BOOL m_writing = FALSE;
};
