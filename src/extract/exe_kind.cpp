#include "extract/exe_kind.h"

#include "base/text.h"

namespace zel {

ExeKind ExecutableKind(std::string_view header, std::wstring_view upperName) {
  if (header.size() > kExeHeaderBytes) header = header.substr(0, kExeHeaderBytes);
  auto at = [&](std::size_t i) -> unsigned char {
    return i < header.size() ? static_cast<unsigned char>(header[i]) : 0;
  };
  const bool lha = at(36) == 'L' && at(37) == 'H' && at(38) == 'A';
  if (at(24) < 0x40) return lha ? ExeKind::DosSfxLzh : ExeKind::Dos;
  if (lha) return ExeKind::WinSfxLzh;
  if (at(30) == 'P' && at(31) == 'K') {
    return upperName.substr(0, 2) == L"PK" ? ExeKind::Dos : ExeKind::SfxZip;
  }
  return at(60) == 0x80 ? ExeKind::Windows : ExeKind::WindowsOther;
}

std::wstring UpperFileName(std::wstring_view path) {
  size_t cut = path.rfind(L'\\');
  if (cut == std::wstring_view::npos) cut = path.find(L':');
  return ToUpper(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
}

std::optional<ExeKind> ReadExecutableKind(FileSystem& fs, std::wstring_view path) {
  std::string bytes;
  if (fs.ReadHead(path, kExeHeaderBytes, bytes) != FsError::None) return std::nullopt;
  return ExecutableKind(bytes, UpperFileName(path));
}

}  // namespace zel
