#include "registry/value_wash.h"

namespace zel {
namespace {

enum class Outcome { Done, Gone, Failed };

Outcome OfDeletion(RegError e) {
  if (e == RegError::None) return Outcome::Done;
  return e == RegError::NotFound ? Outcome::Gone : Outcome::Failed;
}

// Writes a deleted key back: the key, its values and its subkeys as recorded.
Outcome RestoreKey(Registry& reg, const RegAreaInfo& info, const RegRecord& r, std::uint32_t first,
                   const std::wstring& path) {
  std::vector<std::pair<std::uint32_t, std::wstring>> open;  // the keys entered and their paths
  for (std::uint32_t i = first; i < r.keys[first].end; ++i) {
    while (!open.empty() && i >= r.keys[open.back().first].end) open.pop_back();
    const std::wstring keyPath = open.empty() ? path : open.back().second + L"\\" + std::wstring(r.KeyName(r.keys[i]));
    const RegRecordKey& k = r.keys[i];
    if (reg.CreateKey(info.root, info.view, keyPath) != RegError::None) return Outcome::Failed;
    for (std::uint32_t v = k.firstValue; v < k.firstValue + k.valueCount; ++v) {
      const RegRecordValue& value = r.values[v];
      if (reg.SetValue(info.root, info.view, keyPath, {r.ValueName(value), value.type, r.ValueData(value)}) !=
          RegError::None) {
        return Outcome::Failed;
      }
    }
    open.emplace_back(i, keyPath);
  }
  return Outcome::Done;
}

Outcome Act(Registry& reg, const RegRecord& r, const RegFinding& f) {
  const RegAreaInfo& info = AreaInfo(f.area);
  switch (f.kind) {
    case RegFinding::Kind::AddedKey:
      return OfDeletion(reg.DeleteKey(info.root, info.view, f.key));
    case RegFinding::Kind::AddedValue:
      return OfDeletion(reg.DeleteValue(info.root, info.view, f.key, f.value));
    case RegFinding::Kind::ChangedValue:
    case RegFinding::Kind::DeletedValue: {
      const RegRecordValue& v = r.values[f.recorded];
      return reg.SetValue(info.root, info.view, f.key, {r.ValueName(v), v.type, r.ValueData(v)}) == RegError::None
                 ? Outcome::Done
                 : Outcome::Failed;
    }
    case RegFinding::Kind::DeletedKey:
      return RestoreKey(reg, info, r, f.recorded, f.key);
  }
  return Outcome::Failed;
}

}  // namespace

RegWashResult WashRegistryValues(Registry& reg, FrontEnd& fe, const RegRecord& record) {
  fe.SetStatus(L"洗浄中 : レジストリ");
  return WashRegistryFindings(reg, fe, record, CompareRegistry(reg, record, &fe));
}

RegWashResult WashRegistryFindings(Registry& reg, FrontEnd& fe, const RegRecord& record,
                                   const std::vector<RegFinding>& findings) {
  fe.SetStatus(L"洗浄中 : レジストリ");
  RegWashResult result;
  for (const RegFinding* f : ListingOrder(findings)) {
    Outcome outcome = Act(reg, record, *f);
    if (f->twin >= 0) {
      // The other view: a shared key is already done there (gone, or the
      // same bytes written again).
      const Outcome other = Act(reg, record, findings[static_cast<size_t>(f->twin)]);
      if (other == Outcome::Failed) outcome = Outcome::Failed;
      else if (other == Outcome::Done && outcome == Outcome::Gone) outcome = Outcome::Done;
    }
    const bool deletion = f->kind == RegFinding::Kind::AddedKey || f->kind == RegFinding::Kind::AddedValue;
    std::wstring line = L"●" + RegSubject(*f);
    switch (outcome) {
      case Outcome::Done:
        line += deletion ? L"を削除しました" : L"を元に戻しました";
        break;
      case Outcome::Gone:
        line += L"は見つかりません";
        break;
      case Outcome::Failed:
        line += deletion ? L"は削除できません" : L"は元に戻せません";
        ++result.failures;
        break;
    }
    fe.AppendConsole(line);
    ++result.lines;
    fe.Busy();
  }
  return result;
}

}  // namespace zel
