#include "browser/drop.h"

#include "base/path.h"
#include "base/text.h"

namespace zel {

DropAction RouteDrop(std::wstring_view fileName, bool accepting) {
  const std::wstring ext = UpperExtension(fileName);
  if (ext.empty() || !InSlashList(L"/LZH/ZIP/EXE/", ext)) return DropAction::Ignore;
  if (!accepting) return DropAction::Refuse;
  return ext == L"EXE" ? DropAction::Test : DropAction::Extract;
}

}  // namespace zel
