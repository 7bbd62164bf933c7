// The check of the registry record: the live registry compared with the
// record, key by key and value by value, and the lines that list what differs.
#pragma once

#include <string>
#include <vector>

#include "platform/frontend.h"
#include "snapshot/value_record.h"

namespace zel {

struct RegFinding {
  enum class Kind { AddedKey, AddedValue, ChangedValue, DeletedValue, DeletedKey };
  Kind kind = Kind::AddedKey;
  RegArea area = RegArea::Software64;
  std::wstring key;    // below the root, with the names as they stand (the record's for deleted keys)
  std::wstring value;  // the value's exact name; empty for keys and for a key's default value
  std::uint32_t recorded = 0;  // the recorded value (changed, deleted) or key (deleted key)
  bool autostart = false;
  // The same change in both views of HKLM\SOFTWARE (a key the two views
  // share, or a program that wrote both): one line, washed in both views.
  // twin is the index of the 32-bit finding, which has shadow set.
  bool shadow = false;
  long twin = -1;
};

// Walks every recorded area again and compares. Areas the record does not
// hold, or whose start key cannot be read now, give nothing; so does
// whatever lies in a key that was not read in full, then or now. Added keys:
// only the topmost; deleted keys likewise.
std::vector<RegFinding> CompareRegistry(Registry& reg, const RegRecord& record, FrontEnd* fe);

// The findings in the order they are listed and washed: autostart entries
// first, the rest as found; shadows left out.
std::vector<const RegFinding*> ListingOrder(const std::vector<RegFinding>& findings);

// "●レジストリ『HKEY_CURRENT_USER\Software\X』が追加されています",
// "●レジストリ値『…』の『name』が変更されています", "●【自動起動】レジストリ値…",
// "●レジストリ［32ビット］『…』…" for what only the 32-bit view holds.
std::wstring RegCheckLine(const RegFinding& f);
// The label and subject part shared with the wash's lines: "レジストリ値『K』の『N』".
std::wstring RegSubject(const RegFinding& f);
std::wstring RegFullKey(const RegFinding& f);  // "HKEY_LOCAL_MACHINE\" + key

// The check's step: status "確認中 : レジストリ", the lines; returns how many.
int CheckRegistryValues(Registry& reg, FrontEnd& fe, const RegRecord& record);

}  // namespace zel
