#pragma once
// The version 1.0 data-path stream images, shared by the client and the server
// stand-in. One fixed little-endian layout, no padding:
//
//  data header (20 bytes): total size, item count, client group handle, transaction id, status
//  item header "OPCSTMFORMATDATA" (12 bytes, the i-th at 20 + 12*i):
//      client item handle, value offset (from the stream start), quality (16), reserved (16)
//  item header "OPCSTMFORMATDATATIME" (20 bytes, the i-th at 20 + 20*i):
//      the same, then the time stamp (64-bit file time)
//  value (16 bytes at its offset): type (16), three reserved words, 8 payload bytes
//      (the scalar at the start of the payload, the rest zero);
//      a string: then the character count (32) and the UTF-16 characters with a terminating zero;
//      an array: then the descriptor: dimension count (16), features (16), element size (32),
//      lock count (32), data field (32, written 0), each dimension's element count (32) and
//      lower bound (32, signed), then the elements in row order (first dimension outermost).
//  write-complete header (16 bytes): item count, client group handle, transaction id, status;
//      the i-th record (8 bytes) at 16 + 8*i: client item handle, error.
#include <cstdint>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/opc/ComBase.h"
#include "platform/opc/OpcDaInterfaces.h"

namespace opcstream {

constexpr std::size_t kDataHeaderSize = 20;
constexpr std::size_t kItemHeaderSize = 12;
constexpr std::size_t kItemHeaderTimeSize = 20;
constexpr std::size_t kValueSize = 16;
constexpr std::size_t kArrayDescriptorSize = 16;  // before the dimensions
constexpr std::size_t kArrayBoundSize = 8;
constexpr std::size_t kWriteHeaderSize = 16;
constexpr std::size_t kWriteRecordSize = 8;

}  // namespace opcstream

struct OpcStreamItem {
  OPCHANDLE clientItem = 0;
  WORD quality = 0;
  FILETIME timeStamp;  // only in the time-stamped format
  Variant value;
};

struct OpcDataStream {
  OPCHANDLE clientGroup = 0;
  DWORD transactionId = 0;
  HRESULT status = S_OK;
  std::vector<OpcStreamItem> items;
};

struct OpcWriteResult {
  OPCHANDLE clientItem = 0;
  HRESULT error = S_OK;
};

struct OpcWriteCompleteStream {
  OPCHANDLE clientGroup = 0;
  DWORD transactionId = 0;
  HRESULT status = S_OK;
  std::vector<OpcWriteResult> items;
};

// Why a stream was refused; a refused stream yields nothing at all.
enum class OpcStreamError {
  None,
  TooShort,               // shorter than its header
  BadTotalSize,           // the header's total size is below the header or beyond the stream
  CountTooLarge,          // the item headers or records do not fit
  ValueOutOfRange,        // a value lies outside the stream or over the item headers
  UnsupportedType,        // a value type the layout cannot carry
  StringOutOfRange,       // a string's characters do not fit
  StringNotTerminated,    // a string's terminating zero is missing
  ArrayDimensions,        // an array of no dimension or of more than two
  ElementSizeMismatch,    // the descriptor's element size is not its type's
  ArrayOutOfRange,        // an array's bounds or elements do not fit
};

const char* OpcStreamErrorText(OpcStreamError error);

// Element size of an array element type the layout carries (0 when it carries none).
std::uint32_t OpcStreamElementSize(VARTYPE elementType);
// True for every value type the layout carries (scalars, strings and the array types).
bool OpcStreamCarriesType(VARTYPE type);
