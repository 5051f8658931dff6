#pragma once
// The hardware link of the "ADV" tags: digital bits of the PCL-722 card and
// analog channels of the PCL-818L card. Its polling thread reads the inputs into
// their tags every 200 ms; an output tag written by the plant is written to its
// bit from the engine's window on the UI thread.
//
// Access paths: "BA2C0-CBL<group>-BIT<bit>" (boolean, INPUT or OUTPUT) and
// "BA300-CH<channel>" (float, INPUT). A tag whose data expression is "Negative"
// has its bit inverted both ways.
//
// A failed read leaves the tag as it was (value and read-pending mark) and counts
// an error on the item; a failed write leaves the write-pending mark set.
#include "links/HwLinkerEngine.h"

class CAdvantechLinkerItem;

class CAdvantechLinkerEngine : public CHwLinkerEngine {
 public:
  CAdvantechLinkerEngine();

  // The frame's start, then the cards; a missing card fails with its message.
  // A running link is left as it is.
  BOOL Start() override;
  // The frame's stop, then the cards are closed; the link is stopped at once.
  BOOL Stop() override;
  // One item per enabled "ADV" tag whose access path and types fit; a tag that
  // does not fit is reported and disabled. FALSE without any "ADV" tag.
  BOOL BuildItems() override;
  void PollOnce() override;
  LRESULT OnTagMessage(CDCTag* tag, int changeCode) override;
  // The built item of the tag, or none.
  CHwLinkerItem* CreateItem(CDCTag* tag) override;

 protected:
  // Freed through CHwLinkerEngine::Release only.
  ~CAdvantechLinkerEngine() override;

 private:
  // Empty when the tag's path and types fit; else the reason. Fills `item`.
  static std::string ParseAccessPath(CDCTag& tag, CAdvantechLinkerItem& item);
  void PollDigital(CAdvantechLinkerItem& item, CDCTag& tag);
  void PollAnalog(CAdvantechLinkerItem& item, CDCTag& tag);
};
