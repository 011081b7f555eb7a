#include "foundation/uLangText.h"

#include <atomic>

namespace qx {

namespace {
// Set before any port thread runs, read from any thread.
std::atomic<TTextLookup> Lookup{nullptr};
}  // namespace

void SetTextLookup(TTextLookup lookup) {
  Lookup.store(lookup);
}

std::string LangText(const char* key, const char* german) {
  const TTextLookup lookup = Lookup.load();
  return lookup ? lookup(key, german) : std::string(german);
}

std::string LangText(const char* key, const char* german,
                     std::initializer_list<std::string_view> args) {
  const std::string text = LangText(key, german);
  std::string out;
  out.reserve(text.size() + 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const size_t n = static_cast<size_t>(text[i + 1] - '1');
      if (n < args.size()) {
        out.append(args.begin()[n]);
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace qx
