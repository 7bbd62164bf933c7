// The wash of the registry record: what the check lists is undone, in the
// view it was found in. Added keys and values are deleted; changed and
// deleted values, and deleted keys, are written back with their recorded
// type and bytes. A key the record holds is never deleted. Each line is
// written after its action, saying what happened.
#pragma once

#include "platform/frontend.h"
#include "registry/value_check.h"

namespace zel {

struct RegWashResult {
  int lines = 0;
  int failures = 0;  // what could not be deleted or written back: the snapshot stays
};

// Compares again (the wash never acts on the check's lines) and acts on each
// finding in the listing order:
//   "●レジストリ『K』を削除しました" / "』は削除できません" (added key)
//   "●レジストリ値『K』の『N』を削除しました" / "』は削除できません" (added value)
//   "●レジストリ値『K』の『N』を元に戻しました" / "』は元に戻せません" (changed, deleted value)
//   "●レジストリ『K』を元に戻しました" / "』は元に戻せません" (deleted key, with its values and subkeys)
// Something already gone when it was to be deleted gives "』は見つかりません".
RegWashResult WashRegistryValues(Registry& reg, FrontEnd& fe, const RegRecord& record);
// The same on findings the wash has just compared itself (to decide what to
// offer), so that the registry is not read twice.
RegWashResult WashRegistryFindings(Registry& reg, FrontEnd& fe, const RegRecord& record,
                                   const std::vector<RegFinding>& findings);

}  // namespace zel
