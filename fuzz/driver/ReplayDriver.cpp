// Stand-in for libFuzzer where it is not available: replays every file of the
// seed folders given on the command line, then feeds a bounded number of
// mutated and random inputs. Deterministic (fixed seed) so a failure repeats.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::string> LoadSeeds(int argc, char** argv) {
  std::vector<std::string> seeds;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(p, ec)) {
      for (const auto& e : std::filesystem::directory_iterator(p, ec))
        if (e.is_regular_file()) files.push_back(e.path());
    } else if (std::filesystem::is_regular_file(p, ec)) {
      files.push_back(p);
    }
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return seeds;
}

void Run(const std::string& s) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<std::string> seeds = LoadSeeds(argc, argv);
  for (const auto& s : seeds) Run(s);

  long runs = 20000;
  if (const char* r = std::getenv("QX_FUZZ_RUNS")) runs = std::strtol(r, nullptr, 10);
  std::mt19937 rng(12345);
  // Bytes that matter to our parsers, so random input reaches deep paths.
  static const std::string alphabet =
      "#;FS/0123456789.,-+eE \r\n\"$xbQ=()^*<>!&|abcdefghijklmnopqrstuvwxyz\t";
  for (long i = 0; i < runs; ++i) {
    std::string s;
    if (!seeds.empty() && (rng() % 4) != 0) {
      s = seeds[rng() % seeds.size()];
      const int edits = 1 + static_cast<int>(rng() % 8);
      for (int e = 0; e < edits; ++e) {
        const unsigned op = rng() % 4;
        const size_t pos = s.empty() ? 0 : rng() % (s.size() + 1);
        const char c =
            (rng() % 3 == 0) ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
        if (op == 0 && pos < s.size())
          s[pos] = c;
        else if (op == 1)
          s.insert(s.begin() + static_cast<long>(pos), c);
        else if (op == 2 && pos < s.size())
          s.erase(pos, 1 + rng() % 4);
        else if (op == 3 && !s.empty()) {
          const size_t from = rng() % s.size();
          s.insert(pos, s.substr(from, 1 + rng() % 16));
        }
      }
      if (s.size() > 4096) s.resize(4096);
    } else {
      const size_t len = rng() % 300;
      for (size_t k = 0; k < len; ++k)
        s.push_back((rng() % 5 == 0) ? static_cast<char>(rng() & 0xFF)
                                     : alphabet[rng() % alphabet.size()]);
    }
    Run(s);
  }
  std::printf("replayed %zu seeds and %ld generated inputs\n", seeds.size(), runs);
  return 0;
}
