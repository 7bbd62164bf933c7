// Registry access: reads of text values, key deletion, and the typed walk and
// writes of the registry record (exact names, types and bytes, in the 64-bit
// or the 32-bit view).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

enum class RegRoot { LocalMachine, CurrentUser };

// The view a key is opened in. On a 64-bit Windows the 32-bit view of
// HKLM\SOFTWARE is the one 32-bit programs see; a 32-bit Windows has one view.
enum class RegView { Bits64, Bits32 };

enum class RegError { None, NotFound, Denied, Other };

// Value types, as the platform numbers them.
namespace regtype {
constexpr std::uint32_t kNone = 0, kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7, kQword = 11;
}

struct RegValueRef {
  std::wstring_view name;  // exact; empty for the key's default value
  std::uint32_t type = 0;
  std::string_view data;   // the value's bytes as stored
};

// Receives a walk: the start key's values, then each subkey in the platform's
// order, entered (values, its own subkeys) and left.
class RegWalker {
 public:
  virtual ~RegWalker() = default;
  // A subkey of the key being walked. False skips it: it is not opened and
  // Leave is not called for it.
  virtual bool Enter(std::wstring_view name) = 0;
  // The key entered last could not be opened, or its listing stopped early:
  // what it holds is not known in full.
  virtual void Failed(RegError error) = 0;
  virtual void Value(const RegValueRef& value) = 0;
  virtual void Leave() = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Reads a value as text: the key opened for reading, at most 1024 bytes read,
  // the text cut at its first NUL. A missing key or value gives empty text.
  virtual std::wstring ReadText(RegRoot root, std::wstring_view key, std::wstring_view value) = 0;

  // Whether the 32-bit view differs from the 64-bit one (a 64-bit Windows).
  virtual bool HasTwoViews() = 0;
  // Walks key and everything below it. The start key's own failure is
  // returned (NotFound, Denied) and nothing is reported to the walker.
  virtual RegError Walk(RegRoot root, RegView view, std::wstring_view key, RegWalker& walker) = 0;
  // Writes a value with its exact type and bytes, making the key (and its
  // missing parents) first.
  virtual RegError SetValue(RegRoot root, RegView view, std::wstring_view key, const RegValueRef& value) = 0;
  virtual RegError CreateKey(RegRoot root, RegView view, std::wstring_view key) = 0;
  // NotFound when the value (or its key) is not there.
  virtual RegError DeleteValue(RegRoot root, RegView view, std::wstring_view key, std::wstring_view name) = 0;
  // Deletes a key with its subkeys; NotFound when it is not there.
  virtual RegError DeleteKey(RegRoot root, RegView view, std::wstring_view key) = 0;
};

}  // namespace zel
