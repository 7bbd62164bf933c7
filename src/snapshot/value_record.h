// The registry record: every key and value of the recorded areas at the
// snapshot (exact UTF-16 names, type, bytes), its file Zel32.rgv beside
// Zel32.dat, and the one list of keys and values that change by themselves.
//
// Zel32.rgv, all numbers little-endian:
//   "ZELRGV1" NUL                     8 bytes
//   u64 the snapshot's time           (Snapshot::takenAt: a record of another snapshot is refused)
//   u32 number of areas
//   per area: u8 area, u8 state, then, when recorded, its start key
//   key:   u32 name length (UTF-16 units), the name, u8 flags (1: not read in full),
//          u32 value count, the values, u32 subkey count, the subkeys
//   value: u32 name length, the name, u32 type, u32 data length, the data
//   u64 XXH64 of every byte before it
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "snapshot/snapshot.h"

namespace zel {

// The recorded areas, in the order they are walked and listed.
enum class RegArea : std::uint8_t { Software64 = 0, Software32 = 1, UserSoftware = 2, Services = 3 };
constexpr int kRegAreaCount = 4;
struct RegAreaInfo {
  RegRoot root;
  RegView view;
  const wchar_t* key;      // below the root
  const wchar_t* display;  // the root's name and the key, as lines show it
};
const RegAreaInfo& AreaInfo(RegArea area);

enum class RegAreaState : std::uint8_t {
  NotRecorded = 0,  // switched off, or the 32-bit view of a machine that has one view
  Recorded = 1,
  Missing = 2,      // the start key was not there
  Failed = 3,       // the start key could not be opened: nothing is known
};

// One key of the record. Keys are kept in walk order (a key, then its
// subtree); end is the index after the subtree, so the next sibling of key i
// is keys[keys[i].end].
struct RegRecordKey {
  std::uint32_t nameAt = 0, nameLength = 0;  // in RegRecord::names
  std::uint32_t firstValue = 0, valueCount = 0;
  std::uint32_t end = 0;
  std::uint8_t flags = 0;
  bool operator==(const RegRecordKey&) const = default;
};
constexpr std::uint8_t kKeyIncomplete = 1;  // not opened, or its listing stopped early

struct RegRecordValue {
  std::uint32_t nameAt = 0, nameLength = 0;
  std::uint32_t type = 0;
  std::uint32_t dataLength = 0;
  std::uint64_t dataAt = 0;  // in RegRecord::data
  bool operator==(const RegRecordValue&) const = default;
};

struct RegRecord {
  std::uint64_t takenAt = 0;
  struct Area {
    RegAreaState state = RegAreaState::NotRecorded;
    std::uint32_t first = 0;  // the start key's index when Recorded
    bool operator==(const Area&) const = default;
  };
  Area areas[kRegAreaCount];
  std::vector<RegRecordKey> keys;
  std::vector<RegRecordValue> values;
  std::wstring names;
  std::string data;
  bool operator==(const RegRecord&) const = default;

  std::wstring_view KeyName(const RegRecordKey& k) const { return std::wstring_view(names).substr(k.nameAt, k.nameLength); }
  std::wstring_view ValueName(const RegRecordValue& v) const { return std::wstring_view(names).substr(v.nameAt, v.nameLength); }
  std::string_view ValueData(const RegRecordValue& v) const {
    return std::string_view(data).substr(static_cast<size_t>(v.dataAt), v.dataLength);
  }
};

// --- the noise list ---------------------------------------------------------

// Keys and values that change by themselves while nothing is tested: the
// shell's and the system's own bookkeeping. They are neither recorded nor
// listed nor washed. A pattern is a key path below its root, with "*"
// standing for any one key name; an empty value name means the whole key.
struct RegNoise {
  RegRoot root;
  const wchar_t* key;
  const wchar_t* value;
  const char* why;  // what changes it
};
const std::vector<RegNoise>& RegistryNoise();

// Follows a walk down the tree and tells which keys and values are noise,
// comparing only the patterns that still match the path so far.
class NoiseFilter {
 public:
  // path: the start key below the root.
  NoiseFilter(RegRoot root, std::wstring_view path);
  // Before a subkey is entered: true when the subkey is noise (skip it).
  bool Enter(std::wstring_view name);
  void Leave();
  bool IsNoiseValue(std::wstring_view name) const;

 private:
  struct Live {
    const RegNoise* noise;
    std::vector<std::wstring> parts;
  };
  std::vector<Live> patterns_;
  // Per depth: the patterns whose first depth components match the path.
  std::vector<std::vector<const Live*>> stack_;
};

// Whether a key (below its root) holds entries that start programs: Run and
// RunOnce, services, shell extensions and the like. Such lines come first.
bool IsAutostartKey(RegRoot root, std::wstring_view key);

// --- recording, file ----------------------------------------------------------

extern const wchar_t kRegRecordFileName[];  // "Zel32.rgv"

// Walks every area (the 32-bit one only where the machine has two views) into
// a record. Advances the busy indicator as it goes.
RegRecord RecordRegistry(Registry& reg, FrontEnd* fe, std::uint64_t takenAt);

std::string EncodeRegRecord(const RegRecord& record);
// Checks every length and count against the bytes left and the check sum at
// the end; anything else is refused (nullopt), never half read.
std::optional<RegRecord> DecodeRegRecord(std::string_view bytes);

// Written to "Zel32.rgv.new", then moved over Zel32.rgv.
FsError WriteRegRecord(FileSystem& fs, const std::wstring& workDir, const RegRecord& record);
enum class RegRecordLoad { Loaded, Missing, Damaged };
// Damaged also when the record belongs to another snapshot than takenAt.
RegRecordLoad LoadRegRecord(FileSystem& fs, const std::wstring& workDir, std::uint64_t takenAt,
                            std::shared_ptr<const RegRecord>& record);
void DeleteRegRecord(FileSystem& fs, const std::wstring& workDir);

}  // namespace zel
