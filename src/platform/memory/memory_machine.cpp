#include "platform/memory/memory_machine.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/path.h"
#include "base/text.h"

namespace zel {
namespace {

std::vector<std::wstring> Split(std::wstring_view rest) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t slash = rest.find(L'\\', start);
    if (slash == std::wstring_view::npos) slash = rest.size();
    if (slash > start) parts.emplace_back(rest.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

bool DriveOf(std::wstring_view path, wchar_t& letter) {
  if (path.size() < 2 || path[1] != L':') return false;
  letter = UpperChar(path[0]);
  return letter >= L'A' && letter <= L'Z';
}

MemoryFileSystem::Node* Child(MemoryFileSystem::Node& folder, std::wstring_view name) {
  for (auto& child : folder.children) {
    if (EqualsNoCase(child->name, name)) return child.get();
  }
  return nullptr;
}

FileEntry EntryOf(const MemoryFileSystem::Node& node, std::wstring_view name) {
  FileEntry e;
  e.name = std::wstring(name);
  e.attributes = node.attributes == 0 ? attr::kNormal : node.attributes;
  e.lastWrite = node.lastWrite;
  e.creation = node.creation;
  e.size = node.IsFolder() ? 0 : node.content.size();
  return e;
}

}  // namespace

MemoryFileSystem::MemoryFileSystem(std::uint64_t* clock) : clock_(clock) {}

void MemoryFileSystem::AddDrive(wchar_t letter, DriveType type, std::uint64_t freeBytes, std::uint64_t totalBytes) {
  Drive& d = drives_[UpperChar(letter)];
  d.type = type;
  d.freeBytes = freeBytes;
  d.totalBytes = totalBytes;
  d.serial = 0x1000u + static_cast<std::uint32_t>(UpperChar(letter));
  d.root.attributes = attr::kDirectory;
  if (current_.empty()) current_ = std::wstring(1, UpperChar(letter)) + L":\\";
}

void MemoryFileSystem::RemoveDrive(wchar_t letter) { drives_.erase(UpperChar(letter)); }

void MemoryFileSystem::SetFreeSpace(wchar_t letter, std::uint64_t freeBytes) {
  drives_.at(UpperChar(letter)).freeBytes = freeBytes;
}

void MemoryFileSystem::SetVolume(wchar_t letter, std::uint32_t serial) { drives_.at(UpperChar(letter)).serial = serial; }

MemoryFileSystem::Node* MemoryFileSystem::Resolve(std::wstring_view path, bool followLast, Node** parent) {
  wchar_t letter;
  if (!DriveOf(path, letter)) return nullptr;
  auto drive = drives_.find(letter);
  if (drive == drives_.end()) return nullptr;
  Node* node = &drive->second.root;
  if (parent) *parent = nullptr;
  std::vector<std::wstring> parts = Split(path.substr(2));
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!node->IsFolder()) return nullptr;
    Node* child = Child(*node, parts[i]);
    if (!child) return nullptr;
    bool last = i + 1 == parts.size();
    if (parent && last) *parent = node;
    if (!child->linkTarget.empty() && (!last || followLast)) {
      static int depth = 0;
      if (depth > 16) return nullptr;
      ++depth;
      child = Resolve(child->linkTarget, true);
      --depth;
      if (!child) return nullptr;
    }
    node = child;
  }
  return node;
}

MemoryFileSystem::Node* MemoryFileSystem::ParentFor(std::wstring_view path, std::wstring* leaf, FsError* error) {
  std::wstring parentPath = ParentFolder(path);
  *leaf = LastComponent(path);
  if (parentPath.size() == 2) parentPath += L'\\';
  Node* parent = Resolve(parentPath, true);
  if (!parent || !parent->IsFolder()) {
    *error = FsError::PathNotFound;
    return nullptr;
  }
  *error = FsError::None;
  return parent;
}

MemoryFileSystem::Node& MemoryFileSystem::AddFolder(std::wstring_view path, std::uint64_t time) {
  wchar_t letter = L'?';
  DriveOf(path, letter);
  Node* node = &drives_.at(letter).root;
  for (const std::wstring& part : Split(path.substr(2))) {
    Node* child = Child(*node, part);
    if (!child) {
      auto created = std::make_unique<Node>();
      created->name = part;
      created->attributes = attr::kDirectory;
      created->lastWrite = created->creation = time ? time : Now();
      child = created.get();
      node->children.push_back(std::move(created));
    } else if (!child->linkTarget.empty()) {
      child = Resolve(child->linkTarget, true);
    }
    node = child;
  }
  return *node;
}

MemoryFileSystem::Node& MemoryFileSystem::AddFile(std::wstring_view path, std::string_view content,
                                                  std::uint64_t lastWrite) {
  Node& folder = AddFolder(ParentFolder(path).size() == 2 ? ParentFolder(path) + L"\\" : ParentFolder(path));
  std::wstring name = LastComponent(path);
  Node* node = Child(folder, name);
  if (!node) {
    auto created = std::make_unique<Node>();
    created->name = name;
    node = created.get();
    folder.children.push_back(std::move(created));
  }
  node->attributes = attr::kArchive;
  node->content = std::string(content);
  node->lastWrite = node->creation = lastWrite ? lastWrite : Now();
  return *node;
}

MemoryFileSystem::Node& MemoryFileSystem::AddLink(std::wstring_view path, std::wstring_view target) {
  Node& folder = AddFolder(ParentFolder(path).size() == 2 ? ParentFolder(path) + L"\\" : ParentFolder(path));
  auto created = std::make_unique<Node>();
  created->name = LastComponent(path);
  created->attributes = attr::kDirectory | attr::kReparsePoint;
  created->linkTarget = std::wstring(target);
  created->lastWrite = created->creation = Now();
  Node& ref = *created;
  folder.children.push_back(std::move(created));
  return ref;
}

void MemoryFileSystem::SetUnreadable(std::wstring_view path, bool unreadable) {
  Node* node = Resolve(path, false);
  if (node) node->unreadable = unreadable;
}

void MemoryFileSystem::SetInUse(std::wstring_view path, bool inUse) {
  Node* node = Resolve(path, false);
  if (node) node->inUse = inUse;
}

void MemoryFileSystem::SetShortName(std::wstring_view path, std::wstring_view shortName) {
  Node* node = Resolve(path, false);
  if (node) node->shortName = std::wstring(shortName);
}

bool MemoryFileSystem::Exists(std::wstring_view path) { return Resolve(path, false) != nullptr; }

std::string MemoryFileSystem::Content(std::wstring_view path) {
  Node* node = Resolve(path, true);
  return node ? node->content : std::string();
}

MemoryFileSystem::Node* MemoryFileSystem::Find(std::wstring_view path) { return Resolve(path, false); }

FsError MemoryFileSystem::Enumerate(std::wstring_view pattern, const EntrySink& sink) {
  std::wstring folderPath = ParentFolder(pattern);
  std::wstring mask = LastComponent(pattern);
  bool isRoot = folderPath.size() == 2;
  if (isRoot) folderPath += L'\\';
  Node* folder = Resolve(folderPath, true);
  if (!folder || !folder->IsFolder()) return FsError::PathNotFound;
  if (folder->unreadable) return FsError::AccessDenied;
  bool any = false;
  if (!isRoot) {
    for (const wchar_t* dot : {L".", L".."}) {
      if (MatchWildcard(mask, dot)) {
        any = true;
        sink(EntryOf(*folder, dot));
      }
    }
  }
  // Copy the names first: a sink may change the folder (as a wash does).
  std::vector<FileEntry> entries;
  for (const auto& child : folder->children) {
    if (MatchWildcard(mask, child->name)) entries.push_back(EntryOf(*child, child->name));
  }
  for (const FileEntry& e : entries) {
    any = true;
    sink(e);
  }
  return any ? FsError::None : FsError::NotFound;
}

std::optional<FileEntry> MemoryFileSystem::Stat(std::wstring_view path) {
  Node* node = Resolve(path, false);
  if (!node) return std::nullopt;
  return EntryOf(*node, LastComponent(path));
}

FsError MemoryFileSystem::MakeFolder(std::wstring_view path) {
  if (!failCreate_.empty() && IsSameOrBelow(path, failCreate_)) return FsError::AccessDenied;
  std::wstring leaf;
  FsError error;
  Node* parent = ParentFor(path, &leaf, &error);
  if (!parent) return error;
  if (Child(*parent, leaf)) return FsError::AlreadyExists;
  auto created = std::make_unique<Node>();
  created->name = leaf;
  created->attributes = attr::kDirectory;
  created->lastWrite = created->creation = Now();
  parent->children.push_back(std::move(created));
  return FsError::None;
}

FsError MemoryFileSystem::RemoveFolder(std::wstring_view path) {
  Node* parent = nullptr;
  Node* node = Resolve(path, false, &parent);
  if (!node || !parent) return FsError::NotFound;
  if (!node->IsFolder()) return FsError::Other;
  if (node->linkTarget.empty() && !node->children.empty()) return FsError::NotEmpty;
  if (node->inUse) return FsError::InUse;
  auto& kids = parent->children;
  kids.erase(std::remove_if(kids.begin(), kids.end(), [node](const auto& c) { return c.get() == node; }), kids.end());
  return FsError::None;
}

FsError MemoryFileSystem::RemoveFile(std::wstring_view path) {
  Node* parent = nullptr;
  Node* node = Resolve(path, false, &parent);
  if (!node || !parent) return FsError::NotFound;
  if (node->IsFolder()) return FsError::AccessDenied;
  if (node->inUse) return FsError::InUse;
  if (node->attributes & attr::kReadOnly) return FsError::AccessDenied;
  auto& kids = parent->children;
  kids.erase(std::remove_if(kids.begin(), kids.end(), [node](const auto& c) { return c.get() == node; }), kids.end());
  return FsError::None;
}

FsError MemoryFileSystem::CopyOne(std::wstring_view from, std::wstring_view to, bool overwrite) {
  Node* source = Resolve(from, true);
  if (!source) return FsError::NotFound;
  if (source->IsFolder()) return FsError::AccessDenied;
  std::wstring leaf;
  FsError error;
  Node* parent = ParentFor(to, &leaf, &error);
  if (!parent) return error;
  Node* target = Child(*parent, leaf);
  if (target) {
    if (!overwrite) return FsError::AlreadyExists;
    if (target->IsFolder() || target->inUse || (target->attributes & attr::kReadOnly)) return FsError::AccessDenied;
  } else {
    auto created = std::make_unique<Node>();
    created->name = leaf;
    target = created.get();
    parent->children.push_back(std::move(created));
  }
  std::string content = source->content;
  target->content = std::move(content);
  target->attributes = source->attributes | attr::kArchive;
  target->lastWrite = target->creation = source->lastWrite;
  return FsError::None;
}

FsError MemoryFileSystem::MoveOne(std::wstring_view from, std::wstring_view to, bool replace) {
  Node* sourceParent = nullptr;
  Node* source = Resolve(from, false, &sourceParent);
  if (!source || !sourceParent) return FsError::NotFound;
  std::wstring leaf;
  FsError error;
  Node* parent = ParentFor(to, &leaf, &error);
  if (!parent) return error;
  if (Node* existing = Child(*parent, leaf)) {
    if (existing == source) {
      source->name = leaf;
      return FsError::None;
    }
    if (!replace || existing->IsFolder()) return FsError::AlreadyExists;
    auto& kids = parent->children;
    kids.erase(std::remove_if(kids.begin(), kids.end(), [existing](const auto& c) { return c.get() == existing; }),
               kids.end());
  }
  auto& from_kids = sourceParent->children;
  auto it = std::find_if(from_kids.begin(), from_kids.end(), [source](const auto& c) { return c.get() == source; });
  std::unique_ptr<Node> moved = std::move(*it);
  from_kids.erase(it);
  moved->name = leaf;
  parent->children.push_back(std::move(moved));
  return FsError::None;
}

FsError MemoryFileSystem::SetAttributes(std::wstring_view path, std::uint32_t attributes) {
  Node* node = Resolve(path, false);
  if (!node) return FsError::NotFound;
  std::uint32_t keep = node->attributes & (attr::kDirectory | attr::kReparsePoint);
  node->attributes = keep | (attributes & ~(attr::kDirectory | attr::kReparsePoint | attr::kNormal));
  return FsError::None;
}

FsError MemoryFileSystem::ReadBytes(std::wstring_view path, std::string& bytes) {
  Node* node = Resolve(path, true);
  if (!node) return FsError::NotFound;
  if (node->IsFolder()) return FsError::AccessDenied;
  bytes = node->content;
  return FsError::None;
}

FsError MemoryFileSystem::ReadHead(std::wstring_view path, size_t maxBytes, std::string& bytes) {
  FsError error = ReadBytes(path, bytes);
  if (error == FsError::None && bytes.size() > maxBytes) bytes.resize(maxBytes);
  return error;
}

FsError MemoryFileSystem::ExpandOne(std::wstring_view from, std::wstring_view to) { return CopyOne(from, to, true); }

FsError MemoryFileSystem::WriteBytes(std::wstring_view path, std::string_view bytes) {
  std::wstring leaf;
  FsError error;
  Node* parent = ParentFor(path, &leaf, &error);
  if (!parent) return error;
  if (!failCreate_.empty() && IsSameOrBelow(path, failCreate_)) return FsError::AccessDenied;
  Node* node = Child(*parent, leaf);
  if (node && (node->IsFolder() || node->inUse || (node->attributes & attr::kReadOnly))) return FsError::AccessDenied;
  if (!node) {
    auto created = std::make_unique<Node>();
    created->name = leaf;
    created->attributes = attr::kArchive;
    node = created.get();
    parent->children.push_back(std::move(created));
    node->creation = Now();
  }
  node->content = std::string(bytes);
  node->lastWrite = Now();
  return FsError::None;
}

FsError MemoryFileSystem::WriteWholeFile(std::wstring_view path, std::string_view bytes, std::uint64_t lastWrite,
                                         bool replace) {
  if (!replace && Resolve(path, true)) return FsError::AlreadyExists;
  FsError error = WriteBytes(path, bytes);
  if (error != FsError::None) return error;
  if (lastWrite != 0) Resolve(path, true)->lastWrite = lastWrite;
  return FsError::None;
}

FsError MemoryFileSystem::AppendBytes(std::wstring_view path, std::string_view bytes) {
  Node* node = Resolve(path, true);
  if (!node) return WriteBytes(path, bytes);
  if (node->IsFolder() || node->inUse) return FsError::AccessDenied;
  node->content += bytes;
  node->lastWrite = Now();
  return FsError::None;
}

DriveType MemoryFileSystem::DriveTypeOf(std::wstring_view root) {
  wchar_t letter;
  if (!DriveOf(root, letter)) return DriveType::NoRoot;
  auto it = drives_.find(letter);
  return it == drives_.end() ? DriveType::NoRoot : it->second.type;
}

std::optional<DiskSpace> MemoryFileSystem::SpaceOf(std::wstring_view root, bool extended) {
  wchar_t letter;
  if (!DriveOf(root, letter)) return std::nullopt;
  auto it = drives_.find(letter);
  if (it == drives_.end()) return std::nullopt;
  DiskSpace space{it->second.freeBytes, it->second.totalBytes};
  if (!extended) {  // the old call reports at most 2 GB
    const std::uint64_t cap = 2147483648ULL - 32768ULL;
    space.freeBytes = std::min(space.freeBytes, cap);
    space.totalBytes = std::min(space.totalBytes, cap);
  }
  return space;
}

std::optional<VolumeId> MemoryFileSystem::VolumeOf(std::wstring_view root) {
  wchar_t letter;
  if (!DriveOf(root, letter)) return std::nullopt;
  auto it = drives_.find(letter);
  if (it == drives_.end()) return std::nullopt;
  return VolumeId{it->second.serial, it->second.totalBytes};
}

std::optional<std::wstring> MemoryFileSystem::ShortPathOf(std::wstring_view path) {
  wchar_t letter;
  if (!DriveOf(path, letter) || !Resolve(path, false)) return std::nullopt;
  std::wstring prefix(1, letter);
  prefix += L':';
  std::wstring out = prefix;
  for (const std::wstring& part : Split(path.substr(2))) {
    prefix += L'\\' + part;
    Node* node = Resolve(prefix, false);
    if (!node) return std::nullopt;
    out += L'\\';
    out += !node->shortName.empty() ? node->shortName : node->name;
  }
  if (out.size() == 2) out += L'\\';
  return out;
}

FsError MemoryFileSystem::MoveAtRestart(std::wstring_view from, std::wstring_view to) {
  if (!Resolve(from, false)) return FsError::NotFound;
  restartMoves.push_back({std::wstring(from), std::wstring(to)});
  return FsError::None;
}

void MemoryFileSystem::RunRestartMoves() {
  std::vector<RestartMove> moves = std::move(restartMoves);
  restartMoves.clear();
  for (const RestartMove& move : moves) {
    Node* node = Resolve(move.from, false);
    if (!node) continue;
    node->inUse = false;  // nothing holds a file while Windows starts
    if (move.to.empty()) {
      node->attributes &= ~attr::kReadOnly;
      IgnoreError(RemoveFile(move.from));
    } else {
      if (Node* target = Resolve(move.to, false)) target->inUse = false;
      IgnoreError(MoveOne(move.from, move.to, true));
    }
  }
}

// The texts the platform gives for these errors.
std::wstring MemoryFileSystem::ErrorMessage(FsError error) {
  switch (error) {
    case FsError::None: return L"The operation completed successfully.";
    case FsError::NotFound: return L"The system cannot find the file specified.";
    case FsError::PathNotFound: return L"The system cannot find the path specified.";
    case FsError::AccessDenied: return L"Access is denied.";
    case FsError::AlreadyExists: return L"Cannot create a file when that file already exists.";
    case FsError::CannotMake: return L"The directory or file cannot be created.";
    case FsError::DiskFull: return L"There is not enough space on the disk.";
    case FsError::InUse:
      return L"The process cannot access the file because it is being used by another process.";
    case FsError::NotEmpty: return L"The directory is not empty.";
    case FsError::NameTooLong: return L"The filename or extension is too long.";
    case FsError::Other: break;
  }
  return L"A device attached to the system is not functioning.";
}

bool MemoryFileSystem::SetCurrentFolder(std::wstring_view path) {
  Node* node = Resolve(path, true);
  if (!node || !node->IsFolder()) return false;
  current_ = std::wstring(path);
  return true;
}

// ---------------------------------------------------------------------------

namespace {

std::vector<std::wstring> SplitKey(std::wstring_view key) {
  std::vector<std::wstring> parts;
  size_t at = 0;
  while (at <= key.size()) {
    size_t next = key.find(L'\\', at);
    if (next == std::wstring_view::npos) next = key.size();
    if (next > at) parts.emplace_back(key.substr(at, next - at));
    at = next + 1;
  }
  return parts;
}

std::string Utf16Bytes(std::wstring_view text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  bytes.append(2, '\0');
  return bytes;
}

bool LessUpper(const std::wstring& a, std::wstring_view b) { return ToUpper(a) < ToUpper(b); }

}  // namespace

std::vector<std::wstring> MemoryRegistry::PathOf(RegRoot root, RegView view, std::wstring_view key) const {
  std::vector<std::wstring> parts = SplitKey(key);
  if (twoViews && view == RegView::Bits32 && root == RegRoot::LocalMachine && !parts.empty() &&
      EqualsNoCase(parts[0], L"SOFTWARE") && !(parts.size() > 1 && EqualsNoCase(parts[1], L"Wow6432Node"))) {
    parts.insert(parts.begin() + 1, L"Wow6432Node");
  }
  return parts;
}

MemoryRegistry::Key* MemoryRegistry::Find(RegRoot root, RegView view, std::wstring_view key, bool make) {
  Key* k = root == RegRoot::LocalMachine ? &lm_ : &cu_;
  for (const std::wstring& part : PathOf(root, view, key)) {
    auto it = std::find_if(k->subkeys.begin(), k->subkeys.end(),
                           [&](const std::unique_ptr<Key>& c) { return EqualsNoCase(c->name, part); });
    if (it == k->subkeys.end()) {
      if (!make) return nullptr;
      auto at = std::find_if(k->subkeys.begin(), k->subkeys.end(),
                             [&](const std::unique_ptr<Key>& c) { return !LessUpper(c->name, part); });
      auto made = std::make_unique<Key>();
      made->name = part;
      it = k->subkeys.insert(at, std::move(made));
    }
    k = it->get();
  }
  return k;
}

MemoryRegistry::Key* MemoryRegistry::Walkdown(RegRoot root, RegView view, std::wstring_view key, RegError* error) {
  *error = RegError::None;
  Key* k = root == RegRoot::LocalMachine ? &lm_ : &cu_;
  for (const std::wstring& part : PathOf(root, view, key)) {
    auto it = std::find_if(k->subkeys.begin(), k->subkeys.end(),
                           [&](const std::unique_ptr<Key>& c) { return EqualsNoCase(c->name, part); });
    if (it == k->subkeys.end()) {
      *error = RegError::NotFound;
      return nullptr;
    }
    k = it->get();
    if (k->unreadable) {
      *error = RegError::Denied;
      return nullptr;
    }
  }
  return k;
}

void MemoryRegistry::Put(RegRoot root, RegView view, std::wstring_view key, std::wstring_view name, std::uint32_t type,
                         std::string_view data) {
  Key* k = Find(root, view, key, true);
  for (Value& v : k->values) {
    if (EqualsNoCase(v.name, name)) {
      v.type = type;
      v.data = std::string(data);
      return;
    }
  }
  k->values.push_back({std::wstring(name), type, std::string(data)});
}

void MemoryRegistry::Set(RegRoot root, std::wstring_view key, std::wstring_view value, std::wstring_view data) {
  Put(root, RegView::Bits64, key, value, regtype::kSz, Utf16Bytes(data));
}

bool MemoryRegistry::HasKey(RegRoot root, std::wstring_view key, RegView view) {
  return Find(root, view, key) != nullptr;
}

std::optional<MemoryRegistry::Value> MemoryRegistry::Get(RegRoot root, RegView view, std::wstring_view key,
                                                         std::wstring_view name) {
  Key* k = Find(root, view, key);
  if (!k) return std::nullopt;
  for (const Value& v : k->values) {
    if (EqualsNoCase(v.name, name)) return v;
  }
  return std::nullopt;
}

std::wstring MemoryRegistry::ReadText(RegRoot root, std::wstring_view key, std::wstring_view value) {
  std::optional<Value> v = Get(root, RegView::Bits64, key, value);
  if (!v) return std::wstring();
  if (v->type == regtype::kDword && v->data.size() >= 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v->data[i]);
    return std::to_wstring(n);
  }
  if (v->type != regtype::kSz && v->type != regtype::kExpandSz && v->type != regtype::kMultiSz) return std::wstring();
  std::wstring text;
  for (size_t i = 0; i + 1 < v->data.size() && i < 1024; i += 2) {
    wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(v->data[i]) |
                                     (static_cast<unsigned char>(v->data[i + 1]) << 8));
    if (c == L'\0') break;
    text += c;
  }
  if (text.size() > 511) text.resize(511);  // 1024 bytes with the terminating NUL
  return text;
}

namespace {

void WalkKey(const MemoryRegistry::Key& key, bool hideWow, RegWalker& walker) {
  for (const MemoryRegistry::Value& v : key.values) walker.Value({v.name, v.type, v.data});
  for (const auto& sub : key.subkeys) {
    if (hideWow && EqualsNoCase(sub->name, L"Wow6432Node")) continue;
    if (!walker.Enter(sub->name)) continue;
    if (sub->unreadable) walker.Failed(RegError::Denied);
    else WalkKey(*sub, false, walker);
    walker.Leave();
  }
}

}  // namespace

RegError MemoryRegistry::Walk(RegRoot root, RegView view, std::wstring_view key, RegWalker& walker) {
  RegError error;
  Key* k = Walkdown(root, view, key, &error);
  if (!k) return error;
  // The 32-bit view of HKLM\SOFTWARE does not show the key that holds it.
  const bool hideWow = twoViews && view == RegView::Bits32 && root == RegRoot::LocalMachine &&
                       EqualsNoCase(key, L"SOFTWARE");
  WalkKey(*k, hideWow, walker);
  return RegError::None;
}

RegError MemoryRegistry::CreateKey(RegRoot root, RegView view, std::wstring_view key) {
  Key* k = root == RegRoot::LocalMachine ? &lm_ : &cu_;
  for (const std::wstring& part : PathOf(root, view, key)) {
    if (k->unreadable) return RegError::Denied;
    auto it = std::find_if(k->subkeys.begin(), k->subkeys.end(),
                           [&](const std::unique_ptr<Key>& c) { return EqualsNoCase(c->name, part); });
    if (it == k->subkeys.end()) {
      if (k->readOnly) return RegError::Denied;  // a read-only key refuses new subkeys
      auto at = std::find_if(k->subkeys.begin(), k->subkeys.end(),
                             [&](const std::unique_ptr<Key>& c) { return !LessUpper(c->name, part); });
      auto made = std::make_unique<Key>();
      made->name = part;
      it = k->subkeys.insert(at, std::move(made));
      ++writes;
    }
    k = it->get();
  }
  return RegError::None;
}

RegError MemoryRegistry::SetValue(RegRoot root, RegView view, std::wstring_view key, const RegValueRef& value) {
  Key* k = Find(root, view, key);
  if (!k) {
    RegError e = CreateKey(root, view, key);
    if (e != RegError::None) return e;
    k = Find(root, view, key);
  }
  if (k->readOnly || k->unreadable) return RegError::Denied;
  Put(root, view, key, value.name, value.type, value.data);
  ++writes;
  return RegError::None;
}

RegError MemoryRegistry::DeleteValue(RegRoot root, RegView view, std::wstring_view key, std::wstring_view name) {
  Key* k = Find(root, view, key);
  if (!k) return RegError::NotFound;
  if (k->readOnly || k->unreadable) return RegError::Denied;
  auto it = std::find_if(k->values.begin(), k->values.end(), [&](const Value& v) { return EqualsNoCase(v.name, name); });
  if (it == k->values.end()) return RegError::NotFound;
  k->values.erase(it);
  ++writes;
  return RegError::None;
}

namespace {

bool HoldsReadOnly(const MemoryRegistry::Key& k) {
  if (k.readOnly || k.unreadable) return true;
  for (const auto& sub : k.subkeys) {
    if (HoldsReadOnly(*sub)) return true;
  }
  return false;
}

}  // namespace

RegError MemoryRegistry::DeleteKey(RegRoot root, RegView view, std::wstring_view key) {
  std::vector<std::wstring> parts = PathOf(root, view, key);
  if (parts.empty()) return RegError::Denied;
  Key* parent = root == RegRoot::LocalMachine ? &lm_ : &cu_;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                           [&](const std::unique_ptr<Key>& c) { return EqualsNoCase(c->name, parts[i]); });
    if (it == parent->subkeys.end()) return RegError::NotFound;
    parent = it->get();
  }
  auto it = std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                         [&](const std::unique_ptr<Key>& c) { return EqualsNoCase(c->name, parts.back()); });
  if (it == parent->subkeys.end()) return RegError::NotFound;
  if (parent->readOnly || HoldsReadOnly(**it)) return RegError::Denied;
  parent->subkeys.erase(it);
  ++writes;
  return RegError::None;
}

// ---------------------------------------------------------------------------

namespace {

struct IniLine {
  std::wstring text;
};

std::vector<std::wstring> IniLines(const std::string& bytes) { return SplitTextLines(FromCp932(bytes)); }

bool IsSection(const std::wstring& line, std::wstring_view section) {
  std::wstring t = Trim(line);
  return t.size() >= 2 && t.front() == L'[' && t.back() == L']' &&
         EqualsNoCase(Trim(std::wstring_view(t).substr(1, t.size() - 2)), section);
}

bool IsKey(const std::wstring& line, std::wstring_view key, std::wstring* value) {
  size_t eq = line.find(L'=');
  if (eq == std::wstring::npos) return false;
  if (!EqualsNoCase(Trim(std::wstring_view(line).substr(0, eq)), key)) return false;
  if (value) *value = line.substr(eq + 1);
  return true;
}

}  // namespace

std::wstring MemoryIni::ReadRaw(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                                size_t maxChars) {
  std::string bytes;
  if (fs_.ReadBytes(file, bytes) != FsError::None) return std::wstring();
  bool inSection = false;
  for (const std::wstring& line : IniLines(bytes)) {
    std::wstring t = Trim(line);
    if (!t.empty() && t.front() == L'[') {
      inSection = IsSection(line, section);
      continue;
    }
    std::wstring value;
    if (inSection && IsKey(line, key, &value)) {
      // The platform trims the value and takes off one pair of quotes.
      value = Trim(value);
      if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') value = value.substr(1, value.size() - 2);
      if (maxChars > 0 && value.size() > maxChars - 1) value.resize(maxChars - 1);
      return value;
    }
  }
  return std::wstring();
}

bool MemoryIni::WriteValue(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                           std::wstring_view value) {
  std::string bytes;
  IgnoreError(fs_.ReadBytes(file, bytes));
  std::vector<std::wstring> lines = IniLines(bytes);
  // The platform drops the blanks in front of a value it writes.
  size_t start = value.find_first_not_of(L" \t");
  value = start == std::wstring_view::npos ? std::wstring_view() : value.substr(start);
  std::wstring entry = std::wstring(key) + L"=" + std::wstring(value);
  int sectionAt = -1;
  size_t insertAt = lines.size();
  bool done = false;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::wstring t = Trim(lines[i]);
    if (!t.empty() && t.front() == L'[') {
      if (sectionAt >= 0) {
        insertAt = i;
        break;
      }
      if (IsSection(lines[i], section)) sectionAt = static_cast<int>(i);
      continue;
    }
    if (sectionAt >= 0) {
      if (IsKey(lines[i], key, nullptr)) {
        lines[i] = entry;
        done = true;
      } else if (!t.empty()) {
        insertAt = i + 1;
      }
    }
  }
  if (!done) {
    if (sectionAt < 0) {
      lines.push_back(L"[" + std::wstring(section) + L"]");
      lines.push_back(entry);
    } else {
      if (insertAt > lines.size() || insertAt <= static_cast<size_t>(sectionAt)) insertAt = sectionAt + 1;
      lines.insert(lines.begin() + static_cast<long>(insertAt), entry);
    }
  }
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\r\n";
  return fs_.WriteBytes(file, ToCp932(text)) == FsError::None;
}

// ---------------------------------------------------------------------------

std::wstring MemorySystem::EnvVar(std::wstring_view name) {
  auto it = env.find(ToUpper(name));
  return it == env.end() ? std::wstring() : it->second;
}

LocalTime MemorySystem::LocalTimeOf(std::uint64_t fileTime) {
  // Days since 1601-01-01 to a civil date (proleptic Gregorian).
  std::int64_t seconds = static_cast<std::int64_t>(fileTime / 10000000ULL);
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  std::int64_t z = days - 134774 + 719468;  // days from 1970-01-01, then the civil algorithm
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return LocalTime{year, month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                   static_cast<int>(rest % 60)};
}

bool MemorySystem::RemoveFont(std::wstring_view path) {
  removedFonts.emplace_back(path);
  return true;
}

bool MemoryDesktop::PostClose(WindowHandle window) {
  if (!WindowExists(window)) return false;
  closeRequests.push_back(window);
  if (!onPostClose || onPostClose(window)) {
    std::erase_if(windows, [&](const TopWindow& w) { return w.handle == window; });
  }
  return true;
}

bool MemoryDesktop::WindowExists(WindowHandle window) {
  return std::any_of(windows.begin(), windows.end(), [window](const TopWindow& w) { return w.handle == window; });
}

WindowHandle MemoryDesktop::FindTopLevel(std::wstring_view className, std::wstring_view title) {
  for (const TopWindow& w : windows) {
    if ((className.empty() || w.className == className) && (title.empty() || w.title == title)) return w.handle;
  }
  return 0;
}

std::intptr_t MemoryDesktop::ShellOpen(std::wstring_view file, std::wstring_view) {
  opened.emplace_back(file);
  return shellResult;
}

bool MemoryDesktop::StartProgram(std::wstring_view commandLine, std::wstring_view, ShowMode) {
  started.emplace_back(commandLine);
  if (startResult && onStart) onStart(commandLine);
  return startResult;
}

}  // namespace zel
