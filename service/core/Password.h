// Password hashes. New ones are argon2id, stored in their encoded form
// ("$argon2id$v=19$m=19456,t=2,p=1$<salt>$<hash>"), which carries its own salt and cost, so
// the cost can rise later: a hash below the current cost is redone at the next login. The
// service's first hashes were PBKDF2-HMAC-SHA256 (20,000 rounds) with a separate salt; they
// are still accepted and replaced by argon2id at the next successful login.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk::service {

// users.pw_scheme
inline constexpr std::string_view kSchemePbkdf2 = "pbkdf2";
inline constexpr std::string_view kSchemeArgon2id = "argon2id";

struct PasswordCost {
  std::uint32_t memoryKiB = 19 * 1024;
  std::uint32_t passes = 2;
  std::uint32_t lanes = 1;
};

// A fresh random salt each time. Throws std::runtime_error.
std::string hashArgon2id(std::string_view password, const PasswordCost& cost);
// False also for an encoded hash that cannot be read.
bool verifyArgon2id(std::string_view encoded, std::string_view password);
// True when `encoded` is not an argon2id hash of exactly `cost`.
bool belowCost(std::string_view encoded, const PasswordCost& cost);
// The same work as verifying a hash of `cost`, for an account that does not exist.
void hashForNobody(std::string_view password, const PasswordCost& cost);

// The first scheme: 32 raw bytes.
std::string hashPbkdf2(std::string_view password, std::string_view salt);
bool verifyPbkdf2(std::string_view expected, std::string_view salt, std::string_view password);

}  // namespace vk::service
