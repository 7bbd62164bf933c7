// The registry editor's text exports of the uninstall key and their
// comparison: the export taken at the snapshot ("追加と削除.reg") against the
// one taken at the check or the wash ("AfterIns.reg"), both in the work folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

extern const wchar_t kAfterExportName[];  // "AfterIns.reg"

struct RegKey {
  std::wstring path;                 // as the export writes it, without the brackets
  std::vector<std::wstring> values;  // value lines, continued lines joined
};

struct RegExport {
  bool unicode = false;  // "Windows Registry Editor Version 5.00" (UTF-16LE); else "REGEDIT4" (code page 932)
  std::vector<RegKey> keys;
};

// Reads an export: UTF-16LE with its byte-order mark and the header
// "Windows Registry Editor Version 5.00", or code page 932 with "REGEDIT4".
// Blank lines separate keys; a line ending in "\" goes on in the next line
// (whose leading blanks are dropped). Empty when the bytes are neither form,
// or when they do not end in a line break: the editor ends every line with
// one, so such a file was cut off while it was written.
std::optional<RegExport> ParseRegExport(std::string_view bytes);

struct RegExportDiff {
  std::vector<RegKey> added;           // keys only in the later export, in its order
  std::vector<std::wstring> deleted;   // keys only in the earlier export, in its order
  std::vector<std::wstring> modified;  // keys in both whose value lines differ, in the later order
  // The "DisplayName" of the added part: the first added key that has one,
  // else a value line that appeared in a modified key. Empty when none.
  std::wstring displayName;
  bool Empty() const { return added.empty() && deleted.empty() && modified.empty(); }
};

// Keys are the same when their paths are equal ignoring case (as the registry
// names them); a key's value lines are compared as a set, so that the order
// the editor lists them in does not count.
RegExportDiff CompareRegExports(const RegExport& before, const RegExport& after);

// The check's lines: under "●以下のレジストリが追加されています",
// "●以下のレジストリが削除されています" and "●以下のレジストリが修正されています"
// (a heading only when it has keys), one line per key: a full-width blank and
// the key's full path as the export writes it.
std::vector<std::wstring> RegExportLines(const RegExportDiff& diff);

// The text of a "DisplayName" value line ("DisplayName"="...", name compared
// ignoring case): the string between the double quotes after "=", with the
// export's escapes \\ and \" undone and control characters dropped (the text
// is shown in a message whose codes 0 to 8 colour the text). Empty for other
// lines or values that are not strings.
std::optional<std::wstring> DisplayNameOf(std::wstring_view valueLine);

}  // namespace zel
