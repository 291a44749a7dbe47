// Logins: back-off after wrong passwords, per mail and address and per address; the password
// hashes (argon2id, and the PBKDF2 ones of older databases, upgraded at the next login).
#include <string>

#include "ServiceFixture.h"
#include "core/LoginGuard.h"
#include "core/Password.h"

namespace vk::service::test {
namespace {

const std::string kDemo(kDemoMail);
const std::string kRight(kDemoPassword);

class LoginFixture : public ServiceFixture {
 protected:
  void SetUp() override {
    ServiceFixture::SetUp();
    config_.loginFreeFailures = 3;
    config_.loginFirstDelaySeconds = 1;
    config_.loginMaxDelaySeconds = 4;
    config_.loginForgetSeconds = 60;
    restart();
  }

  // HTTP code and status of one login from `address`; the body's message in `message`.
  int login(const std::string& mail, const std::string& password, const std::string& address,
            std::string* message = nullptr) {
    std::string body = nlohmann::json{{"mail", mail}, {"password", password}}.dump();
    Request request;
    request.method = "POST";
    request.path = "/v1/launcher/login";
    request.body = body;
    request.remote = address;
    auto response = service_->handle(request);
    auto json = nlohmann::json::parse(response.body);
    if (message) *message = json.value("error", "");
    EXPECT_EQ(response.http == 200, json["status"] == 0) << response.body;
    return json["status"];
  }

  void wait(std::int64_t seconds) { now_ += seconds; }

  std::string column(const std::string& name) {
    auto connection = database();
    Statement read(*connection, "SELECT " + name + " FROM users WHERE user_id = 10001");
    EXPECT_TRUE(read.step());
    return read.blob(0);
  }
};

constexpr int kWrong = -1201, kWait = -1202;

TEST_F(LoginFixture, WrongPasswordsInARowWaitLongerEachTimeUpToTheLongestDelay) {
  std::string message;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong) << i;
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1", &message), kWait);
  EXPECT_EQ(message, "too many attempts, try again in 1 s");
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), kWait) << "a waiting pair is not even checked";
  for (int delay : {1, 2, 4, 4}) {
    wait(delay - 1);
    EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWait) << "a second early after " << delay;
    wait(1);
    EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong) << delay;
    int next = std::min(delay * 2, 4);
    EXPECT_EQ(login(kDemo, "guess", "10.0.0.1", &message), kWait);
    EXPECT_EQ(message, "too many attempts, try again in " + std::to_string(next) + " s");
  }
  wait(4);
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), 0);
  // The success cleared the pair: three free failures again.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong) << i;
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWait);
}

TEST_F(LoginFixture, TheRightPasswordFromAnotherAddressLogsInWhileOneIsWaiting) {
  for (int i = 0; i < 3; ++i) login(kDemo, "guess", "10.0.0.1");
  ASSERT_EQ(login(kDemo, kRight, "10.0.0.1"), kWait);
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.2"), 0);
  EXPECT_EQ(login(kDemo, "typo", "10.0.0.2"), kWrong) << "the other address has its own count";
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWait) << "the real user's success does not free the guesser";
}

TEST_F(LoginFixture, OneAddressTryingManyMailsWaitsForAllOfThem) {
  config_.loginAddressFreeFailures = 6;
  restart();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(login("a" + std::to_string(i) + "@x.example", "guess", "10.0.0.1"), kWrong);
  // A success of one's own does not buy fresh guesses at the other accounts.
  EXPECT_EQ(login("user10002@vokaran.example", kRight, "10.0.0.1"), 0);
  for (int i = 2; i < 6; ++i) EXPECT_EQ(login("a" + std::to_string(i) + "@x.example", "guess", "10.0.0.1"), kWrong);
  EXPECT_EQ(login("fresh@x.example", "guess", "10.0.0.1"), kWait);
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), kWait);
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.2"), 0);
  wait(1);
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), 0);
}

TEST_F(LoginFixture, AnUnknownMailIsAnsweredAndCountedLikeAWrongPassword) {
  std::string known, unknown;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(login(kDemo, "guess", "10.0.0.1", &known), kWrong);
    EXPECT_EQ(login("nobody@vokaran.example", "guess", "10.0.0.2", &unknown), kWrong);
    EXPECT_EQ(known, unknown);
  }
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1", &known), kWait);
  EXPECT_EQ(login("nobody@vokaran.example", "guess", "10.0.0.2", &unknown), kWait);
  EXPECT_EQ(known, unknown);
}

TEST_F(LoginFixture, FailuresAreForgottenAfterAQuietTimeAndTheMailCaseDoesNotMatter) {
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong);
  EXPECT_EQ(login("DEMO@vokaran.example", "guess", "10.0.0.1"), kWrong);
  wait(60);
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong);
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong);
  EXPECT_EQ(login("Demo@Vokaran.Example", "guess", "10.0.0.1"), kWrong);
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWait);
}

TEST_F(LoginFixture, SeededAccountsHoldArgon2idHashesOfTheCurrentCost) {
  EXPECT_EQ(column("pw_scheme"), "argon2id");
  EXPECT_TRUE(column("pw_hash").starts_with("$argon2id$v=19$m=19456,t=2,p=1$")) << column("pw_hash");
  EXPECT_EQ(column("pw_salt"), "");
}

// A database of schema 2 holds PBKDF2 hashes and no pw_scheme column.
TEST_F(LoginFixture, APbkdf2HashOfAnOlderDatabaseLogsInAndBecomesArgon2id) {
  VK_SQLITE_ONLY();
  service_.reset();
  std::string salt = "0123456789abcdef";
  std::string hash = hashPbkdf2(kRight, salt);
  {
    auto connection = database();
    connection->exec("ALTER TABLE users DROP COLUMN pw_scheme; UPDATE meta SET value = '2' WHERE key = 'schema_version'");
    Statement update(*connection, "UPDATE users SET pw_salt = ?, pw_hash = ? WHERE user_id = 10001");
    update.bindBlob(1, salt.data(), salt.size()).bindBlob(2, hash.data(), hash.size()).run();
  }
  start();
  EXPECT_EQ(column("pw_scheme"), "pbkdf2");
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong);
  EXPECT_EQ(column("pw_hash"), hash) << "a wrong password changes nothing";
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), 0);
  EXPECT_EQ(column("pw_scheme"), "argon2id");
  EXPECT_TRUE(column("pw_hash").starts_with("$argon2id$v=19$m=19456,t=2,p=1$")) << column("pw_hash");
  EXPECT_EQ(column("pw_salt"), "");
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), 0);
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong);
}

TEST_F(LoginFixture, AHashBelowTheCurrentCostIsRedoneAtTheNextLogin) {
  std::string before = column("pw_hash");
  config_.passwordMemoryKiB = 1024;
  config_.passwordPasses = 3;
  restart();
  EXPECT_EQ(login(kDemo, "guess", "10.0.0.1"), kWrong);
  EXPECT_EQ(column("pw_hash"), before);
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), 0);
  EXPECT_TRUE(column("pw_hash").starts_with("$argon2id$v=19$m=1024,t=3,p=1$")) << column("pw_hash");
  std::string redone = column("pw_hash");
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), 0);
  EXPECT_EQ(column("pw_hash"), redone) << "a hash of the current cost stays";
}

TEST_F(LoginFixture, AnUnknownSchemeOrUnreadableHashRefusesEveryPassword) {
  sql("UPDATE users SET pw_scheme = 'rot13' WHERE user_id = 10001");
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.1"), kWrong);
  sql("UPDATE users SET pw_scheme = 'argon2id', pw_hash = '$argon2id$garbage' WHERE user_id = 10001");
  EXPECT_EQ(login(kDemo, kRight, "10.0.0.2"), kWrong);
}

TEST_F(ServiceFixture, UnusableLoginAndPasswordSettingsAreRefusedAtStart) {
  service_.reset();
  auto refused = [this](auto change) {
    ServiceConfig config = config_;
    change(config);
    EXPECT_THROW(Service{config}, std::runtime_error);
  };
  refused([](ServiceConfig& c) { c.loginFreeFailures = 0; });
  refused([](ServiceConfig& c) { c.loginFirstDelaySeconds = 0; });
  refused([](ServiceConfig& c) { c.loginMaxDelaySeconds = 0; });
  refused([](ServiceConfig& c) { c.passwordPasses = 0; });
  refused([](ServiceConfig& c) { c.passwordMemoryKiB = 4; });
  start();
}

LoginRules rules(std::size_t limit = 100000) {
  return LoginRules{.pairFreeFailures = 3, .addressFreeFailures = 100, .firstDelay = 1, .maxDelay = 4, .forget = 60,
                    .limit = limit};
}

TEST(LoginGuard, ParallelAttemptsCannotGetPastTheFreeFailuresTogether) {
  LoginGuard guard(rules());
  LoginGuard::Attempt a(guard.begin("m", "1.2.3.4", 0)), b(guard.begin("m", "1.2.3.4", 0)),
      c(guard.begin("m", "1.2.3.4", 0));
  EXPECT_EQ(a.waitSeconds() + b.waitSeconds() + c.waitSeconds(), 0);
  EXPECT_GT(guard.begin("m", "1.2.3.4", 0).waitSeconds(), 0) << "three undecided attempts use up the free ones";
  EXPECT_EQ(guard.begin("m", "5.6.7.8", 0).waitSeconds(), 0);
  a.failed();
  b.failed();
  c.succeeded();
  EXPECT_EQ(guard.begin("m", "1.2.3.4", 0).waitSeconds(), 0);
}

TEST(LoginGuard, AnAttemptLeftWithoutAnOutcomeCountsAsNeither) {
  LoginGuard guard(rules());
  for (int i = 0; i < 10; ++i) {
    auto attempt = guard.begin("m", "1.2.3.4", 0);
    ASSERT_EQ(attempt.waitSeconds(), 0) << i;
  }
}

TEST(LoginGuard, TablesStayWithinTheirLimitAndDropStaleEntries) {
  LoginGuard guard(rules(50));
  for (int i = 0; i < 1000; ++i) guard.begin("m" + std::to_string(i), "10.0." + std::to_string(i), 0).failed();
  EXPECT_LE(guard.tracked(), 100u);
  guard.begin("m", "1.2.3.4", 61).succeeded();
  EXPECT_LE(guard.tracked(), 2u) << "entries quiet for the forget time go at the next attempt";
}

TEST(Password, Argon2idHashesCarryTheirCostAndSaltAndVerify) {
  PasswordCost cost{.memoryKiB = 64, .passes = 1, .lanes = 1};
  std::string first = hashArgon2id("secret", cost), second = hashArgon2id("secret", cost);
  EXPECT_NE(first, second) << "a fresh salt each time";
  EXPECT_TRUE(first.starts_with("$argon2id$v=19$m=64,t=1,p=1$")) << first;
  EXPECT_TRUE(verifyArgon2id(first, "secret"));
  EXPECT_FALSE(verifyArgon2id(first, "Secret"));
  EXPECT_FALSE(verifyArgon2id(first, ""));
  EXPECT_FALSE(verifyArgon2id("", "secret"));
  EXPECT_FALSE(belowCost(first, cost));
  EXPECT_TRUE(belowCost(first, PasswordCost{.memoryKiB = 64, .passes = 2, .lanes = 1}));
  EXPECT_TRUE(belowCost(first, PasswordCost{.memoryKiB = 640, .passes = 1, .lanes = 1}));
}

}  // namespace
}  // namespace vk::service::test
