// The "-lh4-" to "-lh7-" decoder: LZ77 over a sliding dictionary, its
// literals, match lengths and distances coded with canonical Huffman codes
// that each block sends as code lengths (themselves Huffman-coded).
#include <array>
#include <cstdint>
#include <vector>

#include "archive/archive.h"

namespace zel::archive {
namespace {

constexpr int kLiteralCodes = 510;   // 256 literals and match lengths 3 to 256
constexpr int kLengthCodes = 19;     // the code of the literal code lengths
constexpr int kLengthCodeBits = 5;
constexpr int kLiteralCountBits = 9;
constexpr int kMinMatch = 3;
constexpr int kMaxCodeLength = 16;
// Reading this many bytes past the end means the data are cut short: a whole
// stream never needs more than the bits it has.
constexpr std::uint64_t kOverrunLimit = 4;

class BitReader {
 public:
  explicit BitReader(std::string_view data) : data_(data) {}

  // The next bits (at most 24) without consuming them; zeros past the end.
  std::uint32_t Peek(int bits) {
    while (count_ < bits) {
      std::uint32_t byte = 0;
      if (pos_ < data_.size()) byte = static_cast<unsigned char>(data_[pos_]);
      else ++overrun_;
      ++pos_;
      buffer_ = (buffer_ << 8) | byte;
      count_ += 8;
    }
    return static_cast<std::uint32_t>(buffer_ >> (count_ - bits)) & ((1u << bits) - 1);
  }
  void Skip(int bits) { count_ -= bits; }
  std::uint32_t Get(int bits) {
    if (bits == 0) return 0;
    std::uint32_t v = Peek(bits);
    Skip(bits);
    return v;
  }
  bool Overrun() const { return overrun_ > kOverrunLimit; }

 private:
  std::string_view data_;
  size_t pos_ = 0;
  std::uint64_t buffer_ = 0;
  int count_ = 0;
  std::uint64_t overrun_ = 0;
};

// A canonical Huffman code: shorter codes first, within one length in symbol
// order. One lookup of maxLength bits gives symbol and length.
class Huffman {
 public:
  // A code of one symbol that takes no bits.
  void SetSingle(int symbol) {
    single_ = true;
    symbol_ = symbol;
  }
  // False when the lengths do not fill the code space exactly (a damaged
  // table): such a table would leave codes without a symbol.
  bool Build(const std::uint8_t* lengths, int n) {
    single_ = false;
    std::array<int, kMaxCodeLength + 1> count{};
    maxLength_ = 0;
    for (int i = 0; i < n; ++i) {
      if (lengths[i] > kMaxCodeLength) return false;
      ++count[lengths[i]];
      if (lengths[i] > maxLength_) maxLength_ = lengths[i];
    }
    if (maxLength_ == 0) return false;
    std::uint32_t space = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) space += static_cast<std::uint32_t>(count[len]) << (kMaxCodeLength - len);
    if (space != (1u << kMaxCodeLength)) return false;
    table_.assign(size_t{1} << maxLength_, 0);
    std::uint32_t code = 0;
    for (int len = 1; len <= maxLength_; ++len) {
      for (int s = 0; s < n; ++s) {
        if (lengths[s] != len) continue;
        const std::uint32_t first = code << (maxLength_ - len), span = 1u << (maxLength_ - len);
        for (std::uint32_t k = 0; k < span; ++k) table_[first + k] = static_cast<std::uint32_t>(s << 5 | len);
        ++code;
      }
      code <<= 1;
    }
    return true;
  }
  int Decode(BitReader& in) const {
    if (single_) return symbol_;
    std::uint32_t e = table_[in.Peek(maxLength_)];
    in.Skip(static_cast<int>(e & 31));
    return static_cast<int>(e >> 5);
  }

 private:
  bool single_ = false;
  int symbol_ = 0;
  int maxLength_ = 0;
  std::vector<std::uint32_t> table_;
};

// The lengths of a small code (the length code, or the distance code): a
// count, then 3-bit lengths where 7 continues in unary. After the third
// length of the length code, a 2-bit count of zero lengths follows.
bool ReadSmallLengths(BitReader& in, int symbols, int countBits, int special, Huffman& code) {
  const int n = static_cast<int>(in.Get(countBits));
  if (n == 0) {
    const int symbol = static_cast<int>(in.Get(countBits));
    if (symbol >= symbols) return false;
    code.SetSingle(symbol);
    return true;
  }
  if (n > symbols) return false;
  std::array<std::uint8_t, 32> lengths{};
  int i = 0;
  while (i < n) {
    int len = static_cast<int>(in.Get(3));
    if (len == 7) {
      while (in.Get(1) == 1) {
        if (++len > kMaxCodeLength || in.Overrun()) return false;
      }
    }
    lengths[i++] = static_cast<std::uint8_t>(len);
    if (i == special) {
      int zeros = static_cast<int>(in.Get(2));
      while (zeros-- > 0 && i < symbols) lengths[i++] = 0;
    }
  }
  return code.Build(lengths.data(), symbols);
}

bool ReadLiteralLengths(BitReader& in, const Huffman& lengthCode, Huffman& code) {
  const int n = static_cast<int>(in.Get(kLiteralCountBits));
  if (n == 0) {
    const int symbol = static_cast<int>(in.Get(kLiteralCountBits));
    if (symbol >= kLiteralCodes) return false;
    code.SetSingle(symbol);
    return true;
  }
  if (n > kLiteralCodes) return false;
  std::array<std::uint8_t, kLiteralCodes> lengths{};
  int i = 0;
  while (i < n) {
    const int c = lengthCode.Decode(in);
    if (in.Overrun()) return false;
    if (c > 2) {
      lengths[i++] = static_cast<std::uint8_t>(c - 2);
      continue;
    }
    int zeros = c == 0 ? 1 : c == 1 ? static_cast<int>(in.Get(4)) + 3 : static_cast<int>(in.Get(kLiteralCountBits)) + 20;
    if (i + zeros > n) return false;
    while (zeros-- > 0) lengths[i++] = 0;
  }
  return code.Build(lengths.data(), kLiteralCodes);
}

}  // namespace

Error DecodeLh(std::string_view packed, int dictionaryBits, std::uint64_t size, std::string& out) {
  out.clear();
  if (dictionaryBits < 12 || dictionaryBits > 16) return Error::Unsupported;
  const int distanceCodes = dictionaryBits + 1;
  const int distanceCountBits = dictionaryBits >= 15 ? 5 : 4;
  out.reserve(static_cast<size_t>(size));
  BitReader in(packed);
  Huffman lengthCode, literals, distances;
  std::uint32_t blockLeft = 0;
  while (out.size() < size) {
    if (blockLeft == 0) {
      blockLeft = in.Get(16);
      if (blockLeft == 0) return Error::Damaged;
      if (!ReadSmallLengths(in, kLengthCodes, kLengthCodeBits, 3, lengthCode) ||
          !ReadLiteralLengths(in, lengthCode, literals) ||
          !ReadSmallLengths(in, distanceCodes, distanceCountBits, -1, distances)) {
        return Error::Damaged;
      }
    }
    --blockLeft;
    const int c = literals.Decode(in);
    if (c < 256) {
      out.push_back(static_cast<char>(c));
    } else {
      const size_t length = static_cast<size_t>(c - 256 + kMinMatch);
      std::uint32_t distance = static_cast<std::uint32_t>(distances.Decode(in));
      if (distance != 0) distance = (1u << (distance - 1)) + in.Get(static_cast<int>(distance - 1));
      ++distance;
      // The data may not give more than the header declares.
      if (length > size - out.size()) return Error::SizeMismatch;
      // Before the first byte the dictionary holds blanks, as the format's
      // encoders assume.
      const size_t at = out.size();
      for (size_t k = 0; k < length; ++k) {
        const size_t pos = at + k;
        out.push_back(pos >= distance ? out[pos - distance] : ' ');
      }
    }
    if (in.Overrun()) return Error::Damaged;
  }
  return Error::None;
}

std::uint16_t Crc16(std::string_view data, std::uint16_t crc) {
  static const std::array<std::uint16_t, 256> table = [] {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
      unsigned v = i;
      for (int k = 0; k < 8; ++k) v = (v >> 1) ^ ((v & 1) ? 0xA001u : 0u);
      t[i] = static_cast<std::uint16_t>(v);
    }
    return t;
  }();
  for (char ch : data) crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ static_cast<unsigned char>(ch)) & 0xFF]);
  return crc;
}

}  // namespace zel::archive
