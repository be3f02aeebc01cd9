// The hashes the checks use, computed by OpenSSL's libcrypto (EVP) and, for
// CRC-32, by zlib: one digest fed in pieces, and digests as hex text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class HashKind : std::uint8_t { Md5, Sha1, Sha256, Sha512, Crc32 };

// Bytes of a digest of the kind: 16, 20, 32, 64 and 4.
std::size_t DigestSize(HashKind kind);
// "MD5", "SHA1", "SHA256", "SHA512", "CRC32".
std::string_view HashName(HashKind kind);

using DigestBytes = std::vector<std::uint8_t>;

class Digest {
 public:
  explicit Digest(HashKind kind);
  ~Digest();
  Digest(const Digest& other);
  Digest& operator=(const Digest&) = delete;

  HashKind Kind() const { return kind_; }
  void Update(const std::uint8_t* data, std::size_t size);
  // The digest of everything fed so far; feeding may go on afterwards.
  DigestBytes Value() const;

 private:
  struct Context;
  HashKind kind_;
  std::unique_ptr<Context> context_;
};

// The digest of data at once.
DigestBytes DigestOf(HashKind kind, const std::uint8_t* data, std::size_t size);

// Lower-case hex of bytes.
std::string HexText(const DigestBytes& bytes);
// The bytes of hex digits (either case); nothing when text holds anything
// else or an odd number of digits.
std::optional<DigestBytes> HexBytes(std::string_view text);
