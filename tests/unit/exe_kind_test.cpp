#include <gtest/gtest.h>

#include "extract/exe_kind.h"
#include "platform/memory/memory_machine.h"

namespace zel {
namespace {

// n bytes: byte 24 (the relocation offset), "LHA" at 36, "PK" at 30, byte 60 (the new header's offset).
std::string Header(unsigned char b24, bool lha, bool pk, unsigned char b60 = 0x80, size_t n = 128) {
  std::string h(std::max<size_t>(n, 64), '\0');
  h.replace(0, 2, "MZ");
  h[24] = static_cast<char>(b24);
  if (lha) h.replace(36, 3, "LHA");
  if (pk) h.replace(30, 2, "PK");
  h[60] = static_cast<char>(b60);
  h.resize(n);
  return h;
}

TEST(ExecutableKind, EveryRowOfTheTableAndShortFiles) {
  EXPECT_EQ(ExecutableKind(Header(0x1C, true, false), L"LHSFX.EXE"), ExeKind::DosSfxLzh);
  EXPECT_EQ(ExecutableKind(Header(0x3F, true, true), L"X.EXE"), ExeKind::DosSfxLzh);  // below 0x40: PK not looked at
  EXPECT_EQ(ExecutableKind(Header(0x1C, false, false), L"EDIT.EXE"), ExeKind::Dos);
  EXPECT_EQ(ExecutableKind(Header(0x40, true, false), L"SETUP.EXE"), ExeKind::WinSfxLzh);
  EXPECT_EQ(ExecutableKind(Header(0x40, true, true), L"PKSETUP.EXE"), ExeKind::WinSfxLzh);  // LHA decides first
  EXPECT_EQ(ExecutableKind(Header(0x40, false, true), L"PKUNZIP.EXE"), ExeKind::Dos);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, true), L"SETUP.EXE"), ExeKind::SfxZip);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, true), L"XPK.EXE"), ExeKind::SfxZip);  // the name must begin with PK
  EXPECT_EQ(ExecutableKind(Header(0xFF, false, false, 0x80), L"APP.EXE"), ExeKind::Windows);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, false, 0xE8), L"APP.EXE"), ExeKind::WindowsOther);

  // Short files read as zero-filled, without reading past their end: up to
  // byte 38 exactly "LHA" is seen, one byte less and it is not; a missing
  // byte 60 counts as 0, not 0x80.
  EXPECT_EQ(ExecutableKind("", L"EMPTY.EXE"), ExeKind::Dos);
  EXPECT_EQ(ExecutableKind(Header(0x40, true, false, 0x80, 39), L"A.EXE"), ExeKind::WinSfxLzh);
  EXPECT_EQ(ExecutableKind(Header(0x40, true, false, 0x80, 38), L"A.EXE"), ExeKind::WindowsOther);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, false, 0x80, 60), L"A.EXE"), ExeKind::WindowsOther);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, false, 0x80, 61), L"A.EXE"), ExeKind::Windows);

  // From a file, the name taken from the path and upper-cased: "pkzip.exe" is the DOS program.
  MemoryMachine mm;
  mm.fs.AddDrive(L'D', DriveType::Fixed);
  mm.fs.AddFile(L"D:\\dl\\pkzip.exe", Header(0x40, false, true) + std::string(4096, 'x'));
  EXPECT_EQ(ReadExecutableKind(mm.fs, L"D:\\dl\\pkzip.exe"), ExeKind::Dos);
}

}  // namespace
}  // namespace zel
