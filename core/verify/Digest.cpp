#include "core/verify/Digest.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <stdexcept>

struct Digest::Context {
  EVP_MD_CTX* md = nullptr;  // null for CRC-32
  uLong crc = 0;
  ~Context() { EVP_MD_CTX_free(md); }
};

namespace {

const EVP_MD* Algorithm(HashKind kind) {
  switch (kind) {
    case HashKind::Md5:
      return EVP_md5();
    case HashKind::Sha1:
      return EVP_sha1();
    case HashKind::Sha256:
      return EVP_sha256();
    case HashKind::Sha512:
      return EVP_sha512();
    case HashKind::Crc32:
      break;
  }
  return nullptr;
}

}  // namespace

std::size_t DigestSize(HashKind kind) {
  switch (kind) {
    case HashKind::Md5:
      return 16;
    case HashKind::Sha1:
      return 20;
    case HashKind::Sha256:
      return 32;
    case HashKind::Sha512:
      return 64;
    case HashKind::Crc32:
      break;
  }
  return 4;
}

std::string_view HashName(HashKind kind) {
  switch (kind) {
    case HashKind::Md5:
      return "MD5";
    case HashKind::Sha1:
      return "SHA1";
    case HashKind::Sha256:
      return "SHA256";
    case HashKind::Sha512:
      return "SHA512";
    case HashKind::Crc32:
      break;
  }
  return "CRC32";
}

Digest::Digest(HashKind kind) : kind_(kind), context_(std::make_unique<Context>()) {
  if (const EVP_MD* algorithm = Algorithm(kind)) {
    context_->md = EVP_MD_CTX_new();
    if (context_->md == nullptr || EVP_DigestInit_ex(context_->md, algorithm, nullptr) != 1)
      throw std::runtime_error("libcrypto cannot start a digest");
  } else {
    context_->crc = crc32(0, Z_NULL, 0);
  }
}

Digest::~Digest() = default;

Digest::Digest(const Digest& other) : kind_(other.kind_), context_(std::make_unique<Context>()) {
  context_->crc = other.context_->crc;
  if (other.context_->md != nullptr) {
    context_->md = EVP_MD_CTX_new();
    if (context_->md == nullptr || EVP_MD_CTX_copy_ex(context_->md, other.context_->md) != 1)
      throw std::runtime_error("libcrypto cannot copy a digest");
  }
}

void Digest::Update(const std::uint8_t* data, std::size_t size) {
  if (context_->md != nullptr) {
    EVP_DigestUpdate(context_->md, data, size);
    return;
  }
  // zlib takes at most a uInt at a time.
  constexpr std::size_t kPiece = 1u << 30;
  for (std::size_t done = 0; done < size; done += kPiece)
    context_->crc =
        crc32(context_->crc, data + done, static_cast<uInt>(std::min(kPiece, size - done)));
}

DigestBytes Digest::Value() const {
  if (context_->md == nullptr) {
    const auto crc = static_cast<std::uint32_t>(context_->crc);
    return {static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
            static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
  }
  // Finished on a copy, so that the running digest goes on.
  const Digest copy(*this);
  DigestBytes out(EVP_MAX_MD_SIZE);
  unsigned int size = 0;
  EVP_DigestFinal_ex(copy.context_->md, out.data(), &size);
  out.resize(size);
  return out;
}

DigestBytes DigestOf(HashKind kind, const std::uint8_t* data, std::size_t size) {
  Digest digest(kind);
  digest.Update(data, size);
  return digest.Value();
}

std::string HexText(const DigestBytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 15]);
  }
  return text;
}

std::optional<DigestBytes> HexBytes(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  DigestBytes bytes(text.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int high = digit(text[2 * i]);
    const int low = digit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return bytes;
}
