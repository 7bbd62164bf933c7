#include "snapshot/value_record.h"

#include "base/path.h"
#include "base/text.h"
#include "snapshot/snapshot_codec.h"

namespace zel {

const wchar_t kRegRecordFileName[] = L"Zel32.rgv";

namespace {

const RegAreaInfo kAreas[kRegAreaCount] = {
    {RegRoot::LocalMachine, RegView::Bits64, L"SOFTWARE", L"HKEY_LOCAL_MACHINE\\SOFTWARE"},
    {RegRoot::LocalMachine, RegView::Bits32, L"SOFTWARE", L"HKEY_LOCAL_MACHINE\\SOFTWARE"},
    {RegRoot::CurrentUser, RegView::Bits64, L"Software", L"HKEY_CURRENT_USER\\Software"},
    {RegRoot::LocalMachine, RegView::Bits64, L"SYSTEM\\CurrentControlSet\\Services",
     L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services"},
};

std::vector<std::wstring> KeyParts(std::wstring_view key) {
  std::vector<std::wstring> parts;
  size_t at = 0;
  while (at < key.size()) {
    size_t next = key.find(L'\\', at);
    if (next == std::wstring_view::npos) next = key.size();
    if (next > at) parts.emplace_back(key.substr(at, next - at));
    at = next + 1;
  }
  return parts;
}

}  // namespace

bool RegRecordHandle::operator==(const RegRecordHandle& other) const {
  if (record == other.record) return true;
  return record && other.record && *record == *other.record;
}

const RegAreaInfo& AreaInfo(RegArea area) { return kAreas[static_cast<int>(area)]; }

// --- the noise list ---------------------------------------------------------

const std::vector<RegNoise>& RegistryNoise() {
  static const std::vector<RegNoise> kNoise = {
      // The shell's memory of what the user opened, typed and looked at.
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs", L"",
       "documents opened lately"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", L"", "the Run box's list"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths", L"",
       "paths typed in the shell"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist", L"",
       "counts of programs started"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32", L"",
       "the file dialogs' last folders and files"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MountPoints2", L"",
       "volumes seen by the shell"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FeatureUsage", L"",
       "taskbar usage counts"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SessionInfo", L"",
       "the logon session's state"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StreamMRU", L"",
       "window positions of folders"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Streams", L"",
       "window positions of folders"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CIDSizeMRU", L"",
       "window sizes of programs"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\WordWheelQuery", L"",
       "searches typed"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable", L"",
       "the shell's caches"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\Shell\\BagMRU", L"", "folder views"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\Shell\\Bags", L"", "folder views"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\ShellNoRoam", L"", "folder views"},
      {RegRoot::CurrentUser, L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell", L"",
       "folder views"},
      {RegRoot::CurrentUser, L"Software\\Classes\\Local Settings\\MuiCache", L"", "names of programs shown"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\CloudStore", L"",
       "the start menu's own store"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Search", L"", "the search box's state"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache", L"",
       "the web cache's bookkeeping"},
      {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant",
       L"", "programs seen by the compatibility assistant"},
      {RegRoot::CurrentUser, L"Software\\Wine\\Temporary System Parameters", L"",
       "Wine's desktop settings of the session"},
      // The system's own counters, seeds and caches.
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Cryptography\\RNG", L"Seed", "the random generator's seed"},
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Prefetcher", L"",
       "start-up tracing"},
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkList", L"",
       "networks seen"},
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate", L"",
       "the update service's state"},
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Reliability", L"",
       "the reliability monitor"},
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Diagnostics", L"",
       "diagnostics data"},
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows Defender", L"", "the virus scanner's signatures"},
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Tracing", L"", "tracing of network components"},
      {RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\SystemCertificates\\AuthRoot\\AutoUpdate", L"",
       "root certificates updated"},
      {RegRoot::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\bam\\State", L"",
       "times of every program run"},
      {RegRoot::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\*\\Enum", L"", "devices a driver serves now"},
      {RegRoot::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces", L"",
       "address leases"},
      {RegRoot::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\Tcpip6\\Parameters\\Interfaces", L"",
       "address leases"},
      {RegRoot::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\SharedAccess", L"Epoch",
       "the firewall's change counter"},
      {RegRoot::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Epoch", L"",
       "the firewall's change counter"},
  };
  return kNoise;
}

NoiseFilter::NoiseFilter(RegRoot root, std::wstring_view path) {
  const std::vector<std::wstring> start = KeyParts(path);
  for (const RegNoise& n : RegistryNoise()) {
    if (n.root != root) continue;
    std::vector<std::wstring> parts = KeyParts(n.key);
    if (parts.size() < start.size()) continue;
    bool under = true;
    for (size_t i = 0; i < start.size() && under; ++i) under = parts[i] == L"*" || EqualsNoCase(parts[i], start[i]);
    if (under) patterns_.push_back({&n, std::vector<std::wstring>(parts.begin() + start.size(), parts.end())});
  }
  stack_.emplace_back();
  for (const Live& l : patterns_) stack_.back().push_back(&l);
}

bool NoiseFilter::Enter(std::wstring_view name) {
  const size_t depth = stack_.size() - 1;  // components matched so far
  std::vector<const Live*> next;
  for (const Live* l : stack_.back()) {
    if (l->parts.size() <= depth) continue;
    const std::wstring& part = l->parts[depth];
    if (part != L"*" && !EqualsNoCase(part, name)) continue;
    if (l->parts.size() == depth + 1 && *l->noise->value == L'\0') return true;
    next.push_back(l);
  }
  stack_.push_back(std::move(next));
  return false;
}

void NoiseFilter::Leave() {
  if (stack_.size() > 1) stack_.pop_back();
}

bool NoiseFilter::IsNoiseValue(std::wstring_view name) const {
  const size_t depth = stack_.size() - 1;
  for (const Live* l : stack_.back()) {
    if (l->parts.size() == depth && *l->noise->value != L'\0' && EqualsNoCase(l->noise->value, name)) return true;
  }
  return false;
}

bool IsAutostartKey(RegRoot root, std::wstring_view key) {
  static const wchar_t* const kBoth[] = {
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellServiceObjectDelayLoad",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers",
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions",
      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
      L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components",
  };
  auto under = [&](std::wstring_view prefix) {
    return StartsWithNoCase(key, prefix) && (key.size() == prefix.size() || key[prefix.size()] == L'\\');
  };
  for (const wchar_t* prefix : kBoth) {
    if (under(prefix)) return true;
  }
  if (root == RegRoot::LocalMachine && under(L"SYSTEM\\CurrentControlSet\\Services")) return true;
  // Shell extensions of any file type, folder or drive.
  if (under(L"SOFTWARE\\Classes")) {
    for (const std::wstring& part : KeyParts(key)) {
      if (EqualsNoCase(part, L"shellex")) return true;
    }
  }
  return false;
}

// --- recording ----------------------------------------------------------------

namespace {

// The areas' own rule besides the noise: the 64-bit and the 32-bit walk of
// HKLM\SOFTWARE leave out "Wow6432Node" keys, which hold the 32-bit view
// (recorded through that view) or are links into it.
bool SkipsWowKeys(RegArea area) { return area == RegArea::Software64 || area == RegArea::Software32; }

class Recorder : public RegWalker {
 public:
  Recorder(RegRecord& r, RegArea area, FrontEnd* fe)
      : r_(r), filter_(AreaInfo(area).root, AreaInfo(area).key), skipWow_(SkipsWowKeys(area)), fe_(fe) {}

  void Begin(std::wstring_view name) { Add(name); }
  bool Enter(std::wstring_view name) override {
    if (skipWow_ && EqualsNoCase(name, L"Wow6432Node")) return false;
    if (filter_.Enter(name)) return false;
    Add(name);
    if (fe_ && (r_.keys.size() & 0xFFF) == 0) fe_->Busy();
    return true;
  }
  void Failed(RegError) override { r_.keys[open_.back()].flags |= kKeyIncomplete; }
  void Value(const RegValueRef& v) override {
    if (filter_.IsNoiseValue(v.name)) return;
    RegRecordValue rv;
    rv.nameAt = static_cast<std::uint32_t>(r_.names.size());
    rv.nameLength = static_cast<std::uint32_t>(v.name.size());
    rv.type = v.type;
    rv.dataAt = r_.data.size();
    rv.dataLength = static_cast<std::uint32_t>(v.data.size());
    r_.names.append(v.name);
    r_.data.append(v.data);
    r_.values.push_back(rv);
    ++r_.keys[open_.back()].valueCount;
  }
  void Leave() override {
    r_.keys[open_.back()].end = static_cast<std::uint32_t>(r_.keys.size());
    open_.pop_back();
    filter_.Leave();
  }

 private:
  void Add(std::wstring_view name) {
    RegRecordKey k;
    k.nameAt = static_cast<std::uint32_t>(r_.names.size());
    k.nameLength = static_cast<std::uint32_t>(name.size());
    k.firstValue = static_cast<std::uint32_t>(r_.values.size());
    r_.names.append(name);
    open_.push_back(static_cast<std::uint32_t>(r_.keys.size()));
    r_.keys.push_back(k);
  }

  RegRecord& r_;
  NoiseFilter filter_;
  bool skipWow_;
  FrontEnd* fe_;
  std::vector<std::uint32_t> open_;
};

std::wstring_view LastPart(std::wstring_view key) {
  const size_t cut = key.rfind(L'\\');
  return cut == std::wstring_view::npos ? key : key.substr(cut + 1);
}

}  // namespace

RegRecord RecordRegistry(Registry& reg, FrontEnd* fe, std::uint64_t takenAt) {
  RegRecord r;
  r.takenAt = takenAt;
  const bool twoViews = reg.HasTwoViews();
  for (int a = 0; a < kRegAreaCount; ++a) {
    const RegArea area = static_cast<RegArea>(a);
    if (area == RegArea::Software32 && !twoViews) continue;
    const RegAreaInfo& info = AreaInfo(area);
    Recorder recorder(r, area, fe);
    const std::uint32_t first = static_cast<std::uint32_t>(r.keys.size());
    const size_t namesBefore = r.names.size();
    recorder.Begin(LastPart(info.key));
    const RegError e = reg.Walk(info.root, info.view, info.key, recorder);
    if (e != RegError::None) {
      // Nothing of the area is known: the start key goes again.
      r.keys.resize(first);
      r.names.resize(namesBefore);
      r.areas[a].state = e == RegError::NotFound ? RegAreaState::Missing : RegAreaState::Failed;
      continue;
    }
    recorder.Leave();
    r.areas[a].state = RegAreaState::Recorded;
    r.areas[a].first = first;
  }
  return r;
}

// --- the file -------------------------------------------------------------------

namespace {

const char kMagic[8] = {'Z', 'E', 'L', 'R', 'G', 'V', '1', '\0'};

void PutU32(std::string& out, std::uint32_t n) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
}
void PutU64(std::string& out, std::uint64_t n) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
}

// Names as UTF-16LE units: a character beyond the first plane (only where
// wchar_t is wider than 16 bits) as its surrogate pair.
std::uint32_t Utf16Length(std::wstring_view s) {
  std::uint32_t n = 0;
  for (wchar_t c : s) n += static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
  return n;
}
void PutName(std::string& out, std::wstring_view s) {
  PutU32(out, Utf16Length(s));
  auto unit = [&](std::uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (wchar_t c : s) {
    const std::uint32_t u = static_cast<std::uint32_t>(c);
    if (u > 0xFFFF) {
      unit(0xD800 + ((u - 0x10000) >> 10));
      unit(0xDC00 + ((u - 0x10000) & 0x3FF));
    } else {
      unit(u);
    }
  }
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : b_(bytes) {}
  size_t Left() const { return b_.size() - at_; }
  bool U8(std::uint8_t& n) {
    if (Left() < 1) return false;
    n = static_cast<std::uint8_t>(b_[at_++]);
    return true;
  }
  bool U32(std::uint32_t& n) {
    if (Left() < 4) return false;
    n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<std::uint8_t>(b_[at_ + i]);
    at_ += 4;
    return true;
  }
  bool U64(std::uint64_t& n) {
    if (Left() < 8) return false;
    n = 0;
    for (int i = 7; i >= 0; --i) n = (n << 8) | static_cast<std::uint8_t>(b_[at_ + i]);
    at_ += 8;
    return true;
  }
  bool Bytes(size_t n, std::string_view& out) {
    if (Left() < n) return false;
    out = b_.substr(at_, n);
    at_ += n;
    return true;
  }
  // A name into the record's pool; its length checked before anything is kept.
  bool Name(std::wstring& pool, std::uint32_t& at, std::uint32_t& length) {
    std::uint32_t units = 0;
    if (!U32(units) || units > Left() / 2) return false;
    at = static_cast<std::uint32_t>(pool.size());
    for (std::uint32_t i = 0; i < units; ++i) {
      std::uint32_t u = static_cast<std::uint8_t>(b_[at_]) | (static_cast<std::uint8_t>(b_[at_ + 1]) << 8);
      at_ += 2;
      if constexpr (sizeof(wchar_t) > 2) {
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
          const std::uint32_t low = static_cast<std::uint8_t>(b_[at_]) | (static_cast<std::uint8_t>(b_[at_ + 1]) << 8);
          if (low >= 0xDC00 && low < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            at_ += 2;
            ++i;
          }
        }
      }
      pool += static_cast<wchar_t>(u);
    }
    length = static_cast<std::uint32_t>(pool.size()) - at;
    return true;
  }

 private:
  std::string_view b_;
  size_t at_ = 0;
};

// The least bytes a key and a value take in the file: no count can ask for
// more entries than the bytes left could hold.
constexpr size_t kMinKeyBytes = 4 + 1 + 4 + 4;
constexpr size_t kMinValueBytes = 4 + 4 + 4;

bool ReadKey(Reader& in, RegRecord& r, std::uint32_t& subkeys) {
  RegRecordKey k;
  std::uint32_t count = 0;
  if (!in.Name(r.names, k.nameAt, k.nameLength) || !in.U8(k.flags) || k.flags > kKeyIncomplete) return false;
  if (!in.U32(count) || count > in.Left() / kMinValueBytes) return false;
  k.firstValue = static_cast<std::uint32_t>(r.values.size());
  k.valueCount = count;
  for (std::uint32_t i = 0; i < count; ++i) {
    RegRecordValue v;
    std::string_view data;
    if (!in.Name(r.names, v.nameAt, v.nameLength) || !in.U32(v.type) || !in.U32(v.dataLength)) return false;
    if (!in.Bytes(v.dataLength, data)) return false;
    v.dataAt = r.data.size();
    r.data.append(data);
    r.values.push_back(v);
  }
  if (!in.U32(subkeys) || subkeys > in.Left() / kMinKeyBytes) return false;
  r.keys.push_back(k);
  return true;
}

}  // namespace

std::string EncodeRegRecord(const RegRecord& r) {
  std::string out(kMagic, sizeof kMagic);
  PutU64(out, r.takenAt);
  PutU32(out, kRegAreaCount);
  for (int a = 0; a < kRegAreaCount; ++a) {
    out += static_cast<char>(a);
    out += static_cast<char>(r.areas[a].state);
    if (r.areas[a].state != RegAreaState::Recorded) continue;
    const std::uint32_t first = r.areas[a].first;
    for (std::uint32_t i = first; i < r.keys[first].end; ++i) {
      const RegRecordKey& k = r.keys[i];
      PutName(out, r.KeyName(k));
      out += static_cast<char>(k.flags);
      PutU32(out, k.valueCount);
      for (std::uint32_t v = k.firstValue; v < k.firstValue + k.valueCount; ++v) {
        const RegRecordValue& value = r.values[v];
        PutName(out, r.ValueName(value));
        PutU32(out, value.type);
        PutU32(out, value.dataLength);
        out.append(r.ValueData(value));
      }
      std::uint32_t subkeys = 0;
      for (std::uint32_t c = i + 1; c < k.end; c = r.keys[c].end) ++subkeys;
      PutU32(out, subkeys);
    }
  }
  PutU64(out, Hash64(out));
  return out;
}

std::optional<RegRecord> DecodeRegRecord(std::string_view bytes) {
  if (bytes.size() < sizeof kMagic + 8 + 4 + 8) return std::nullopt;
  const std::string_view body = bytes.substr(0, bytes.size() - 8);
  {
    Reader tail(bytes.substr(body.size()));
    std::uint64_t sum = 0;
    if (!tail.U64(sum) || sum != Hash64(body)) return std::nullopt;
  }
  if (body.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic)) return std::nullopt;
  Reader in(body.substr(sizeof kMagic));
  RegRecord r;
  std::uint32_t areas = 0;
  if (!in.U64(r.takenAt) || !in.U32(areas) || areas > kRegAreaCount) return std::nullopt;
  bool seen[kRegAreaCount] = {};
  for (std::uint32_t n = 0; n < areas; ++n) {
    std::uint8_t a = 0, state = 0;
    if (!in.U8(a) || !in.U8(state) || a >= kRegAreaCount || seen[a] || state > 3) return std::nullopt;
    seen[a] = true;
    r.areas[a].state = static_cast<RegAreaState>(state);
    if (r.areas[a].state != RegAreaState::Recorded) continue;
    r.areas[a].first = static_cast<std::uint32_t>(r.keys.size());
    // Pre-order with subkey counts: an explicit stack of the keys still open
    // and how many subkeys each still expects, so no depth can exhaust it.
    struct Open {
      std::uint32_t key, left;
    };
    std::vector<Open> open;
    std::uint32_t subkeys = 0;
    if (!ReadKey(in, r, subkeys)) return std::nullopt;
    open.push_back({static_cast<std::uint32_t>(r.keys.size() - 1), subkeys});
    while (!open.empty()) {
      if (open.back().left == 0) {
        r.keys[open.back().key].end = static_cast<std::uint32_t>(r.keys.size());
        open.pop_back();
        continue;
      }
      --open.back().left;
      if (!ReadKey(in, r, subkeys)) return std::nullopt;
      open.push_back({static_cast<std::uint32_t>(r.keys.size() - 1), subkeys});
    }
  }
  if (in.Left() != 0) return std::nullopt;
  return r;
}

namespace {

std::wstring RecordPath(const std::wstring& workDir) { return JoinPath(workDir, kRegRecordFileName); }

}  // namespace

FsError WriteRegRecord(FileSystem& fs, const std::wstring& workDir, const RegRecord& record) {
  const std::wstring path = RecordPath(workDir), temp = path + L".new";
  FsError e = fs.WriteBytes(temp, EncodeRegRecord(record));
  if (e == FsError::None) e = fs.MoveOne(temp, path, true);
  if (e != FsError::None) {
    // A record left from another snapshot is refused at a resume anyway; none
    // at all says plainly that this snapshot has none.
    if (fs.Stat(temp)) IgnoreError(fs.RemoveFile(temp));
    if (fs.Stat(path)) IgnoreError(fs.RemoveFile(path));
  }
  return e;
}

RegRecordLoad LoadRegRecord(FileSystem& fs, const std::wstring& workDir, std::uint64_t takenAt,
                            std::shared_ptr<const RegRecord>& record) {
  std::string bytes;
  const FsError e = fs.ReadBytes(RecordPath(workDir), bytes);
  if (e == FsError::NotFound || e == FsError::PathNotFound) return RegRecordLoad::Missing;
  if (e != FsError::None) return RegRecordLoad::Damaged;
  std::optional<RegRecord> decoded = DecodeRegRecord(bytes);
  if (!decoded || decoded->takenAt != takenAt) return RegRecordLoad::Damaged;
  record = std::make_shared<const RegRecord>(std::move(*decoded));
  return RegRecordLoad::Loaded;
}

void DeleteRegRecord(FileSystem& fs, const std::wstring& workDir) {
  for (const std::wstring& path : {RecordPath(workDir), RecordPath(workDir) + L".new"}) {
    if (fs.Stat(path)) IgnoreError(fs.RemoveFile(path));
  }
}

}  // namespace zel
