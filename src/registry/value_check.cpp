#include "registry/value_check.h"

#include <memory>
#include <unordered_map>

#include "base/text.h"

namespace zel {
namespace {

bool SameName(std::wstring_view a, std::wstring_view b) { return a == b || EqualsNoCase(a, b); }

class Comparer : public RegWalker {
 public:
  Comparer(const RegRecord& r, RegArea area, std::vector<RegFinding>& out, FrontEnd* fe, std::vector<bool>& seenKeys,
           std::vector<bool>& seenValues)
      : r_(r),
        area_(area),
        filter_(AreaInfo(area).root, AreaInfo(area).key),
        skipWow_(area == RegArea::Software64 || area == RegArea::Software32),
        out_(out),
        fe_(fe),
        seenKeys_(seenKeys),
        seenValues_(seenValues),
        path_(AreaInfo(area).key) {}

  void Begin(std::uint32_t first) { Push(first); }

  bool Enter(std::wstring_view name) override {
    if (skipWow_ && EqualsNoCase(name, L"Wow6432Node")) return false;
    if (filter_.Enter(name)) return false;
    Frame& parent = frames_.back();
    // What a key held that was not read in full at the snapshot is unknown.
    if (r_.keys[parent.key].flags & kKeyIncomplete) {
      filter_.Leave();
      return false;
    }
    const long found = FindChild(parent, name);
    if (found < 0) {
      Add(RegFinding::Kind::AddedKey, Child(name), L"", 0);
      filter_.Leave();
      return false;
    }
    seenKeys_[static_cast<size_t>(found)] = true;
    const size_t before = path_.size();
    path_ += L'\\';
    path_.append(name);
    Push(static_cast<std::uint32_t>(found));
    frames_.back().pathLength = before;
    if (fe_ && (++entered_ & 0xFFF) == 0) fe_->Busy();
    return true;
  }

  void Failed(RegError) override { frames_.back().failedNow = true; }

  void Value(const RegValueRef& v) override {
    Frame& f = frames_.back();
    if (filter_.IsNoiseValue(v.name) || (r_.keys[f.key].flags & kKeyIncomplete)) return;
    const long found = FindValue(f, v.name);
    if (found < 0) {
      Add(RegFinding::Kind::AddedValue, path_, std::wstring(v.name), 0);
      return;
    }
    seenValues_[static_cast<size_t>(found)] = true;
    const RegRecordValue& rv = r_.values[static_cast<size_t>(found)];
    if (rv.type != v.type || r_.ValueData(rv) != v.data) {
      Add(RegFinding::Kind::ChangedValue, path_, std::wstring(v.name), static_cast<std::uint32_t>(found));
    }
  }

  void Leave() override {
    Frame& f = frames_.back();
    const RegRecordKey& k = r_.keys[f.key];
    // A listing that failed now says nothing about what is gone.
    if (!f.failedNow && !(k.flags & kKeyIncomplete)) {
      for (std::uint32_t v = k.firstValue; v < k.firstValue + k.valueCount; ++v) {
        if (!seenValues_[v]) Add(RegFinding::Kind::DeletedValue, path_, std::wstring(r_.ValueName(r_.values[v])), v);
      }
      for (std::uint32_t c = f.key + 1; c < k.end; c = r_.keys[c].end) {
        if (!seenKeys_[c]) Add(RegFinding::Kind::DeletedKey, Child(r_.KeyName(r_.keys[c])), L"", c);
      }
    }
    path_.resize(f.pathLength);
    frames_.pop_back();
    filter_.Leave();
  }

 private:
  struct Frame {
    std::uint32_t key = 0;
    std::uint32_t nextChild = 0, nextValue = 0;  // where the record's order expects the next one
    size_t pathLength = 0;
    bool failedNow = false;
    std::unique_ptr<std::unordered_map<std::wstring, std::uint32_t>> children, values;
  };

  void Push(std::uint32_t key) {
    Frame f;
    f.key = key;
    f.nextChild = key + 1;
    f.nextValue = r_.keys[key].firstValue;
    f.pathLength = path_.size();
    frames_.push_back(std::move(f));
  }

  std::wstring Child(std::wstring_view name) const {
    std::wstring p = path_;
    p += L'\\';
    p.append(name);
    return p;
  }

  // The live registry lists in the order the record was made in, so the
  // expected place is looked at first; otherwise an index of the key's
  // children (or values) is built once for it.
  long FindChild(Frame& f, std::wstring_view name) {
    const RegRecordKey& k = r_.keys[f.key];
    if (f.nextChild < k.end && SameName(r_.KeyName(r_.keys[f.nextChild]), name)) {
      const std::uint32_t found = f.nextChild;
      f.nextChild = r_.keys[found].end;
      return found;
    }
    if (!f.children) {
      f.children = std::make_unique<std::unordered_map<std::wstring, std::uint32_t>>();
      for (std::uint32_t c = f.key + 1; c < k.end; c = r_.keys[c].end) f.children->emplace(ToUpper(r_.KeyName(r_.keys[c])), c);
    }
    auto it = f.children->find(ToUpper(name));
    return it == f.children->end() ? -1 : static_cast<long>(it->second);
  }

  long FindValue(Frame& f, std::wstring_view name) {
    const RegRecordKey& k = r_.keys[f.key];
    const std::uint32_t end = k.firstValue + k.valueCount;
    if (f.nextValue < end && SameName(r_.ValueName(r_.values[f.nextValue]), name)) return f.nextValue++;
    if (!f.values) {
      f.values = std::make_unique<std::unordered_map<std::wstring, std::uint32_t>>();
      for (std::uint32_t v = k.firstValue; v < end; ++v) f.values->emplace(ToUpper(r_.ValueName(r_.values[v])), v);
    }
    auto it = f.values->find(ToUpper(name));
    return it == f.values->end() ? -1 : static_cast<long>(it->second);
  }

  void Add(RegFinding::Kind kind, std::wstring key, std::wstring value, std::uint32_t recorded) {
    RegFinding f;
    f.kind = kind;
    f.area = area_;
    f.autostart = IsAutostartKey(AreaInfo(area_).root, key);
    f.key = std::move(key);
    f.value = std::move(value);
    f.recorded = recorded;
    out_.push_back(std::move(f));
  }

  const RegRecord& r_;
  RegArea area_;
  NoiseFilter filter_;
  bool skipWow_;
  std::vector<RegFinding>& out_;
  FrontEnd* fe_;
  std::vector<bool>& seenKeys_;
  std::vector<bool>& seenValues_;
  std::wstring path_;
  std::vector<Frame> frames_;
  unsigned entered_ = 0;
};

std::wstring TwinKey(const RegFinding& f) {
  return std::to_wstring(static_cast<int>(f.kind)) + L"|" + ToUpper(f.key) + L"|" + ToUpper(f.value);
}

std::wstring ValueName(const std::wstring& name) { return name.empty() ? L"（既定）" : name; }

bool IsValueKind(RegFinding::Kind k) { return k != RegFinding::Kind::AddedKey && k != RegFinding::Kind::DeletedKey; }

}  // namespace

std::vector<RegFinding> CompareRegistry(Registry& reg, const RegRecord& record, FrontEnd* fe) {
  std::vector<RegFinding> out;
  std::vector<bool> seenKeys(record.keys.size()), seenValues(record.values.size());
  for (int a = 0; a < kRegAreaCount; ++a) {
    if (record.areas[a].state != RegAreaState::Recorded) continue;
    const RegArea area = static_cast<RegArea>(a);
    const RegAreaInfo& info = AreaInfo(area);
    const size_t before = out.size();
    Comparer comparer(record, area, out, fe, seenKeys, seenValues);
    comparer.Begin(record.areas[a].first);
    if (reg.Walk(info.root, info.view, info.key, comparer) != RegError::None) {
      out.resize(before);  // the area cannot be read now: nothing is known
      continue;
    }
    comparer.Leave();
  }
  // One line for a change both views of HKLM\SOFTWARE show alike.
  std::unordered_map<std::wstring, size_t> wide;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i].area == RegArea::Software64) wide.emplace(TwinKey(out[i]), i);
  }
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i].area != RegArea::Software32) continue;
    auto it = wide.find(TwinKey(out[i]));
    if (it == wide.end() || out[it->second].twin >= 0) continue;
    out[i].shadow = true;
    out[it->second].twin = static_cast<long>(i);
  }
  return out;
}

std::vector<const RegFinding*> ListingOrder(const std::vector<RegFinding>& findings) {
  std::vector<const RegFinding*> order;
  for (bool autostart : {true, false}) {
    for (const RegFinding& f : findings) {
      if (!f.shadow && f.autostart == autostart) order.push_back(&f);
    }
  }
  return order;
}

std::wstring RegFullKey(const RegFinding& f) {
  return (AreaInfo(f.area).root == RegRoot::LocalMachine ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + f.key;
}

std::wstring RegSubject(const RegFinding& f) {
  std::wstring s = IsValueKind(f.kind) ? L"レジストリ値" : L"レジストリ";
  if (f.area == RegArea::Software32 && !f.shadow) s += L"［32ビット］";
  s += L"『" + RegFullKey(f) + L"』";
  if (IsValueKind(f.kind)) s += L"の『" + ValueName(f.value) + L"』";
  return s;
}

std::wstring RegCheckLine(const RegFinding& f) {
  std::wstring line = f.autostart ? L"●【自動起動】" : L"●";
  line += RegSubject(f);
  switch (f.kind) {
    case RegFinding::Kind::AddedKey:
    case RegFinding::Kind::AddedValue:
      return line + L"が追加されています";
    case RegFinding::Kind::ChangedValue:
      return line + L"が変更されています";
    case RegFinding::Kind::DeletedValue:
    case RegFinding::Kind::DeletedKey:
      break;
  }
  return line + L"が削除されています";
}

int CheckRegistryValues(Registry& reg, FrontEnd& fe, const RegRecord& record) {
  fe.SetStatus(L"確認中 : レジストリ");
  const std::vector<RegFinding> findings = CompareRegistry(reg, record, &fe);
  int lines = 0;
  for (const RegFinding* f : ListingOrder(findings)) {
    fe.AppendConsole(RegCheckLine(*f));
    ++lines;
  }
  return lines;
}

}  // namespace zel
