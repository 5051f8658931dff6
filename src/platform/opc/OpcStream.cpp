#include "platform/opc/OpcStream.h"

const char* OpcStreamErrorText(OpcStreamError error) {
  switch (error) {
    case OpcStreamError::None: return "no error";
    case OpcStreamError::TooShort: return "stream shorter than its header";
    case OpcStreamError::BadTotalSize: return "total size outside the stream";
    case OpcStreamError::CountTooLarge: return "item count beyond the stream";
    case OpcStreamError::ValueOutOfRange: return "value outside the stream";
    case OpcStreamError::UnsupportedType: return "unsupported value type";
    case OpcStreamError::StringOutOfRange: return "string beyond the stream";
    case OpcStreamError::StringNotTerminated: return "string without its terminating zero";
    case OpcStreamError::ArrayDimensions: return "array dimension count not 1 or 2";
    case OpcStreamError::ElementSizeMismatch: return "array element size does not match its type";
    case OpcStreamError::ArrayOutOfRange: return "array beyond the stream";
  }
  return "unknown error";
}

std::uint32_t OpcStreamElementSize(VARTYPE elementType) {
  switch (elementType) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: return 2;
    case VT_I4: case VT_UI4: case VT_R4: return 4;
    case VT_R8: return 8;
    default: return 0;
  }
}

bool OpcStreamCarriesType(VARTYPE type) {
  if (type & VT_ARRAY) return (type & ~VT_ARRAY) == (type & VT_TYPEMASK) && OpcStreamElementSize(type & VT_TYPEMASK) != 0;
  switch (type) {
    case VT_EMPTY: case VT_NULL: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_R4: case VT_R8: case VT_DATE: case VT_BOOL: case VT_ERROR: case VT_BSTR:
      return true;
    default:
      return false;
  }
}
