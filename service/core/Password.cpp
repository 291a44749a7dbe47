#include "Password.h"

#include <argon2.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>

namespace vk::service {
namespace {

constexpr int kPbkdf2Iterations = 20000;
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;

std::string costPrefix(const PasswordCost& cost) {
  return "$argon2id$v=" + std::to_string(ARGON2_VERSION_NUMBER) + "$m=" + std::to_string(cost.memoryKiB) +
         ",t=" + std::to_string(cost.passes) + ",p=" + std::to_string(cost.lanes) + "$";
}

std::string encode(std::string_view password, std::string_view salt, const PasswordCost& cost) {
  std::string out(argon2_encodedlen(cost.passes, cost.memoryKiB, cost.lanes, static_cast<std::uint32_t>(salt.size()),
                                    kHashBytes, Argon2_id),
                  '\0');
  int result = argon2id_hash_encoded(cost.passes, cost.memoryKiB, cost.lanes, password.data(), password.size(),
                                     salt.data(), salt.size(), kHashBytes, out.data(), out.size());
  if (result != ARGON2_OK) throw std::runtime_error(std::string("argon2id: ") + argon2_error_message(result));
  out.resize(out.find('\0') == std::string::npos ? out.size() : out.find('\0'));
  return out;
}

}  // namespace

std::string hashArgon2id(std::string_view password, const PasswordCost& cost) {
  std::string salt(kSaltBytes, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) != 1)
    throw std::runtime_error("RAND_bytes failed");
  return encode(password, salt, cost);
}

bool verifyArgon2id(std::string_view encoded, std::string_view password) {
  std::string terminated(encoded);  // the library reads a C string
  return argon2id_verify(terminated.c_str(), password.data(), password.size()) == ARGON2_OK;
}

bool belowCost(std::string_view encoded, const PasswordCost& cost) { return !encoded.starts_with(costPrefix(cost)); }

void hashForNobody(std::string_view password, const PasswordCost& cost) {
  encode(password, std::string(kSaltBytes, 'x'), cost);
}

std::string hashPbkdf2(std::string_view password, std::string_view salt) {
  std::string out(kHashBytes, '\0');
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                        kPbkdf2Iterations, EVP_sha256(), static_cast<int>(out.size()),
                        reinterpret_cast<unsigned char*>(out.data())) != 1)
    throw std::runtime_error("PKCS5_PBKDF2_HMAC failed");
  return out;
}

bool verifyPbkdf2(std::string_view expected, std::string_view salt, std::string_view password) {
  std::string actual = hashPbkdf2(password, salt);
  return expected.size() == actual.size() && CRYPTO_memcmp(expected.data(), actual.data(), actual.size()) == 0;
}

}  // namespace vk::service
