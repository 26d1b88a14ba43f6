#include "bench/list_generator.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <unordered_set>

namespace vantor::bench {

namespace {

// The vocabulary of the user and domain names.
constexpr std::string_view kFirstNames[] = {
    "james",     "john",      "robert",    "michael",     "william",  "david",     "richard",
    "joseph",    "thomas",    "charles",   "christopher", "daniel",   "matthew",   "anthony",
    "mark",      "donald",    "steven",    "paul",        "andrew",   "joshua",    "kevin",
    "brian",     "george",    "timothy",   "ronald",      "edward",   "jason",     "jeffrey",
    "ryan",      "jacob",     "gary",      "nicholas",    "eric",     "jonathan",  "stephen",
    "larry",     "justin",    "scott",     "brandon",     "benjamin", "samuel",    "frank",
    "gregory",   "raymond",   "alexander", "patrick",     "jack",     "dennis",    "jerry",
    "tyler",     "aaron",     "jose",      "adam",        "henry",    "nathan",    "douglas",
    "zachary",   "peter",     "kyle",      "walter",      "ethan",    "jeremy",    "harold",
    "keith",     "christian", "roger",     "noah",        "gerald",   "carl",      "terry",
    "sean",      "austin",    "arthur",    "lawrence",    "jesse",    "dylan",     "bryan",
    "joe",       "jordan",    "billy",     "bruce",       "albert",   "gabriel",   "logan",
    "alan",      "juan",      "wayne",     "roy",         "ralph",    "eugene",    "vincent",
    "russell",   "louis",     "philip",    "mary",        "patricia", "jennifer",  "linda",
    "elizabeth", "barbara",   "susan",     "jessica",     "sarah",    "karen",     "nancy",
    "lisa",      "betty",     "margaret",  "sandra",      "ashley",   "kimberly",  "emily",
    "donna",     "michelle",  "dorothy",   "carol",       "amanda",   "melissa",   "deborah",
    "stephanie", "rebecca",   "sharon",    "laura",       "cynthia",  "kathleen",  "amy",
    "shirley",   "angela",    "helen",     "anna",        "brenda",   "pamela",    "nicole",
    "emma",      "samantha",  "katherine", "christine",   "rachel",   "catherine", "janet",
    "ruth",      "maria",     "heather",   "diane",       "virginia", "julie",     "joyce",
    "victoria",  "olivia",    "kelly",     "christina",   "lauren",   "joan",      "evelyn",
    "megan",     "andrea",    "hannah",    "martha",      "frances",  "gloria",    "ann",
    "teresa",    "sara",      "alice",     "madison",     "julia",    "grace",     "denise",
    "amber",     "danielle",  "sophia",    "marie",       "diana",    "natalie",   "isabella",
    "charlotte", "rose",      "alexis",    "hans",        "klaus",    "juergen",   "stefan",
    "pierre",    "marco",     "giulia",    "luca",        "sven",     "lars",      "ingrid",
    "olga",      "ivan",      "dmitri",    "pedro",       "carlos",   "ana",       "lucia",
    "yuki",      "kenji",     "wei",       "mei",         "ahmed",    "fatima",
};

constexpr std::string_view kLastNames[] = {
    "smith",      "johnson",   "williams",  "brown",      "jones",     "garcia",    "miller",
    "davis",      "rodriguez", "martinez",  "hernandez",  "lopez",     "gonzalez",  "wilson",
    "anderson",   "taylor",    "moore",     "jackson",    "martin",    "lee",       "perez",
    "thompson",   "white",     "harris",    "sanchez",    "clark",     "ramirez",   "lewis",
    "robinson",   "walker",    "young",     "allen",      "king",      "wright",    "torres",
    "nguyen",     "hill",      "flores",    "green",      "adams",     "nelson",    "baker",
    "hall",       "rivera",    "campbell",  "mitchell",   "carter",    "roberts",   "gomez",
    "phillips",   "evans",     "turner",    "diaz",       "parker",    "cruz",      "edwards",
    "collins",    "reyes",     "stewart",   "morris",     "morales",   "murphy",    "cook",
    "rogers",     "gutierrez", "ortiz",     "morgan",     "cooper",    "peterson",  "bailey",
    "reed",       "howard",    "ramos",     "kim",        "cox",       "ward",      "richardson",
    "watson",     "brooks",    "chavez",    "wood",       "bennett",   "gray",      "mendoza",
    "ruiz",       "hughes",    "price",     "alvarez",    "castillo",  "sanders",   "patel",
    "myers",      "long",      "ross",      "foster",     "jimenez",   "powell",    "jenkins",
    "perry",      "sullivan",  "bell",      "coleman",    "butler",    "henderson", "barnes",
    "fisher",     "vasquez",   "simmons",   "romero",     "patterson", "hamilton",  "graham",
    "reynolds",   "griffin",   "wallace",   "moreno",     "west",      "cole",      "hayes",
    "bryant",     "herrera",   "gibson",    "ellis",      "tran",      "medina",    "aguilar",
    "stevens",    "murray",    "ford",      "castro",     "marshall",  "owens",     "harrison",
    "fernandez",  "mcdonald",  "woods",     "washington", "kennedy",   "wells",     "vargas",
    "chen",       "freeman",   "webb",      "tucker",     "guzman",    "burns",     "crawford",
    "olson",      "simpson",   "porter",    "hunter",     "gordon",    "mendez",    "silva",
    "shaw",       "snyder",    "mason",     "dixon",      "munoz",     "hunt",      "hicks",
    "holmes",     "palmer",    "wagner",    "black",      "robertson", "boyd",      "stone",
    "salazar",    "warren",    "mills",     "meyer",      "rice",      "schmidt",   "garza",
    "daniels",    "ferguson",  "nichols",   "stephens",   "soto",      "weaver",    "gardner",
    "payne",      "grant",     "dunn",      "spencer",    "hawkins",   "arnold",    "pierce",
    "hansen",     "peters",    "santos",    "hart",       "bradley",   "knight",    "elliott",
    "cunningham", "duncan",    "armstrong", "hudson",     "carroll",   "riley",     "andrews",
    "delgado",    "berry",     "perkins",   "hoffman",    "johnston",  "matthews",  "richards",
    "willis",     "carpenter", "mueller",   "schneider",  "fischer",   "weber",     "rossi",
    "russo",      "bianchi",   "dubois",    "moreau",     "lefevre",   "novak",     "kowalski",
    "ivanov",     "petrov",    "jansen",    "devries",    "larsen",    "nielsen",   "tanaka",
    "suzuki",     "wang",      "zhang",     "singh",      "kumar",     "khan",      "ali",
    "okafor",     "mensah",
};

constexpr std::string_view kWords[] = {
    "blue",       "red",       "green",    "black",    "silver",  "golden",  "sun",     "moon",
    "star",       "sky",       "cloud",    "rain",     "storm",   "snow",    "ice",     "fire",
    "stone",      "rock",      "river",    "lake",     "ocean",   "sea",     "bay",     "wave",
    "beach",      "island",    "mountain", "hill",     "valley",  "forest",  "tree",    "oak",
    "pine",       "maple",     "lily",     "tiger",    "lion",    "wolf",    "fox",     "bear",
    "eagle",      "hawk",      "falcon",   "dragon",   "phoenix", "shark",   "dolphin", "panda",
    "kitty",      "puppy",     "angel",    "devil",    "ninja",   "pirate",  "wizard",  "knight",
    "queen",      "prince",    "princess", "captain",  "doctor",  "music",   "guitar",  "piano",
    "jazz",       "dance",     "soccer",   "football", "hockey",  "tennis",  "golf",    "racing",
    "speed",      "turbo",     "cyber",    "pixel",    "data",    "web",     "tech",    "soft",
    "code",       "logic",     "smart",    "bright",   "quick",   "happy",   "lucky",   "sunny",
    "crazy",      "cool",      "sweet",    "honey",    "sugar",   "candy",   "cookie",  "coffee",
    "pizza",      "apple",     "cherry",   "lemon",    "orange",  "mango",   "peach",   "berry",
    "home",       "house",     "garden",   "farm",     "city",    "town",    "metro",   "urban",
    "north",      "south",     "east",     "west",     "central", "global",  "world",   "euro",
    "inter",      "trans",     "united",   "first",    "best",    "prime",   "alpha",   "beta",
    "delta",      "omega",     "nova",     "vista",    "summit",  "peak",    "point",   "bridge",
    "tower",      "castle",    "harbor",   "port",     "media",   "press",   "news",    "print",
    "design",     "studio",    "photo",    "art",      "craft",   "build",   "group",   "partners",
    "consulting", "solutions", "systems",  "services", "network", "digital", "energy",  "power",
    "solar",      "eco",       "auto",     "motor",    "travel",  "tours",   "hotel",   "realty",
    "estate",     "finance",   "capital",  "invest",   "trade",   "market",  "shop",    "store",
    "supply",     "direct",    "express",  "pro",      "plus",    "max",     "mega",    "ultra",
    "law",        "dental",    "clinic",   "school",   "academy", "church",  "club",    "sports",
    "fitness",
};

// Words of bulk senders: rare in the domains of a list, common in filter files.
constexpr std::string_view kBulkWords[] = {
    "casino",  "lottery",  "promo",     "bulkmail", "freebie",   "winner",    "bonus",
    "crypto",  "loans",    "cheapmeds", "pharma",   "bestoffer", "clickbank", "adserve",
    "leadgen", "massmail", "mailblast", "optin",    "spamking",  "jackpot",
};

// Syllables of made-up names in the lists, and a disjoint-looking set for the made-up
// fragments of filter files, which should occur in no list.
constexpr std::string_view kSyllables[] = {
    "ka",  "lo",  "ri",  "ven", "tor", "mi",  "sa", "del", "ran", "po", "ne", "lu",
    "bar", "zi",  "fo",  "ter", "gan", "mo",  "ra", "li",  "to",  "na", "ve", "si",
    "dor", "cal", "ber", "mar", "tin", "lan", "ex", "on",  "is",  "an", "el", "ia",
};
constexpr std::string_view kFilterSyllables[] = {
    "qu",  "xa",  "zy",  "wex", "jor", "vyk", "fli", "grom", "thu", "sko",
    "bry", "plo", "kwa", "dro", "yst", "ghu", "oxi", "prj",  "vux", "zeb",
};

constexpr std::string_view kRoles[] = {
    "info",    "sales",     "contact",   "office",     "admin",   "support",  "service",
    "kontakt", "mail",      "hello",     "team",       "billing", "accounts", "hr",
    "jobs",    "marketing", "webmaster", "postmaster", "noreply", "no-reply", "newsletter",
    "abuse",   "enquiries", "reception", "orders",
};
// What filter files say about role and robot accounts.
constexpr std::string_view kFilterRoles[] = {
    "noreply",       "no-reply", "postmaster", "abuse",       "webmaster",  "newsletter",
    "mailer-daemon", "info@",    "spam",       "unsubscribe", "donotreply", "bounce",
};

constexpr std::string_view kSubdomains[] = {"mail", "mx", "post", "users", "email", "smtp"};

struct Weighted {
  std::string_view text;
  int weight;
};

constexpr Weighted kTlds[] = {
    {"com", 400}, {"net", 80},    {"org", 60},  {"de", 60},     {"co.uk", 40}, {"fr", 30},
    {"it", 30},   {"nl", 30},     {"ru", 30},   {"com.br", 20}, {"pl", 20},    {"es", 20},
    {"ca", 20},   {"com.au", 20}, {"info", 20}, {"biz", 10},    {"ch", 10},    {"be", 10},
    {"at", 10},   {"se", 10},     {"dk", 10},   {"no", 10},     {"fi", 10},    {"jp", 5},
    {"co.jp", 5}, {"io", 10},     {"us", 10},   {"edu", 10},    {"cz", 10},    {"hu", 10},
    {"gr", 10},   {"pt", 10},     {"ie", 10},   {"co.nz", 5},   {"co.za", 5},  {"in", 10},
    {"mx", 10},   {"com.ar", 5},  {"tv", 5},    {"me", 5},      {"eu", 5},     {"ro", 10},
};

std::string_view PickTld(Rng& rng) {
  static const int total = [] {
    int sum = 0;
    for (const Weighted& tld : kTlds) sum += tld.weight;
    return sum;
  }();
  int pick = static_cast<int>(rng.Below(static_cast<std::uint32_t>(total)));
  for (const Weighted& tld : kTlds) {
    if (pick < tld.weight) return tld.text;
    pick -= tld.weight;
  }
  return kTlds[0].text;
}

void AppendDigits(Rng& rng, std::string* out) {
  switch (rng.Below(4)) {
    case 0:  // a year of birth
      *out += std::to_string(1950 + rng.Below(58));
      break;
    case 1:  // its last two digits
      *out += std::to_string(10 + rng.Below(90));
      break;
    default:
      *out += std::to_string(rng.Below(rng.Chance(0.5) ? 10 : 10000));
  }
}

void AppendMadeUpWord(Rng& rng, std::string* out, std::uint32_t minSyllables,
                      std::uint32_t maxSyllables) {
  const std::uint32_t n = minSyllables + rng.Below(maxSyllables - minSyllables + 1);
  for (std::uint32_t i = 0; i < n; ++i) *out += rng.Pick(kSyllables);
}

std::string MadeUpFilterWord(Rng& rng) {
  std::string word;
  while (word.size() < 6) word += rng.Pick(kFilterSyllables);
  if (rng.Chance(0.3)) word += rng.Pick(kFilterSyllables);
  return word;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Flip(char c) { return c >= 'a' && c <= 'z' ? Upper(c) : Lower(c); }

// Upper-cases the first letter of each part, parts being separated by @ . _ -
void Capitalize(char* begin, char* end) {
  bool start = true;
  for (char* p = begin; p < end; ++p) {
    if (start) *p = Upper(*p);
    start = *p == '@' || *p == '.' || *p == '_' || *p == '-';
  }
}

// The letter case people type: mostly lower, sometimes capitalised, shouted or mixed.
void Recase(Rng& rng, char* begin, char* end, double capitalized, double upper, double mixed) {
  const double pick = rng.Unit();
  if (pick < capitalized) {
    Capitalize(begin, end);
  } else if (pick < capitalized + upper) {
    std::transform(begin, end, begin, Upper);
  } else if (pick < capitalized + upper + mixed) {
    for (char* p = begin; p < end; ++p) {
      if (rng.Chance(0.3)) *p = Flip(*p);
    }
  }
}

void WriteAll(std::FILE* file, const std::string& path, const std::string& bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    throw std::runtime_error("cannot write " + path);
  }
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::unique_ptr<std::FILE, FileCloser> CreateFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot create " + path);
  return file;
}

void CloseFile(std::unique_ptr<std::FILE, FileCloser> file, const std::string& path) {
  if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot write " + path);
}

constexpr std::size_t kEarlierSample = 1 << 16;

}  // namespace

Rng::Rng(std::uint64_t seed) {
  for (std::uint64_t& word : s_) {
    seed += 0x9e3779b97f4a7c15ULL;
    std::uint64_t z = seed;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    word = z ^ (z >> 31);
  }
}

std::uint64_t Rng::Next() {
  const auto rotl = [](std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); };
  const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
  const std::uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = rotl(s_[3], 45);
  return result;
}

ListGenerator::ListGenerator(std::uint64_t seed, std::size_t tailDomains)
    : seed_(seed), providers_{{"inboxly.com", 0.18},   {"yoomail.com", 0.10}, {"hotpost.com", 0.08},
                              {"mailcity.net", 0.04},  {"webbox.de", 0.03},   {"netpost.ru", 0.03},
                              {"yoomail.co.uk", 0.02}, {"hotpost.fr", 0.02}} {
  for (const Provider& provider : providers_) providerShare_ += provider.share;
  Rng rng(seed ^ 0x646f6d61696e73ULL);
  std::unordered_set<std::string> names;
  for (const Provider& provider : providers_) names.emplace(provider.name);
  tail_.reserve(tailDomains);
  while (tail_.size() < tailDomains) {
    std::string name = NewDomainName(rng);
    if (names.insert(name).second) tail_.push_back(std::move(name));
  }
  // Zipf-like popularity, flattened at the top so that no single tail domain rivals a
  // provider.
  tailCumulative_.resize(tail_.size());
  double sum = 0;
  for (std::size_t i = 0; i < tail_.size(); ++i) {
    sum += 1.0 / (static_cast<double>(i) + 20.0);
    tailCumulative_[i] = sum;
  }
  for (double& c : tailCumulative_) c /= sum;
}

std::string ListGenerator::NewDomainName(Rng& rng) const {
  auto word = [&rng]() -> std::string_view {
    return rng.Chance(0.02) ? rng.Pick(kBulkWords) : rng.Pick(kWords);
  };
  std::string name;
  const std::uint32_t shape = rng.Below(100);
  if (shape < 28) {
    name += word();
    name += word();
  } else if (shape < 40) {
    name += word();
    name += '-';
    name += word();
  } else if (shape < 50) {
    name += word();
    AppendDigits(rng, &name);
  } else if (shape < 68) {
    AppendMadeUpWord(rng, &name, 2, 4);
  } else if (shape < 76) {
    name += rng.Chance(0.5) ? rng.Pick(kLastNames) : rng.Pick(kFirstNames);
    if (rng.Chance(0.3)) name += '-';
    name += word();
  } else if (shape < 82) {
    for (std::uint32_t i = 2 + rng.Below(3); i > 0; --i) name += char('a' + rng.Below(26));
    name += word();
  } else if (shape < 88) {
    AppendMadeUpWord(rng, &name, 1, 2);
    name += '-';
    AppendMadeUpWord(rng, &name, 1, 3);
  } else if (shape < 94) {
    name += rng.Pick(kSubdomains);
    name += '.';
    name += word();
    name += word();
  } else {
    name += rng.Pick(kLastNames);
    name += rng.Pick(kLastNames);
  }
  name += '.';
  name += PickTld(rng);
  return name;
}

std::size_t ListGenerator::DrawTail(Rng& rng) const {
  const double u = rng.Unit();
  auto it = std::upper_bound(tailCumulative_.begin(), tailCumulative_.end(), u);
  return std::min(static_cast<std::size_t>(it - tailCumulative_.begin()), tail_.size() - 1);
}

AddressSource::AddressSource(const ListGenerator& generator, std::uint64_t stream)
    : generator_(generator), rng_(generator.seed() * 0x2545f4914f6cdd1dULL + stream + 1) {
  earlier_.reserve(kEarlierSample);
}

void AddressSource::MakeUser(bool atProvider, std::string* out) {
  Rng& rng = rng_;
  if (!atProvider && rng.Chance(0.08)) {
    *out += rng.Pick(kRoles);
    return;
  }
  const std::string_view first = rng.Pick(kFirstNames);
  const std::string_view last = rng.Pick(kLastNames);
  const std::uint32_t shape = rng.Below(100);
  if (shape < 22) {  // first.last
    *out += first;
    *out += '.';
    *out += last;
  } else if (shape < 28) {
    *out += first;
    *out += '_';
    *out += last;
  } else if (shape < 32) {
    *out += first;
    *out += '-';
    *out += last;
  } else if (shape < 42) {  // firstlast, often numbered at a large provider
    *out += first;
    *out += last;
    if (atProvider || rng.Chance(0.3)) AppendDigits(rng, out);
  } else if (shape < 52) {  // jsmith84
    *out += first[0];
    *out += last;
    if (rng.Chance(0.6)) AppendDigits(rng, out);
  } else if (shape < 60) {  // initials and digits: jk1987
    for (std::uint32_t i = 2 + rng.Below(2); i > 0; --i) *out += char('a' + rng.Below(26));
    AppendDigits(rng, out);
  } else if (shape < 68) {
    *out += first;
    AppendDigits(rng, out);
  } else if (shape < 75) {  // words with dots or underscores: blue.tiger
    *out += rng.Pick(kWords);
    *out += rng.Chance(0.6) ? '.' : '_';
    *out += rng.Pick(kWords);
    if (rng.Chance(0.3)) AppendDigits(rng, out);
  } else if (shape < 81) {
    *out += rng.Pick(kWords);
    AppendDigits(rng, out);
  } else if (shape < 85) {  // first.m.last
    *out += first;
    *out += '.';
    *out += char('a' + rng.Below(26));
    *out += '.';
    *out += last;
  } else if (shape < 89) {  // a random handle: xk7fj3d
    for (std::uint32_t i = 6 + rng.Below(7); i > 0; --i) {
      const std::uint32_t c = rng.Below(36);
      *out += c < 26 ? char('a' + c) : char('0' + c - 26);
    }
  } else if (shape < 93) {  // the.real.john
    *out += rng.Pick(kWords);
    *out += '.';
    *out += rng.Pick(kWords);
    *out += '.';
    *out += first;
  } else if (shape < 97) {  // word-word-42
    *out += rng.Pick(kWords);
    *out += '-';
    *out += rng.Pick(kWords);
    *out += '-';
    *out += std::to_string(rng.Below(100));
  } else {
    *out += last;
    *out += '.';
    *out += first;
  }
}

bool AddressSource::MakeDomain(std::string* out) {
  const ListGenerator& g = generator_;
  double pick = rng_.Unit();
  if (pick < g.providerShare_) {
    for (const ListGenerator::Provider& provider : g.providers_) {
      if (pick < provider.share) {
        *out += provider.name;
        return true;
      }
      pick -= provider.share;
    }
    *out += g.providers_.back().name;
    return true;
  }
  *out += g.tail_[g.DrawTail(rng_)];
  return false;
}

void AddressSource::Remember(const std::string& address) {
  ++stats_.addresses;
  if (earlier_.size() < kEarlierSample) {
    earlier_.push_back(address);
    return;
  }
  // Reservoir sampling keeps every earlier address equally likely to be repeated.
  const std::uint64_t slot = rng_.Next() % stats_.addresses;
  if (slot < kEarlierSample) earlier_[slot] = address;
}

void AddressSource::Next(std::string* address) {
  address->clear();
  if (!earlier_.empty()) {
    const double pick = rng_.Unit();
    if (pick < 0.02) {
      *address = earlier_[rng_.Below(static_cast<std::uint32_t>(earlier_.size()))];
      ++stats_.exactDuplicates;
      ++stats_.addresses;
      return;
    }
    if (pick < 0.035) {
      *address = earlier_[rng_.Below(static_cast<std::uint32_t>(earlier_.size()))];
      bool changed = false;
      for (char& c : *address) {
        if (IsLetter(c) && rng_.Chance(0.3)) {
          c = Flip(c);
          changed = true;
        }
      }
      if (!changed) (*address)[0] = Flip((*address)[0]);  // every address has a letter
      ++stats_.caseDuplicates;
      Remember(*address);
      return;
    }
  }
  std::string domain;
  const bool atProvider = MakeDomain(&domain);
  MakeUser(atProvider, address);
  Recase(rng_, address->data(), address->data() + address->size(), 0.09, 0.03, 0.04);
  if (atProvider) ++stats_.providerAddresses;
  Recase(rng_, domain.data(), domain.data() + domain.size(), 0.04, 0.02, 0.0);
  *address += '@';
  *address += domain;
  Remember(*address);
}

ListStats ListGenerator::WriteList(const std::string& path, std::uint64_t bytes,
                                   std::uint64_t stream) const {
  auto file = CreateFile(path);
  AddressSource source(*this, stream);
  std::string buffer;
  buffer.reserve(1 << 20);
  std::string address;
  std::uint64_t written = 0;
  std::uint64_t addresses = 0;
  for (;;) {
    source.Next(&address);
    if (written + address.size() + 1 > bytes) break;
    buffer += address;
    buffer += '\n';
    written += address.size() + 1;
    ++addresses;
    if (buffer.size() >= (1 << 20) - 512) {
      WriteAll(file.get(), path, buffer);
      buffer.clear();
    }
  }
  WriteAll(file.get(), path, buffer);
  CloseFile(std::move(file), path);
  // The source's counts include the address that did not fit.
  ListStats stats = source.stats();
  stats.addresses = addresses;
  stats.bytes = written;
  return stats;
}

void ListGenerator::WriteFilter(const std::string& path, std::size_t count,
                                std::uint64_t stream) const {
  Rng rng(seed_ * 0x9e3779b97f4a7c15ULL + 0x66696c746572ULL + stream);
  std::unordered_set<std::string> universe(tail_.begin(), tail_.end());
  for (const Provider& provider : providers_) universe.emplace(provider.name);

  std::vector<std::string> fragments;
  std::unordered_set<std::string> seen;  // lower-cased
  auto add = [&](std::string fragment) {
    if (fragments.size() >= count || !seen.insert(fragment).second) return;
    fragments.push_back(std::move(fragment));
  };

  // Fixed entries first: one whole provider (people block foreign free mail), the
  // role and robot accounts, the words of bulk senders.
  add("@netpost.ru");
  for (std::string_view role : kFilterRoles) add(std::string(role));
  for (std::string_view word : kBulkWords) add(std::string(word));

  const std::size_t domains = count * 45 / 100;
  const std::size_t domainParts = count * 20 / 100;
  std::size_t attempts = 0;
  while (fragments.size() < count && attempts++ < count * 100) {
    const std::size_t kind = fragments.size() < domains                 ? 0
                             : fragments.size() < domains + domainParts ? 1
                                                                        : 2;
    std::string fragment;
    if (kind == 0) {
      // Three in five from the lists' own domains, chosen regardless of popularity.
      std::string name;
      if (rng.Chance(0.6)) {
        name = tail_[rng.Below(static_cast<std::uint32_t>(tail_.size()))];
      } else {
        do name = NewDomainName(rng);
        while (universe.count(name) != 0);
      }
      if (rng.Chance(0.85)) fragment += '@';
      fragment += name;
    } else if (kind == 1) {
      const std::uint32_t shape = rng.Below(10);
      if (shape == 0) fragment += '-';
      fragment += MadeUpFilterWord(rng);
      if (shape == 1) fragment += '-';
      if (shape == 2) fragment += rng.Pick(kWords);
      if (shape == 3) {
        fragment += '.';
        fragment += PickTld(rng);
      }
    } else {
      const std::string_view first = rng.Pick(kFirstNames);
      const std::string_view last = rng.Pick(kLastNames);
      const std::uint32_t shape = rng.Below(10);
      if (shape < 3) {  // one person, as the lists spell them
        fragment += first;
        fragment += '.';
        fragment += last;
      } else if (shape < 5) {
        fragment += first[0];
        fragment += last;
      } else if (shape < 6) {
        fragment += first;
        fragment += '_';
        fragment += last;
      } else if (shape < 7) {
        fragment += first;
        fragment += last;
        fragment += std::to_string(1950 + rng.Below(58));
      } else {  // handles seen in complaints: occur nowhere
        fragment += MadeUpFilterWord(rng);
        if (rng.Chance(0.5)) AppendDigits(rng, &fragment);
      }
    }
    add(std::move(fragment));
  }

  for (std::size_t i = fragments.size(); i > 1; --i) {
    std::swap(fragments[i - 1], fragments[rng.Below(static_cast<std::uint32_t>(i))]);
  }
  auto file = CreateFile(path);
  std::string text;
  for (std::string& fragment : fragments) {
    Recase(rng, fragment.data(), fragment.data() + fragment.size(), 0.15, 0.10, 0.05);
    text += fragment;
    text += '\n';
  }
  WriteAll(file.get(), path, text);
  CloseFile(std::move(file), path);
}

}  // namespace vantor::bench
