// The recharge pages: the module's recharge dialog opens /recharge?secretkey=KEY in the
// browser; the key is checked against the user's live sessions and traded at once for a
// one-time page address, so the key never stays in the address bar or appears on a page. The
// user picks an amount and confirms; the coins are added once, however often the form is sent.
// Demo coins only: nothing here takes real money.
//
// Also the development account edits (POST /v1/dev/account), only with --dev-accounts.
#include <charconv>
#include <regex>

#include "ServiceImpl.h"

namespace vk::service {

namespace st = wire::status;
using nlohmann::json;

namespace {

// A recharge page address stays usable for half an hour.
constexpr std::int64_t kTokenSeconds = 30 * 60;
constexpr int kAmounts[] = {1, 5, 10, 50};
constexpr int kDefaultAmount = 5;
// A balance this large is refused: a demo needs no more.
constexpr std::int64_t kMaxCoinsCents = 100000000;

constexpr const char* kRechargeStyle = R"css(<style>
.card{max-width:560px;margin:40px auto;padding:28px 32px;background:var(--panel);border:1px solid #3b3226;border-radius:14px;box-shadow:0 12px 48px rgba(0,0,0,.5)}
.notice{margin:0 0 18px;padding:10px 14px;border-radius:8px;background:#2a2110;border:1px solid #6b5425;color:var(--gold-soft);font-size:.92em}
.balance{margin:8px 0 20px;color:var(--dim)}.balance b{color:var(--gold);font-size:1.6em;margin:0 .2em}
fieldset{border:0;margin:0 0 20px;padding:0;display:flex;flex-wrap:wrap;gap:10px}
legend{margin-bottom:10px;color:var(--ink)}
label.amount{flex:1 1 100px;display:block;padding:12px 0;text-align:center;border:1px solid #4a4030;border-radius:10px;cursor:pointer;font-size:1.15em}
label.amount input{margin-right:6px}
button{display:block;width:100%;padding:12px 0;border:0;border-radius:999px;background:var(--gold);color:#1a1408;font:inherit;font-size:1.15em;font-weight:600;cursor:pointer}
button:hover,button:focus{background:var(--gold-soft)}
.done{font-size:1.2em;color:var(--gold-soft)}
</style>)css";

const char* kNoRealMoney = "<p class=\"notice\">这是演示充值：金币只在本演示服务中使用，不涉及任何真实货币，也不会产生任何费用。</p>\n";

Response page(int http, std::string_view title, const std::string& content) {
  Response response = htmlResponse(http, htmlPage(title, "<div class=\"card\">\n" + content + "</div>\n", kRechargeStyle));
  // The page is the user's alone: not kept by caches, and its address not handed on.
  response.headers.emplace_back("Cache-Control", "no-store");
  response.headers.emplace_back("Referrer-Policy", "no-referrer");
  return response;
}

Response refusedPage(int http, std::string_view why) {
  return page(http, "无法充值", "<h1>无法充值</h1>\n<p>" + htmlEscape(why) + "</p>\n" + kNoRealMoney);
}

bool isToken(std::string_view text) {
  if (text.size() != 32) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One field of an application/x-www-form-urlencoded body, decoded; nullopt when absent or
// malformed.
std::optional<std::string> formField(std::string_view body, std::string_view name) {
  while (!body.empty()) {
    const auto end = body.find('&');
    std::string_view pair = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    const auto eq = pair.find('=');
    if (pair.substr(0, eq) != name) continue;
    std::string_view raw = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '+') {
        value += ' ';
      } else if (raw[i] == '%') {
        if (i + 2 >= raw.size() || hexValue(raw[i + 1]) < 0 || hexValue(raw[i + 2]) < 0) return std::nullopt;
        value += static_cast<char>(hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2]));
        i += 2;
      } else {
        value += raw[i];
      }
    }
    return value;
  }
  return std::nullopt;
}

// "12", "12.5" or "12.50" as cents; nullopt for anything else (signs, exponents, spaces).
std::optional<std::int64_t> parseCoins(std::string_view text) {
  static const std::regex coins(R"(^[0-9]{1,9}(\.[0-9]{1,2})?$)");
  const std::string copy(text);
  if (!std::regex_match(copy, coins)) return std::nullopt;
  const auto dot = copy.find('.');
  std::int64_t whole = std::stoll(copy.substr(0, dot)), cents = 0;
  if (dot != std::string::npos) {
    std::string fraction = copy.substr(dot + 1);
    if (fraction.size() == 1) fraction += '0';
    cents = std::stoll(fraction);
  }
  return whole * 100 + cents;
}

struct TokenOwner {
  std::int64_t userId = 0;
  bool used = false;
};

// The user a page address belongs to, while it is valid; none when unknown or expired.
std::optional<TokenOwner> tokenOwner(Connection& connection, std::string_view token, std::int64_t now) {
  Statement read(connection, "SELECT user_id, expires, used FROM recharge_tokens WHERE token = ?");
  read.bind(1, token);
  if (!read.step() || read.int64(1) <= now) return std::nullopt;
  return TokenOwner{read.int64(0), read.integer(2) != 0};
}

std::string balanceLine(std::int64_t cents) {
  return "<p class=\"balance\">当前金币余额<b>" + formatCoins(cents) + "</b>枚</p>\n";
}

std::int64_t coinsOf(Connection& connection, std::int64_t userId) {
  Statement read(connection, "SELECT coins_cents FROM users WHERE user_id = ?");
  read.bind(1, userId);
  return read.step() ? read.int64(0) : 0;
}

}  // namespace

Response Service::Impl::rechargeStart(const Request& request) {
  const std::string_view key = queryValue(request, "secretkey").value_or("");
  if (key.empty() || key.size() > 128)
    return refusedPage(403, "充值链接不完整。请回到点唱程序，从充值窗口重新打开充值页面。");
  auto connection = db->acquire();
  // The key must belong to an account that is logged in now: a key alone, from an old link
  // or a guess, opens nothing.
  Statement owner(*connection,
                  "SELECT u.user_id FROM users u WHERE u.secret_key = ? AND EXISTS (SELECT 1 FROM sessions s"
                  " WHERE s.user_id = u.user_id AND s.revoked = 0 AND s.expires > ?)");
  owner.bind(1, key).bind(2, now());
  if (!owner.step())
    return refusedPage(403, "充值链接无效或登录已过期。请回到点唱程序，从充值窗口重新打开充值页面。");
  const std::int64_t userId = owner.int64(0);
  const std::string token = randomHex(16);
  Statement clean(*connection, "DELETE FROM recharge_tokens WHERE expires <= ?");
  clean.bind(1, now()).run();
  Statement insert(*connection, "INSERT INTO recharge_tokens(token, user_id, expires) VALUES(?, ?, ?)");
  insert.bind(1, token).bind(2, userId).bind(3, now() + kTokenSeconds).run();
  // The key leaves the address bar at once: the browser goes on to the page's own address.
  Response response = htmlResponse(303, htmlPage("充值", "<p><a href=\"/recharge/" + token + "\">继续</a></p>\n"));
  response.headers.emplace_back("Location", "/recharge/" + token);
  response.headers.emplace_back("Cache-Control", "no-store");
  response.headers.emplace_back("Referrer-Policy", "no-referrer");
  return response;
}

Response Service::Impl::rechargePage(std::string_view token) {
  if (!isToken(token)) return refusedPage(404, "没有这个充值页面。请从点唱程序的充值窗口重新打开。");
  auto connection = db->acquire();
  auto owner = tokenOwner(*connection, token, now());
  if (!owner) return refusedPage(410, "这个充值页面已经过期。请从点唱程序的充值窗口重新打开。");
  Statement user(*connection, "SELECT nickname, coins_cents FROM users WHERE user_id = ?");
  user.bind(1, owner->userId);
  if (!user.step()) return refusedPage(404, "账户不存在。");
  std::string content = "<h1>金币充值</h1>\n<p class=\"who\">账户 <strong>" + htmlEscape(user.text(0)) + "</strong></p>\n";
  content += kNoRealMoney;
  content += balanceLine(user.int64(1));
  if (owner->used) {
    content += "<p class=\"done\">这次充值已经完成。请回到点唱程序，按“充值完成”继续演唱。</p>\n";
    return page(200, "金币充值", content);
  }
  content += "<form method=\"post\" action=\"/recharge/" + std::string(token) + "\">\n<fieldset>\n<legend>选择充值金币数量</legend>\n";
  for (int amount : kAmounts)
    content += "<label class=\"amount\"><input type=\"radio\" name=\"amount\" value=\"" + std::to_string(amount) + "\"" +
               (amount == kDefaultAmount ? " checked" : "") + ">" + std::to_string(amount) + " 金币</label>\n";
  content += "</fieldset>\n<button type=\"submit\">确认充值</button>\n</form>\n";
  return page(200, "金币充值", content);
}

Response Service::Impl::rechargeConfirm(const Request& request, std::string_view token) {
  if (!isToken(token)) return refusedPage(404, "没有这个充值页面。请从点唱程序的充值窗口重新打开。");
  const auto amountText = formField(request.body, "amount");
  int amount = 0;
  if (amountText) std::from_chars(amountText->data(), amountText->data() + amountText->size(), amount);
  bool allowed = false;
  for (int a : kAmounts) allowed = allowed || (amountText && *amountText == std::to_string(a) && a == amount);
  if (!allowed) return refusedPage(400, "请选择要充值的金币数量后再确认。");
  auto connection = db->acquire();
  Transaction transaction(*connection);
  auto owner = tokenOwner(*connection, token, now());
  if (!owner) return refusedPage(410, "这个充值页面已经过期，没有充值。请从点唱程序的充值窗口重新打开。");
  std::string content = "<h1>金币充值</h1>\n" + std::string(kNoRealMoney);
  // The page's address is good for one recharge: a form sent twice (a reload, a second tab)
  // adds nothing more.
  Statement take(*connection, "UPDATE recharge_tokens SET used = 1 WHERE token = ? AND used = 0");
  take.bind(1, token).run();
  if (connection->changes() == 0) {
    content += "<p class=\"done\">这次充值已经完成，没有重复充值。</p>\n" + balanceLine(coinsOf(*connection, owner->userId));
    transaction.commit();
    return page(409, "金币充值", content);
  }
  const std::int64_t cents = static_cast<std::int64_t>(amount) * 100;
  if (coinsOf(*connection, owner->userId) + cents > kMaxCoinsCents)
    return refusedPage(400, "金币余额已经足够多了，这次没有充值。");
  Statement add(*connection, "UPDATE users SET coins_cents = coins_cents + ? WHERE user_id = ?");
  add.bind(1, cents).bind(2, owner->userId).run();
  Statement log(*connection, "INSERT INTO recharges(user_id, coins_cents, created) VALUES(?, ?, ?)");
  log.bind(1, owner->userId).bind(2, cents).bind(3, now()).run();
  const std::int64_t balance = coinsOf(*connection, owner->userId);
  transaction.commit();
  content += "<p class=\"done\">已为您充值 " + std::to_string(amount) + " 金币。</p>\n" + balanceLine(balance) +
             "<p>请回到点唱程序，按“充值完成”继续演唱。</p>\n";
  return page(200, "充值成功", content);
}

Response Service::Impl::devAccount(const Request& request, const Caller& caller) {
  if (!config.devAccounts) refuse(404, st::kNoSuchRoute, "no such operation: POST /v1/dev/account");
  json body = json::parse(request.body, nullptr, false);
  if (!body.is_object()) refuse(400, st::kBadJson, "the body must be a JSON object");
  auto connection = db->acquire();
  Transaction transaction(*connection);
  auto count = [&](const char* field, const char* column) {
    if (!body.contains(field)) return;
    const json& v = body[field];
    if (!v.is_number_integer() || v.get<std::int64_t>() < 0 || v.get<std::int64_t>() > 1000000)
      refuse(400, st::kBadArgument, std::string("'") + field + "' must be an integer in 0..1000000");
    Statement update(*connection, std::string("UPDATE users SET ") + column + " = ? WHERE user_id = ?");
    update.bind(1, v.get<std::int64_t>()).bind(2, caller.userId).run();
  };
  count("leaveCanSingRecNum", "leave_sing");
  count("leaveCanUploadNum", "leave_upload");
  if (body.contains("VokaCoin")) {
    const json& v = body["VokaCoin"];
    auto cents = v.is_string() ? parseCoins(v.get<std::string>()) : std::nullopt;
    if (!cents || *cents > kMaxCoinsCents) refuse(400, st::kBadArgument, "'VokaCoin' must be a balance such as 0 or 12.50");
    Statement update(*connection, "UPDATE users SET coins_cents = ? WHERE user_id = ?");
    update.bind(1, *cents).bind(2, caller.userId).run();
  }
  if (body.contains("Telphone")) {
    const json& v = body["Telphone"];
    static const std::regex mobile("^(1[3-8][0-9]{9})?$");
    if (!v.is_string() || !std::regex_match(v.get<std::string>(), mobile))
      refuse(400, st::kBadArgument, "'Telphone' must be empty or a mobile phone number");
    Statement update(*connection, "UPDATE users SET telphone = ? WHERE user_id = ?");
    update.bind(1, v.get<std::string>()).bind(2, caller.userId).run();
  }
  auto user = loadUser(*connection, caller.userId);
  transaction.commit();
  return okResponse({{"user", user}});
}

}  // namespace vk::service
