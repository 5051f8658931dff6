#pragma once
// Task memory (blocks a callee allocates and its caller frees) and BSTR texts
// (16-bit characters with their length kept before the text).
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/opc/ComBase.h"

void* CoTaskMemAlloc(std::size_t bytes);
void CoTaskMemFree(void* block);
// A zero-terminated copy of `text` in task memory (the caller frees it).
LPWSTR CoTaskMemAllocString(std::u16string_view text);

using BSTR = char16_t*;
// A BSTR of `length` characters copied from `text` (uninitialised, zeroed, when text is null).
BSTR SysAllocStringLen(const char16_t* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

// UTF-16 text of a zero-terminated wide string (empty for null).
std::u16string WideText(LPCWSTR text);
