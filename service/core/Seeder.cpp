// The demo world: users, a catalogue of Chinese songs and singers in categories, the menu
// document, a contest period with its songs and other users' works. The same options always
// give the same names, scores and pictures (a fixed pseudo-random sequence); only times
// follow the clock.
#include <fcntl.h>
#include <unistd.h>

#include <iterator>
#include <map>
#include <numeric>
#include <random>
#include <vector>

#include "Png.h"
#include "ServiceImpl.h"
#include "netwire/Utf8.h"

namespace vk::service {

using nlohmann::json;

namespace {

// Surnames spread over stroke counts 2 to 20, so every stroke range finds singers.
const char* const kSurnames[] = {
    "丁", "卜", "刁", "于", "万", "马", "王", "方", "毛", "孔", "文", "尹", "石", "白", "田", "史", "冯", "艾",
    "刘", "江", "许", "朱", "任", "孙", "李", "吴", "张", "陈", "何", "宋", "杨", "林", "周", "罗", "金", "郑",
    "胡", "姜", "赵", "侯", "高", "徐", "唐", "夏", "袁", "黄", "梁", "曹", "崔", "彭", "韩", "程", "董", "蒋",
    "雷", "路", "蔡", "谭", "廖", "熊", "潘", "黎", "樊", "颜", "薛", "霍", "穆", "燕", "戴", "魏", "鞠", "瞿",
    "藤", "蘧", "籍"};
const char* const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "洋", "艳", "勇", "军", "杰", "娟",
                              "涛", "明", "超", "秀", "霞", "平", "刚", "英", "华", "玉", "萍", "红", "鹏", "飞",
                              "晨", "宇", "欣", "怡", "佳", "琪", "雪", "梅", "琳", "婷", "浩", "然", "轩", "思",
                              "雨", "嘉", "乐", "晴", "阳", "天", "海", "韵", "歌", "星", "辰", "逸", "凡"};
const char* const kGroups[] = {"星光组合", "Sky乐队", "蓝调兄弟", "月亮姐妹", "Echo组合", "青春乐团", "夜航乐队", "晨曦合唱团"};
const char* const kWords[] = {
    "月亮", "星空", "雨", "风", "大海", "心", "梦", "花开", "夜", "爱", "城市", "故乡", "青春", "时光", "远方", "晚安",
    "春天", "秋天", "冬天", "夏天", "山", "河", "路", "歌", "眼泪", "微笑", "你", "我", "我们", "朋友", "情人", "母亲",
    "天空", "玫瑰", "蝴蝶", "彩虹", "烟火", "红豆", "草原", "月光", "美丽", "温柔", "寂寞", "快乐", "不哭", "想念",
    "等待", "告别", "回家", "飞翔", "遇见", "相信", "守护", "忘记", "燃烧", "沉默", "遥远", "永远", "最后", "第一次",
    "的", "在", "和", "一生", "走过", "那些", "年", "小", "思念", "回忆", "约定", "心跳", "星星", "海边", "少年"};
// The large world's names: the lists above and these, common real surnames, given-name
// characters and words of song titles. The twenty most frequent surnames are drawn with about
// their share of the population (per mille; half of all people bear one of them), the others
// evenly, so that initials and stroke counts spread as in real catalogues.
struct FrequentSurname {
  const char* name;
  int perMille;
};
const FrequentSurname kFrequentSurnames[] = {
    {"王", 72}, {"李", 71}, {"张", 68}, {"刘", 54}, {"陈", 45}, {"杨", 31}, {"黄", 22},
    {"赵", 20}, {"吴", 20}, {"周", 19}, {"徐", 13}, {"孙", 12}, {"马", 11}, {"朱", 11},
    {"胡", 10}, {"郭", 10}, {"何", 9},  {"高", 9},  {"林", 9},  {"罗", 9}};
const char* const kMoreSurnames[] = {
    "郭", "谢", "萧", "邓", "傅", "沈", "吕", "苏", "卢", "贾", "叶", "阎", "余", "杜", "钟", "汪", "范", "姚",
    "邹", "陆", "郝", "康", "邱", "秦", "顾", "邵", "孟", "龙", "段", "钱", "汤", "易", "常", "武", "乔", "贺",
    "赖", "龚", "严", "牛", "温", "季", "俞", "章", "鲁", "葛", "伍", "韦", "申", "尤", "毕", "聂", "焦", "向",
    "柳", "邢", "岳", "齐", "梅", "莫", "庄", "辛", "管", "祝", "左", "涂", "谷", "祁", "时", "舒", "耿", "詹",
    "关", "苗", "凌", "费", "纪", "靳", "盛", "童", "欧", "甄", "项", "成", "游", "裴", "席", "卫", "屈", "鲍",
    "翁", "隋", "甘", "景", "包", "司", "柏", "宁", "柯", "阮", "桂", "闵", "柴", "车", "冉", "房", "边", "麦",
    "蔺", "鄢", "欧阳", "司马", "上官", "诸葛", "慕容", "皇甫", "公孙", "令狐"};
const char* const kMoreGiven[] = {
    "子", "梓", "涵", "博", "文", "俊", "志", "建", "国", "斌", "辉", "亮", "波", "健", "峰", "凯", "鑫", "龙",
    "颖", "慧", "莉", "兰", "燕", "凤", "洁", "倩", "蕾", "薇", "瑶", "璐", "晶", "妍", "彤", "诗", "语", "梦",
    "可", "馨", "悦", "萱", "睿", "泽", "豪", "铭", "昊", "瑞", "航", "哲", "烨", "晗", "霖", "皓", "煜", "锦",
    "程", "翔", "毅", "坤", "楠", "岩", "鸣", "春", "秋", "冬", "月", "云", "山", "林", "森", "宏", "旭", "东",
    "伦", "新", "凌", "朗", "帆", "心", "安", "宁", "雯", "丹", "虹", "蓉", "玲", "琴", "露", "淑", "惠", "珍",
    "桂", "芬", "芝", "菲", "蓓", "贝", "奕", "韬", "彬", "威", "耀", "舟", "卓", "立", "达", "义", "仁", "德",
    "信", "忠", "礼", "智", "勤", "奇", "远", "宸", "骏", "驰", "瑾", "瑜", "璇", "婉", "娴", "媛", "姗", "嫣",
    "妮", "娇", "柔", "芸", "茜", "荷", "莲", "菊", "竹", "兵", "庆", "贵", "福", "荣", "昌", "盛", "兴", "旺",
    "金", "银", "钢", "珠", "宝", "永", "光", "伊", "依", "一"};
const char* const kMoreWords[] = {
    "爱情", "爱人", "安静", "暗恋", "阿里山", "白云", "北京", "别离", "不再", "冰雪", "宝贝", "背影", "白鸽",
    "半岛", "波浪", "表白", "百花", "城堡", "承诺", "沧海", "草莓", "春风", "出发", "初恋", "唱歌", "成长",
    "窗外", "穿越", "彩云", "大地", "灯火", "等你", "地球", "东方", "断桥", "单车", "蛋糕", "答案", "独白",
    "读书", "大雨", "儿时", "恩情", "耳边", "二十岁", "恩爱", "而已", "飞鸟", "风筝", "烦恼", "繁星", "分手",
    "芬芳", "放手", "父亲", "纷飞", "枫叶", "复古", "浮云", "高山", "姑娘", "故事", "光芒", "歌声", "孤单",
    "港湾", "哥哥", "感谢", "归来", "古城", "广场", "海浪", "黑夜", "红尘", "花园", "欢乐", "荷塘", "黄昏",
    "海洋", "怀念", "呼吸", "火车", "后来", "江南", "街角", "家乡", "坚强", "季节", "精彩", "距离", "今夜",
    "记得", "骄傲", "金色", "惊喜", "姐姐", "军港", "咖啡", "开心", "可爱", "空白", "哭泣", "旷野", "口琴",
    "渴望", "狂欢", "看见", "康定", "蓝天", "浪花", "流星", "恋人", "绿色", "落叶", "旅行", "离别", "流浪",
    "老街", "铃儿", "雷雨", "妈妈", "麦田", "漫步", "梦想", "迷雾", "明天", "木棉", "魔法", "慢慢", "美好",
    "秘密", "明月", "那年", "南方", "你好", "年轮", "牛仔", "暖风", "女孩", "宁静", "泥土", "男孩", "奶茶",
    "偶然", "偶像", "欧洲", "偶遇", "飘雪", "葡萄", "平凡", "漂泊", "琵琶", "片刻", "破晓", "陪伴", "跑道",
    "泡沫", "晴天", "青花瓷", "秋千", "情歌", "千年", "清晨", "亲爱的", "骑士", "情书", "前方", "青草", "人生",
    "日出", "热爱", "如果", "荣耀", "融化", "柔情", "人间", "日记", "入梦", "山丘", "时间", "水手", "岁月",
    "沙漠", "森林", "少女", "生日", "丝路", "深海", "思乡", "双城", "天涯", "童年", "甜蜜", "听海", "糖果",
    "桃花", "同桌", "偷心", "太阳", "天使", "通往", "晚风", "微风", "温暖", "舞曲", "无悔", "往事", "我爱你",
    "雾", "网络", "舞台", "未来", "唯一", "忘情", "夕阳", "小河", "心愿", "星河", "雪花", "信仰", "喜欢",
    "相思", "希望", "夏日", "乡村", "笑容", "星光", "心动", "樱花", "月夜", "雨夜", "远航", "烟花", "野花",
    "一路", "阳光", "音乐", "勇气", "友谊", "夜空", "原野", "约会", "雨季", "一起", "自由", "追梦", "真心",
    "祝福", "紫藤", "昨天", "再见", "珍惜", "中国", "知己", "最爱", "赞歌", "种子", "追光", "这里", "Baby",
    "Hello", "Love", "Party", "OK"};
const char* const kDigitParts[] = {"520", "1999", "3", "12", "7", "2008", "100"};
const char* const kSongCategories[] = {"流行金曲", "经典老歌", "影视金曲", "民谣", "摇滚", "儿歌", "网络热歌", "情歌对唱"};
const char* const kSingerCategories[] = {"男歌手", "女歌手", "组合", "新人"};
const char* const kNickPrefix[] = {"小", "阿", "大", "老"};
const char* const kNickSuffix[] = {"", "儿", "子", "哥", "姐", "仔"};

class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  // mt19937's sequence is fixed by the standard; the reduction here is our own, so the
  // world is the same with every library.
  std::uint32_t next() { return static_cast<std::uint32_t>(engine_()); }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
  int between(int low, int high) { return low + below(high - low + 1); }
  template <class T, std::size_t N>
  const T& pick(const T (&items)[N]) {
    return items[below(static_cast<int>(N))];
  }
  const char* pick(const std::vector<const char*>& items) {
    return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))];
  }

 private:
  std::mt19937 engine_;
};

std::size_t length(const std::string& utf8) { return wire::decodeUtf8(utf8).size(); }

std::string cut(const std::string& utf8, std::size_t characters) {
  auto text = wire::decodeUtf8(utf8);
  if (text.size() > characters) text.resize(characters);
  return wire::encodeUtf8(text);
}

// The lists a world's names come from: the short ones, or (a wide world) the long ones too.
// A wide world draws from other lists, so it has other names; the short lists alone give the
// demo and small worlds the names they always had.
struct NameLists {
  explicit NameLists(bool wide) : wide(wide) {
    surnames.assign(std::begin(kSurnames), std::end(kSurnames));
    given.assign(std::begin(kGiven), std::end(kGiven));
    words.assign(std::begin(kWords), std::end(kWords));
    if (wide) {
      surnames.insert(surnames.end(), std::begin(kMoreSurnames), std::end(kMoreSurnames));
      given.insert(given.end(), std::begin(kMoreGiven), std::end(kMoreGiven));
      words.insert(words.end(), std::begin(kMoreWords), std::end(kMoreWords));
    }
    // Steps through the surnames that reach every one of them.
    surnameStep = 7;
    while (std::gcd(surnameStep, static_cast<int>(surnames.size())) != 1) surnameStep += 2;
  }
  bool wide;
  std::vector<const char*> surnames, given, words;
  int surnameStep;
};

std::string songName(Random& random, const NameLists& lists) {
  std::size_t target = static_cast<std::size_t>(random.between(1, 12));
  std::string name;
  if (random.below(100) < 6) name = random.pick(kDigitParts);
  while (length(name) < target) name += random.pick(lists.words);
  return cut(name, target);
}

const char* frequentSurname(Random& random, const NameLists& lists) {
  int share = random.below(1000);
  for (const FrequentSurname& surname : kFrequentSurnames) {
    if (share < surname.perMille) return surname.name;
    share -= surname.perMille;
  }
  return random.pick(lists.surnames);
}

std::string singerName(Random& random, const NameLists& lists, int index) {
  constexpr int groups = sizeof(kGroups) / sizeof(kGroups[0]);
  if (index % 37 == 36) return kGroups[(index / 37) % groups];
  const int surnames = static_cast<int>(lists.surnames.size());
  // The first singers take every surname once, in steps through the list (which runs from
  // few strokes to many), so that even a small world has every stroke range. After them, a
  // wide world's singers have the frequent surnames about as often as real people.
  std::string name;
  if (index < surnames)
    name = lists.surnames[static_cast<std::size_t>((index * lists.surnameStep) % surnames)];
  else if (lists.wide)
    name = frequentSurname(random, lists);
  else
    name = random.pick(lists.surnames);
  name += random.pick(lists.given);
  if (random.below(3) != 0) name += random.pick(lists.given);
  return name;
}

// The practice menu in two editions, so that a client's rebuild of its menu can be seen and
// its merge exercised: the first edition (kFirstMenuVersion) and the later one (any other
// version), which drops "歌手笔画", empties the pop-up "热门推荐" and adds "新歌速递". Labels
// run from 4 to 7 characters; items stand at both levels.
std::string menuDocument(const std::string& version) {
  const bool later = version != kFirstMenuVersion;
  // Command classes: 0 songs, 1 singers, 2 the song book, 3 the songs already sung. Query
  // kinds: 5 a category listing, 6 song initials, 1 song-name length, 4 singer initials,
  // 2 surname strokes. TypeID is the category or the search scope.
  auto leaf = [](int id, const char* text, int cmd, int type, const char* kind) {
    return "      <Button ID=\"" + std::to_string(id) + "\">\n        <Property Name=\"text\" Value=\"" + text +
           "\"/>\n        <Property Name=\"nCmdType\" Value=\"" + std::to_string(cmd) +
           "\"/>\n        <Property Name=\"TypeID\" Value=\"" + std::to_string(type) +
           "\"/>\n        <Property Name=\"sTypeID\" Value=\"" + kind + "\"/>\n      </Button>\n";
  };
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root menuVersion=\"" + version + "\">\n  <Button ID=\"9000\">\n";
  doc += "    <Button ID=\"9100\">\n      <Property Name=\"text\" Value=\"分类点歌\"/>\n";
  for (int i = 0; i < 8; ++i) doc += leaf(9101 + i, kSongCategories[i], 0, 101 + i, "5");
  doc += "    </Button>\n    <Button ID=\"9200\">\n      <Property Name=\"text\" Value=\"歌手点歌\"/>\n";
  for (int i = 0; i < 4; ++i) doc += leaf(9201 + i, kSingerCategories[i], 1, 201 + i, "5");
  doc += "    </Button>\n    <Button ID=\"9300\">\n      <Property Name=\"text\" Value=\"快速搜索\"/>\n";
  doc += leaf(9301, "歌名首拼", 0, 3, "6");
  doc += leaf(9302, "歌名字数", 0, 2, "1");
  doc += leaf(9303, "歌手首拼", 1, 6, "4");
  if (!later) doc += leaf(9304, "歌手笔画", 1, 5, "2");
  doc += "    </Button>\n    <Button ID=\"9400\">\n      <Property Name=\"text\" Value=\"热门推荐\"/>\n";
  if (!later) {
    doc += leaf(9401, "本周新歌榜", 0, 101, "5");
    doc += leaf(9402, "经典老歌回忆录", 0, 102, "5");
  }
  doc += "    </Button>\n";
  if (later) doc += leaf(8972, "新歌速递", 0, 107, "5").substr(2);
  doc += "    <Button ID=\"8970\">\n      <Property Name=\"text\" Value=\"收藏夹\"/>\n"
         "      <Property Name=\"nCmdType\" Value=\"2\"/>\n    </Button>\n";
  doc += "    <Button ID=\"8971\">\n      <Property Name=\"text\" Value=\"已唱歌曲\"/>\n"
         "      <Property Name=\"nCmdType\" Value=\"3\"/>\n    </Button>\n";
  doc += "  </Button>\n</Root>\n";
  return doc;
}

std::string dateText(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// The seeded accounts share the demo password, so they share one hash (and its salt) too.
struct DemoPassword {
  std::string hash;
};

std::int64_t insertUser(Connection& c, const DemoPassword& password, std::int64_t id, const std::string& mail,
                        const std::string& nickname, const std::string& picture, bool demo) {
  Statement insert(c,
                   "INSERT INTO users(user_id, mail, nickname, pw_salt, pw_hash, secret_key, coins_cents, level, exper,"
                   " ipercent, total_sing, total_upload, leave_sing, leave_upload, juded_song_num, over_date, ktv_num,"
                   " upload_num, tone_value, tone_level, tone_sex, picture, pw_scheme)"
                   " VALUES(?, ?, ?, " + std::string(c.dialect().emptyBlob) + ", ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'argon2id')");
  insert.bind(1, id).bind(2, mail).bind(3, nickname);
  insert.bindBlob(4, password.hash.data(), password.hash.size()).bind(5, "secret-" + std::to_string(id));
  insert.bind(6, demo ? 10000 : 500).bind(7, demo ? "3" : "1").bind(8, demo ? "1200" : "100").bind(9, demo ? 40 : 5);
  insert.bind(10, 50).bind(11, 20).bind(12, demo ? 30 : 10).bind(13, demo ? 10 : 5).bind(14, demo ? 8 : 0);
  insert.bind(15, "2099-12-31").bind(16, demo ? 12 : 0).bind(17, demo ? 3 : 0).bind(18, demo ? "62" : "0");
  insert.bind(19, demo ? "3" : "0").bind(20, "1").bind(21, picture).run();
  return id;
}

void refreshDemoSession(Service::Impl& service, Connection& c) {
  // The launcher's fallback: valid for a year from every start with --seed-demo.
  Statement upsert(c,
                   "INSERT INTO sessions(session_id, user_id, created, expires, revoked) VALUES(?, ?, ?, ?, 0)"
                   " ON CONFLICT(session_id) DO UPDATE SET expires = excluded.expires, revoked = 0");
  upsert.bind(1, kDemoSessionId).bind(2, kDemoUserId).bind(3, service.now()).bind(4, service.now() + 365LL * 24 * 3600);
  upsert.run();
}

}  // namespace

void indexCatalogue(Connection& connection, const Unihan& unihan) {
  Statement singers(connection, "SELECT singer_no, name FROM singers");
  Statement updateSinger(connection, "UPDATE singers SET initials = ?, strokes = ? WHERE singer_no = ?");
  while (singers.step()) {
    std::string name = singers.text(1);
    auto characters = wire::decodeUtf8(name);
    int strokes = characters.empty() ? 0 : unihan.strokes(characters.front());
    updateSinger.bind(1, unihan.initials(name)).bind(2, strokes).bind(3, singers.int64(0)).run();
    updateSinger.reset();
  }
  Statement songs(connection, "SELECT song_no, name FROM songs");
  Statement updateSong(connection, "UPDATE songs SET initials = ?, name_len = ? WHERE song_no = ?");
  while (songs.step()) {
    std::string name = songs.text(1);
    updateSong.bind(1, unihan.initials(name)).bind(2, static_cast<std::int64_t>(wire::decodeUtf8(name).size()));
    updateSong.bind(3, songs.int64(0)).run();
    updateSong.reset();
  }
}

void publishMenu(Connection& connection, const std::string& version) {
  Statement menu(connection, "INSERT INTO menu(id, version, document) VALUES(1, ?, ?)"
                                     " ON CONFLICT(id) DO UPDATE SET version = excluded.version, document = excluded.document");
  menu.bind(1, version).bind(2, menuDocument(version)).run();
}

bool seedWorld(Service::Impl& service, const SeedOptions& options) {
  auto lease = service.db->acquire();
  Connection& c = *lease;
  {
    Statement seeded(c, "SELECT value FROM meta WHERE key = 'seeded'");
    if (seeded.step()) {
      refreshDemoSession(service, c);
      return false;
    }
  }
  if (options.songs < options.singers || options.singers < 1 || options.contestSongs > options.songs ||
      options.otherUsers < 1)
    throw std::invalid_argument("seed options: need at least as many songs as singers and some users");
  Unihan unihan = Unihan::load(service.config.unihanDir);
  Random random(20240601);
  const std::int64_t now = service.now();
  Transaction transaction(c);

  // People and their head pictures.
  // Written before the records that name them are committed; synced when the service keeps
  // its data safe from machine crashes (--fsync), like everything else.
  // Covers and head pictures are drawn as such ("contest-" names a cover).
  auto writePicture = [&](const std::string& name, int size, std::uint32_t seed) {
    std::string bytes = name.rfind("contest-", 0) == 0 ? drawCover(size, seed) : drawHead(size, seed);
    auto fd = openFile(service.store / "pictures" / name, O_WRONLY | O_CREAT | O_TRUNC);
    writeAt(fd.get(), bytes.data(), bytes.size(), 0);
    if (service.config.fullSync && ::fsync(fd.get()) != 0) throw std::runtime_error("fsync of a picture failed");
    return name;
  };
  DemoPassword password{hashArgon2id(kDemoPassword, service.passwordCost)};
  insertUser(c, password, std::stoll(std::string(kDemoUserId)), std::string(kDemoMail), "演示用户",
             writePicture("head-10001.png", 96, 10001), true);
  std::vector<std::int64_t> others;
  for (int i = 0; i < options.otherUsers; ++i) {
    std::int64_t id = 10002 + i;
    std::string nickname = std::string(random.pick(kNickPrefix)) + random.pick(kGiven) + random.pick(kNickSuffix);
    insertUser(c, password, id, "user" + std::to_string(id) + "@vokaran.example", nickname,
               writePicture("head-" + std::to_string(id) + ".png", 96, static_cast<std::uint32_t>(id * 2654435761u)),
               false);
    others.push_back(id);
  }

  // Categories and the scopes the menu's searches use (2, 3 songs; 5, 6 singers: the whole
  // catalogue); each category is its own scope.
  Statement category(c, "INSERT INTO categories(cat_id, target, name) VALUES(?, ?, ?)");
  Statement scope(c, "INSERT INTO scopes(scope, target, cat_id) VALUES(?, ?, ?)");
  for (int i = 0; i < 8; ++i) {
    category.bind(1, 101 + i).bind(2, "song").bind(3, kSongCategories[i]).run();
    category.reset();
    scope.bind(1, std::to_string(101 + i)).bind(2, "song").bind(3, 101 + i).run();
    scope.reset();
  }
  for (int i = 0; i < 4; ++i) {
    category.bind(1, 201 + i).bind(2, "singer").bind(3, kSingerCategories[i]).run();
    category.reset();
    scope.bind(1, std::to_string(201 + i)).bind(2, "singer").bind(3, 201 + i).run();
    scope.reset();
  }
  for (auto [name, target] : {std::pair{"2", "song"}, {"3", "song"}, {"5", "singer"}, {"6", "singer"}}) {
    scope.bind(1, name).bind(2, target).bindNull(3).run();
    scope.reset();
  }

  // Singers: names unique, each in one or two categories.
  Statement singer(c, "INSERT INTO singers(singer_no, singer_key, name) VALUES(?, ?, ?)");
  Statement singerCategory(c, "INSERT INTO singer_categories(cat_id, singer_no) VALUES(?, ?) ON CONFLICT DO NOTHING");
  const NameLists lists(options.wideNames);
  std::map<std::string, int> singerNames;  // name → singer number
  for (int no = 1; no <= options.singers; ++no) {
    std::string name = singerName(random, lists, no - 1);
    for (int attempt = 0; !singerNames.emplace(name, no).second; ++attempt)
      name = attempt < 20 ? singerName(random, lists, no - 1) : singerName(random, lists, no - 1) + std::to_string(no);
    singer.bind(1, no).bind(2, std::to_string(20000 + no)).bind(3, name).run();
    singer.reset();
    bool group = (no - 1) % 37 == 36;
    int first = group ? 203 : 201 + random.below(2);
    singerCategory.bind(1, first).bind(2, no).run();
    singerCategory.reset();
    if (random.below(4) == 0) {
      singerCategory.bind(1, 204).bind(2, no).run();
      singerCategory.reset();
    }
  }

  // Songs: every singer has at least one; each song in one or two categories.
  Statement song(c,
                 "INSERT INTO songs(song_no, song_id, name, song_key, singer_no, flash1, flash2, flash3, file)"
                 " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
  Statement songCategory(c, "INSERT INTO song_categories(cat_id, song_no) VALUES(?, ?) ON CONFLICT DO NOTHING");
  for (int no = 1; no <= options.songs; ++no) {
    int singerNo = no <= options.singers ? no : 1 + random.below(options.singers);
    int genre = random.below(8);
    song.bind(1, no).bind(2, std::to_string(100000 + no)).bind(3, songName(random, lists)).bind(4, std::to_string(no));
    song.bind(5, singerNo).bind(6, "MIC").bind(7, std::to_string(genre)).bind(8, random.below(2) ? "国语" : "粤语");
    song.bind(9, "").run();
    song.reset();
    songCategory.bind(1, 101 + genre).bind(2, no).run();
    songCategory.reset();
    if (random.below(3) == 0) {
      songCategory.bind(1, 101 + random.below(8)).bind(2, no).run();
      songCategory.reset();
    }
  }

  // The demo songs under their names, each with its singer (a singer of the same name is
  // taken as it is) and the file it plays. They draw no random numbers, so the generated
  // world is the same with them as without.
  int singerCount = options.singers, songCount = options.songs;
  for (const DemoSong& demo : kDemoSongs) {
    auto [known, added] = singerNames.emplace(demo.singer, singerCount + 1);
    if (added) {
      ++singerCount;
      singer.bind(1, singerCount).bind(2, std::to_string(20000 + singerCount)).bind(3, demo.singer).run();
      singer.reset();
      singerCategory.bind(1, demo.singerCategory).bind(2, singerCount).run();
      singerCategory.reset();
    }
    ++songCount;
    song.bind(1, songCount).bind(2, std::to_string(100000 + songCount)).bind(3, demo.name);
    song.bind(4, std::to_string(songCount)).bind(5, known->second).bind(6, "MIC");
    song.bind(7, std::to_string(demo.categories[0] - 101)).bind(8, "国语").bind(9, demo.file).run();
    song.reset();
    for (int cat : demo.categories) {
      if (cat == 0) continue;
      songCategory.bind(1, cat).bind(2, songCount).run();
      songCategory.reset();
    }
  }
  indexCatalogue(c, unihan);

  publishMenu(c, service.config.menuVersion.empty() ? std::string(kFirstMenuVersion) : service.config.menuVersion);

  // The contest period around the seeding time and its songs, spread over the catalogue.
  Statement period(c, "INSERT INTO periods(period_id, start, \"end\", title, current) VALUES(1, ?, ?, ?, 1)");
  period.bind(1, dateText(now - 7 * 24 * 3600)).bind(2, dateText(now + 23 * 24 * 3600)).bind(3, "第一期 K歌擂台").run();
  Statement contest(c, "INSERT INTO contest_songs(period_id, position, song_no, picture) VALUES(1, ?, ?, ?)");
  std::vector<std::string> contestIds;
  for (int i = 0; i < options.contestSongs; ++i) {
    int songNo = 1 + i * (options.songs / options.contestSongs);
    std::string songId = std::to_string(100000 + songNo);
    contest.bind(1, i).bind(2, songNo)
        .bind(3, writePicture("contest-" + songId + ".png", 240, static_cast<std::uint32_t>(songNo * 40503u)))
        .run();
    contest.reset();
    contestIds.push_back(songId);
  }

  // Published works: other users' for every contest song, and a few of the demo user's.
  Statement work(c,
                 "INSERT INTO works(user_id, song_id, song_name, singer_name, singer_id, time_length, total, pitch,"
                 " expression, rhythm, engine_total, type, flowers, listens, created, picture)"
                 " SELECT ?, s.song_id, s.name, g.name, g.singer_key, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?"
                 " FROM songs s JOIN singers g ON g.singer_no = s.singer_no WHERE s.song_id = ?");
  auto addWork = [&](std::int64_t user, const std::string& songId, int type) {
    int pitch = random.between(200, 900), expression = random.between(100, 600), rhythm = random.between(200, 900);
    int bonus = random.between(0, 50);
    work.bind(1, user).bind(2, std::to_string(random.between(150, 300))).bind(3, pitch + expression + rhythm + bonus);
    work.bind(4, pitch).bind(5, expression).bind(6, rhythm).bind(7, random.between(60, 100)).bind(8, type);
    work.bind(9, random.between(0, 500)).bind(10, random.between(0, 5000)).bind(11, now - random.between(60, 30 * 24 * 3600));
    work.bind(12, "head-" + std::to_string(user) + ".png").bind(13, songId).run();
    work.reset();
  };
  for (auto& songId : contestIds)
    for (int i = 0; i < options.worksPerContestSong; ++i)
      addWork(others[static_cast<std::size_t>(random.below(static_cast<int>(others.size())))], songId, 1);
  if (options.demoUserWorks && !contestIds.empty()) {
    std::int64_t demo = std::stoll(std::string(kDemoUserId));
    addWork(demo, contestIds[0], 1);
    if (contestIds.size() > 1) addWork(demo, contestIds[1], 1);
    addWork(demo, std::to_string(100000 + options.songs), 0);
  }

  // The demo user's tone records.
  Statement tone(c, "INSERT INTO tones(user_id, idx, data) VALUES(?, ?, ?)");
  for (int i = 0; i < 2; ++i) {
    wire::ToneItem t;
    t.index = i;
    t.highPitch = 60 + i * 5;
    t.highKey = i;
    t.lowPitch = 45 + i * 3;
    t.use = i == 0;
    t.rangeCode = std::to_string(3 + i);
    t.leave = std::to_string(3 + i);
    t.samples = 10;
    tone.bind(1, kDemoUserId).bind(2, i).bind(3, json(t).dump()).run();
    tone.reset();
  }

  refreshDemoSession(service, c);
  if (service.config.fullSync) syncDirectory(service.store / "pictures");
  Statement mark(c, "INSERT INTO meta(key, value) VALUES('seeded', ?)");
  // The world's rows carry keys of their own; rows added later get the keys after them.
  c.resumeKeys();
  mark.bind(1, json{{"songs", songCount}, {"singers", singerCount}, {"contestSongs", options.contestSongs}}.dump())
      .run();
  transaction.commit();
  return true;
}

}  // namespace vk::service
