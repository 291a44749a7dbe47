// The recharge pages the module's recharge dialog opens, and the development account edits.
#include <gtest/gtest.h>

#include "ServiceFixture.h"

namespace vk::service::test {
namespace {

const std::string kDemoKey = "secret-10001";

std::string header(const Response& response, const std::string& name) {
  for (auto& [k, v] : response.headers)
    if (k == name) return v;
  return "";
}

class Recharge : public ServiceFixture {
 protected:
  // The page address the key is traded for.
  std::string open(const std::string& key = kDemoKey) {
    auto start = call("GET", "/recharge?secretkey=" + key, "", "", "");
    EXPECT_EQ(start.http, 303);
    EXPECT_EQ(start.response.body.find(key), std::string::npos);
    return header(start.response, "Location");
  }
  std::string coins() { return call("GET", "/v1/user").json["user"]["VokaCoin"]; }
};

}  // namespace

// The whole visit: the key leaves the address at once, the page says no real money is
// involved, one confirmation adds the coins once however often it is sent.
TEST_F(Recharge, AddsTheChosenCoinsOnceAndNeverShowsTheKey) {
  const std::string before = coins();
  const std::string page = open();
  ASSERT_EQ(page.rfind("/recharge/", 0), 0u) << page;
  auto shown = call("GET", page, "", "", "");
  ASSERT_EQ(shown.http, 200);
  EXPECT_EQ(shown.response.contentType, "text/html; charset=utf-8");
  EXPECT_NE(shown.response.body.find("不涉及任何真实货币"), std::string::npos);
  EXPECT_NE(shown.response.body.find("<form method=\"post\""), std::string::npos);
  EXPECT_EQ(shown.response.body.find("<script"), std::string::npos);
  EXPECT_EQ(shown.response.body.find(kDemoKey), std::string::npos);
  EXPECT_EQ(header(shown.response, "Referrer-Policy"), "no-referrer");

  auto added = call("POST", page, "amount=10", "", "");
  EXPECT_EQ(added.http, 200);
  EXPECT_NE(added.response.body.find("已为您充值 10 金币"), std::string::npos);
  EXPECT_EQ(std::stod(coins()), std::stod(before) + 10);
  // A reload of the answer, or the form sent from a second tab: nothing more.
  auto again = call("POST", page, "amount=10", "", "");
  EXPECT_EQ(again.http, 409);
  EXPECT_NE(again.response.body.find("没有重复充值"), std::string::npos);
  EXPECT_EQ(std::stod(coins()), std::stod(before) + 10);
  // Two pages opened one after the other are two recharges.
  call("POST", open(), "amount=1", "", "");
  EXPECT_EQ(std::stod(coins()), std::stod(before) + 11);
}

// A key opens nothing without a live session of its account, or when it is not the account's.
TEST_F(Recharge, RefusesKeysThatAreWrongOrWhoseSessionIsGone) {
  const std::string untouched = snapshot();
  for (const std::string& target : {std::string("/recharge"), std::string("/recharge?secretkey="),
                                    std::string("/recharge?secretkey=secret-1000"),
                                    std::string("/recharge?secretkey=") + std::string(200, 'a')}) {
    auto refused = call("GET", target, "", "", "");
    EXPECT_EQ(refused.http, 403) << target;
    EXPECT_EQ(header(refused.response, "Location"), "") << target;
  }
  sql("UPDATE sessions SET revoked = 1 WHERE user_id = 10001");
  auto noSession = call("GET", "/recharge?secretkey=" + kDemoKey, "", "", "");
  EXPECT_EQ(noSession.http, 403);
  EXPECT_NE(noSession.response.body.find("登录已过期"), std::string::npos);
  EXPECT_EQ(noSession.response.body.find(kDemoKey), std::string::npos);
  sql("UPDATE sessions SET revoked = 0 WHERE user_id = 10001");
  EXPECT_EQ(snapshot(), untouched);
}

// Forms that are not one of the offered amounts, page addresses that are made up or have
// expired: refused, and no coins change.
TEST_F(Recharge, RefusesBadAmountsAndStalePagesWithoutChangingTheBalance) {
  const std::string page = open();
  const std::string before = coins();
  for (const char* body : {"", "amount=", "amount=7", "amount=5x", "amount=-5", "amount=5%", "amount=1000000"})
    EXPECT_EQ(call("POST", page, body, "", "").http, 400) << body;
  EXPECT_EQ(call("POST", "/recharge/0123456789abcdef0123456789abcdef", "amount=5", "", "").http, 410);
  EXPECT_EQ(call("GET", "/recharge/..%2f..", "", "", "").http, 404);
  now_ += 31 * 60;
  EXPECT_EQ(call("POST", page, "amount=5", "", "").http, 410);
  EXPECT_EQ(call("GET", page, "", "", "").http, 410);
  EXPECT_EQ(coins(), before);
}

// The development edits exist only when asked for, touch only the caller's account and take
// only sensible values.
TEST_F(Recharge, DevelopmentAccountEditsAreOffUnlessAskedForAndChecked) {
  const std::string body = R"({"leaveCanSingRecNum":0,"VokaCoin":"0","Telphone":""})";
  EXPECT_EQ(call("POST", "/v1/dev/account", body).http, 404);
  config_.devAccounts = true;
  restart();
  const std::string untouched = snapshot();
  for (const char* bad : {R"({"VokaCoin":"-1"})", R"({"VokaCoin":"1e3"})", R"({"leaveCanSingRecNum":-1})",
                                 R"({"leaveCanSingRecNum":"3"})", R"({"Telphone":"12345"})", "[]"})
    EXPECT_EQ(call("POST", "/v1/dev/account", bad).http, 400) << bad;
  EXPECT_EQ(snapshot(), untouched);
  auto set = call("POST", "/v1/dev/account", body);
  ASSERT_EQ(set.http, 200);
  EXPECT_EQ(set.json["user"]["leaveCanSingRecNum"], 0);
  EXPECT_EQ(set.json["user"]["VokaCoin"], "0.00");
  EXPECT_EQ(call("POST", "/v1/dev/account", body, "", "").http, 401);
}

}  // namespace vk::service::test
