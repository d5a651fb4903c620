// Deterministic game-like and adversarial Lua inputs for the benchmark.

#include "bench/bench_inputs.h"

#include <array>

namespace kelvane::bench {
namespace {

constexpr size_t kKiB = 1024;
constexpr size_t kMiB = 1024 * kKiB;

// SplitMix64: tiny, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t bound) { return static_cast<size_t>(Next() % bound); }
  bool OneIn(size_t n) { return Below(n) == 0; }
  template <size_t N>
  std::string_view Pick(const std::array<std::string_view, N>& items) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

constexpr std::array<std::string_view, 12> kUnits = {"Tank",    "Scout",  "Archer",  "Knight",
                                                     "Frigate", "Drone",  "Miner",   "Mage",
                                                     "Golem",   "Turret", "Carrier", "Rider"};
constexpr std::array<std::string_view, 12> kKeys = {"speed", "armor",  "range",  "damage",
                                                    "cost",  "decay",  "sight",  "regen",
                                                    "mass",  "reload", "weight", "bonus"};
constexpr std::array<std::string_view, 10> kNumbers = {"1.50", "-0.75", ".5",  "2.5E-3", "100",
                                                       "0.10", "3.0",   "-12", "1e+2",   "0.333"};
constexpr std::array<std::string_view, 8> kStrings = {
    "\"Heavy \\\"Tank\\\"\"", "\"line\\nbreak\"", "'it\\'s'",   "\"C:\\\\games\\\\data\"",
    "\"tab\\there\"",         "'plain'",          "\"a;b, c\"", "\"{braces}\""};
// The strings of the one-line input: no brace and no line end in them.
constexpr std::array<std::string_view, 4> kBracelessStrings = {"\"Heavy \\\"Tank\\\"\"", "'it\\'s'",
                                                               "\"C:\\\\games\"", "\"a;b, c\""};
constexpr std::array<std::string_view, 6> kComments = {
    "-- tuned after playtest 3",       "-- TODO: balance",   "--- values in metres",
    "-- keep in sync with the editor", "-- { not a table }", "-- x = 1.50"};
// Spacing as people type it: none, single, a TAB, or double.
constexpr std::array<std::string_view, 4> kGaps = {"", " ", "\t", "  "};

void AppendSetting(std::string& out, Random& random) {
  out += random.Pick(kKeys);
  out += random.Pick(kGaps);
  out += '=';
  out += random.Pick(kGaps);
  if (random.OneIn(4)) {
    out += random.Pick(kStrings);
  } else {
    out += random.Pick(kNumbers);
  }
}

// A settings table: entries, a nested table or two, a list, a comment.
void AppendSettingsTable(std::string& out, Random& random, size_t index) {
  out += random.Pick(kUnits);
  out += "Stats";
  out += std::to_string(index);
  out += " = {";
  const size_t entries = 2 + random.Below(5);
  for (size_t i = 0; i < entries; ++i) {
    if (i > 0) out += random.OneIn(3) ? ",\n\t" : ", ";
    AppendSetting(out, random);
  }
  out += ",\n  weapons = { primary = { ";
  AppendSetting(out, random);
  out += ", ";
  AppendSetting(out, random);
  out += " }, secondary = {";
  AppendSetting(out, random);
  out += "} },";
  if (random.OneIn(2)) {
    out += ' ';
    out += random.Pick(kComments);
    out += '\n';
  }
  out += "  tags = {\"unit\", ";
  out += random.Pick(kStrings);
  out += "; 'ground'},\n  spawn = {x=";
  out += random.Pick(kNumbers);
  out += ",y=";
  out += random.Pick(kNumbers);
  out += "}\n}\n";
}

// A global function with if/elseif/else, for, while and repeat blocks.
void AppendFunction(std::string& out, Random& random, size_t index) {
  std::string_view unit = random.Pick(kUnits);
  out += "function Update";
  out += unit;
  out += std::to_string(index);
  out += "(self, dt)\n";
  out += "  local t = self.";
  out += random.Pick(kKeys);
  out += "*dt+";
  out += random.Pick(kNumbers);
  out += "\n  if t>";
  out += random.Pick(kNumbers);
  out += " then self.state=\"busy\" elseif t<=0 then return nil else t=t/2 end\n";
  out += "  for i=1,getn(self.list) do\n    local e = self.list[i]\n";
  // "*", not "-": a minus before a negative number would start a comment.
  out += "    if e.hp~=0 and not e.dead then e.hp=e.hp*";
  out += random.Pick(kNumbers);
  out += " end\n  end\n";
  out += "  while t > 0 do t = t - 1 ";
  out += random.Pick(kComments);
  out += "\n  end\n";
  out += "  repeat t=t+1 until t>=10\n";
  out += "  return format(\"%s: %d\", self.name, t)\nend\n";
}

// A method head: opens no level, yet its "end" closes one.
void AppendMethod(std::string& out, Random& random) {
  out += "function ";
  out += random.Pick(kUnits);
  out += ':';
  out += random.Pick(kKeys);
  out += "(dt)\n  self.x = self.x + dt*";
  out += random.Pick(kNumbers);
  out += "\nend\n";
}

void AppendStatements(std::string& out, Random& random) {
  out += random.Pick(kComments);
  out += "\nlocal ";
  out += random.Pick(kKeys);
  out += " = ";
  out += random.Pick(kNumbers);
  out += ";\ncall(";
  out += random.Pick(kStrings);
  out += ", ";
  out += random.Pick(kNumbers);
  out += ")\n";
}

}  // namespace

std::string GenerateGameLua(size_t target_size, uint64_t seed) {
  Random random(seed);
  std::string out;
  out.reserve(target_size + 1024);
  out += "-- Generated game data for the benchmark.\n";
  for (size_t index = 0; out.size() < target_size; ++index) {
    const size_t kind = random.Below(10);
    if (kind < 5) {
      AppendSettingsTable(out, random, index);
    } else if (kind < 8) {
      AppendFunction(out, random, index);
    } else if (kind < 9) {
      AppendStatements(out, random);
    } else {
      AppendMethod(out, random);
    }
  }
  return out;
}

std::string GenerateOneLongLine(size_t target_size) {
  Random random(7);
  std::string out;
  out.reserve(target_size + 256);
  while (out.size() < target_size) {
    out += "x";
    out += std::to_string(random.Below(1000));
    out += "=a*";
    out += random.Pick(kNumbers);
    out += "+f(b, c[2], ";
    out += random.Pick(kBracelessStrings);
    out += ")-d/.5; if x then y=1 end ";
  }
  return out;
}

std::string GenerateDeepTable(size_t target_size, size_t depth) {
  std::string out;
  out.reserve(target_size + 64 * kKiB);
  out += "Deep = ";
  out.append(depth, '{');
  out += "1.50";
  out.append(depth, '}');
  out += '\n';
  if (out.size() < target_size) out += GenerateGameLua(target_size - out.size(), 11);
  return out;
}

std::string GenerateAfterMethodHeads(size_t target_size, size_t min_lines) {
  Random random(13);
  std::string out;
  out.reserve(target_size + 256);
  for (int i = 0; i < 64; ++i) AppendMethod(out, random);
  size_t lines = 0;
  for (size_t index = 0; out.size() < target_size || lines < min_lines; ++index) {
    const size_t before = out.size();
    if (random.OneIn(3)) {
      AppendFunction(out, random, index);
    } else {
      AppendStatements(out, random);
    }
    for (size_t i = before; i < out.size(); ++i) lines += out[i] == '\n';
  }
  return out;
}

const std::vector<BenchInput>& StandardInputs() {
  static const std::vector<BenchInput> inputs = {
      {"game-64K", [] { return GenerateGameLua(64 * kKiB, 1); }},
      {"game-1M", [] { return GenerateGameLua(kMiB, 2); }},
      {"game-4M", [] { return GenerateGameLua(4 * kMiB, 3); }},
      {"game-16M", [] { return GenerateGameLua(16 * kMiB, 4); }},
      {"one-line-4M", [] { return GenerateOneLongLine(4 * kMiB); }},
      {"deep-table-4M", [] { return GenerateDeepTable(4 * kMiB, 10000); }},
      {"after-methods-4M", [] { return GenerateAfterMethodHeads(4 * kMiB, 100000); }},
  };
  return inputs;
}

}  // namespace kelvane::bench
