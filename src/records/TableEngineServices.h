#pragma once
// What the plant's tables need of the engine root for the defaults of a fresh
// row: the data-source text, the active shift's operator and the active recipe.
// The engine root lives above this library; it registers itself at start-up
// (tests register a fake). Until then a stand-in answers as an engine root
// without tables would: "None", operator "?", recipe -1 and "?".
//
// Field sets call it on every Reset, from any thread, so an implementation must
// be safe to call concurrently. Lock order: a shift field set's Reset runs under
// the shift table's active lock and asks for the recipe, which takes the recipe
// table's; nothing may take the shift table's lock while holding the recipe's.
#include <string>

class ITableEngineServices {
 public:
  virtual ~ITableEngineServices() = default;

  // "None", "Demo", "Real HW" (with " [Suspended]" while suspended).
  virtual std::string GetDataSourceText() const = 0;
  // The active shift's operator name; "?" while there is no shift table.
  virtual std::string GetActiveOperatorName() const = 0;
  // The active recipe's record id and name; -1 and "?" while there is no recipe table.
  virtual int GetActiveRecipeID() const = 0;
  virtual std::string GetActiveRecipeName() const = 0;
};

// The registered engine root, or the stand-in; never null.
ITableEngineServices* GetTableEngine();
// Registers the engine root (nullptr goes back to the stand-in). The caller keeps ownership.
void SetTableEngine(ITableEngineServices* engine);
