#include "records/version_info.h"

#include <cstdint>
#include <algorithm>
#include <optional>
#include <vector>

namespace zel {
namespace {

constexpr std::uint32_t kResourceVersion = 16;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;

class Bytes {
 public:
  explicit Bytes(std::string_view b) : b_(b) {}
  bool Has(std::uint64_t at, std::uint64_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  std::uint32_t U16(std::uint64_t at) const { return Byte(at) | Byte(at + 1) << 8; }
  std::uint32_t U32(std::uint64_t at) const { return U16(at) | U16(at + 2) << 16; }

 private:
  std::uint32_t Byte(std::uint64_t at) const { return static_cast<unsigned char>(b_[static_cast<size_t>(at)]); }
  std::string_view b_;
};

struct Section {
  std::uint32_t address, size, fileOffset, fileSize;
};

// The file offset of an address of the loaded image, when a section maps it.
std::optional<std::uint64_t> FileOffset(const std::vector<Section>& sections, std::uint32_t rva, std::uint32_t length) {
  for (const Section& s : sections) {
    const std::uint64_t span = std::max(s.size, s.fileSize);
    if (rva >= s.address && rva - s.address < span) {
      const std::uint64_t inside = rva - s.address;
      if (inside + length > s.fileSize) return std::nullopt;  // not in the file
      return s.fileOffset + inside;
    }
  }
  return std::nullopt;
}

}  // namespace

std::wstring FileVersionText(std::string_view raw) {
  const Bytes b(raw);
  if (!b.Has(0, 0x40) || raw[0] != 'M' || raw[1] != 'Z') return std::wstring();
  const std::uint64_t pe = b.U32(0x3C);
  if (!b.Has(pe, 24) || raw.substr(static_cast<size_t>(pe), 4) != std::string_view("PE\0\0", 4)) return std::wstring();
  const std::uint32_t sectionCount = b.U16(pe + 6);
  const std::uint32_t optionalSize = b.U16(pe + 20);
  const std::uint64_t optional = pe + 24;
  if (!b.Has(optional, optionalSize) || optionalSize < 2) return std::wstring();
  const std::uint32_t magic = b.U16(optional);
  std::uint64_t directories;
  if (magic == 0x10B) directories = 96;        // PE32
  else if (magic == 0x20B) directories = 112;  // PE32+
  else return std::wstring();
  // The resource table is the third data directory.
  if (optionalSize < directories + 3 * 8 || b.U32(optional + directories - 4) < 3) return std::wstring();
  const std::uint32_t resourceRva = b.U32(optional + directories + 16);
  if (resourceRva == 0) return std::wstring();

  std::vector<Section> sections;
  const std::uint64_t table = optional + optionalSize;
  if (!b.Has(table, std::uint64_t{sectionCount} * 40)) return std::wstring();
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    const std::uint64_t s = table + std::uint64_t{i} * 40;
    sections.push_back({b.U32(s + 12), b.U32(s + 8), b.U32(s + 20), b.U32(s + 16)});
  }
  std::optional<std::uint64_t> base = FileOffset(sections, resourceRva, 16);
  if (!base) return std::wstring();

  // Type, name, language: the version type, then the first entry of each level.
  std::uint64_t directory = *base;
  for (int level = 0; level < 3; ++level) {
    if (!b.Has(directory, 16)) return std::wstring();
    const std::uint64_t count = std::uint64_t{b.U16(directory + 12)} + b.U16(directory + 14);
    if (!b.Has(directory + 16, count * 8)) return std::wstring();
    std::optional<std::uint32_t> next;
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t entry = directory + 16 + i * 8;
      if (level == 0 && b.U32(entry) != kResourceVersion) continue;
      next = b.U32(entry + 4);
      break;
    }
    if (!next) return std::wstring();
    const bool subdirectory = (*next & 0x80000000u) != 0;
    if (subdirectory != (level < 2)) return std::wstring();
    directory = *base + (*next & 0x7FFFFFFFu);
  }
  // The data entry: the address and size of the version block.
  if (!b.Has(directory, 8)) return std::wstring();
  const std::uint32_t dataRva = b.U32(directory);
  const std::uint32_t dataSize = b.U32(directory + 4);
  std::optional<std::uint64_t> data = FileOffset(sections, dataRva, dataSize);
  if (!data || !b.Has(*data, dataSize)) return std::wstring();
  // The fixed file information follows the block's key on a 4-byte boundary.
  for (std::uint64_t at = 0; at + 52 <= dataSize; at += 4) {
    if (b.U32(*data + at) != kFixedInfoSignature) continue;
    const std::uint32_t ms = b.U32(*data + at + 8);
    const std::uint32_t ls = b.U32(*data + at + 12);
    return std::to_wstring(ms >> 16) + L"." + std::to_wstring(ms & 0xFFFF) + L"." + std::to_wstring(ls >> 16) + L"." +
           std::to_wstring(ls & 0xFFFF);
  }
  return std::wstring();
}

}  // namespace zel
