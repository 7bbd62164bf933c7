// Registry access: reads of text values, key deletion.
#pragma once

#include <string>
#include <string_view>

namespace zel {

enum class RegRoot { LocalMachine, CurrentUser };

class Registry {
 public:
  virtual ~Registry() = default;
  // Reads a value as text: the key opened for reading, at most 1024 bytes read,
  // the text cut at its first NUL. A missing key or value gives empty text.
  virtual std::wstring ReadText(RegRoot root, std::wstring_view key, std::wstring_view value) = 0;
  // Deletes a key with its subkeys; true when it is gone afterwards.
  virtual bool DeleteTree(RegRoot root, std::wstring_view key) = 0;
};

}  // namespace zel
