// libFuzzer harness for the tag file: the first byte chooses between one line
// (read by a tag on its own) and a whole file (read by the data center); every
// box is answered OK, as an operator clicking through the reports would.
// Checks what a reader must keep: a known result code, no more tags than lines,
// tags in file order with their line numbers, and a parsed tag's written line
// read back to the same line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "datacenter/DataCenterBase.h"
#include "platform/base/MessageBoxService.h"

namespace {

class AnswerOk final : public IMessageBoxService {
 public:
  int Show(const std::string&, const std::string&, UINT) override { return IDOK; }
};

void Fail(const char* what, const std::string& detail = std::string()) {
  std::fprintf(stderr, "tag file invariant broken: %s %s\n", what, detail.c_str());
  std::abort();
}

// A tag's own line, read by a fresh tag, gives the same line again.
void CheckRoundTrip(const CDCTag& tag) {
  std::string written;
  tag.FormatDCTLine(written);
  CDCTag again;
  if (again.ParseLine(written) != CDCTag::ELineResult::Parsed) Fail("written line not read back", written);
  std::string rewritten;
  again.FormatDCTLine(rewritten);
  // The precision is written with six digits, so only a second round is exact.
  CDCTag third;
  if (third.ParseLine(rewritten) != CDCTag::ELineResult::Parsed) Fail("rewritten line not read back", rewritten);
  std::string stable;
  third.FormatDCTLine(stable);
  if (stable != rewritten) Fail("line changes on every round", rewritten + " / " + stable);
}

std::size_t CountLines(const std::string& text) {
  std::size_t lines = text.empty() ? 0 : 1;
  for (char c : text)
    if (c == '\n') ++lines;
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static AnswerOk box;
  SetMessageBoxService(&box);
  if (size < 1) return 0;
  const bool wholeFile = (data[0] & 1) != 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  if (!wholeFile) {
    CDCTag tag;
    const CDCTag::ELineResult result = tag.ParseLine(text);
    if (result == CDCTag::ELineResult::Cancelled) Fail("cancelled although every box says OK");
    if (result == CDCTag::ELineResult::Parsed) CheckRoundTrip(tag);
    return 0;
  }

  CDataCenterBase center;
  const int result = center.LoadTagText(text);
  if (result != eDCSuccess && result != eDCInvalidFileVersion) Fail("unexpected result code", std::to_string(result));
  const int count = center.GetTagCount();
  if (static_cast<std::size_t>(count) > CountLines(text)) Fail("more tags than lines");
  if (result == eDCSuccess && count == 0) Fail("success without a tag");
  int lastLine = 0;
  for (int i = 0; i < count; ++i) {
    const CDCTag* tag = center.GetTagAt(i);
    if (tag == nullptr) Fail("missing tag");
    if (tag->GetLineNumber() <= lastLine) Fail("tags out of file order");
    lastLine = tag->GetLineNumber();
    if (center.FindTag(tag->GetTagName()) == nullptr && tag->GetTagName() != NO_DCTAG_NAME) Fail("tag not found by name");
  }
  if (count > 0) CheckRoundTrip(*center.GetTagAt(0));
  return 0;
}
