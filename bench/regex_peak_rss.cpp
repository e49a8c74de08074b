// Peak resident memory that a global \d+ over 50 MB of code page 936 text adds through
// RegexObject, over the text's size.
#include <cstdio>
#include <string>

#include "bench/process_memory.h"
#include "regex/regex_object.h"

namespace {

// A news page's text: mostly Chinese, a number every few dozen bytes, CR LF lines.
lc::Text chinese_text(std::size_t bytes) {
  const lc::Text paragraph =
      "2026\xC4\xEA"
      "12\xD4\xC2"
      "7\xC8\xD5\xA3\xAC\xB1\xBE\xD5\xBE\xB9\xB2\xCA\xD5\xC2\xBC"
      "\xCD\xF8\xD2\xB3"
      "1234567\xB8\xF6\xA3\xAC\xBD\xF1\xC8\xD5\xB8\xFC\xD0\xC2"
      "89\xCC\xF5\xA1\xA3\xC1\xAA\xCF\xB5\xB5\xE7\xBB\xB0\xA3\xBA"
      "010-12345678\xA1\xA3"
      "\xCE\xD2\xC3\xC7\xB5\xC4\xC4\xBF\xB1\xEA\xCA\xC7\xC8\xC3\xC3\xBF\xD2\xBB\xB8\xF6"
      "\xCD\xF8\xD5\xBE\xB6\xBC\xC4\xDC\xB1\xBB\xCB\xD1\xCB\xF7\xD2\xFD\xC7\xE6\xCA\xD5"
      "\xC2\xBC\xA1\xA3\r\n";
  lc::Text text;
  text.reserve(bytes + paragraph.size());
  while (text.size() < bytes)
    text += paragraph;
  return text;
}

}  // namespace

int main() {
  const lc::Text subject = chinese_text(50'000'000);
  const long before = bench::status_kib("VmRSS");
  lc::RegexObject regex;
  if (!regex.create("\\d+", subject)) return 1;
  // A position asks for the subject as text too, as a caller of positions would.
  lc::TextPos position = 0;
  const lc::Text last = regex.match_text(regex.match_count(), &position);
  const long peak = bench::status_kib("VmHWM");
  std::printf("regex_50mb_peak_rss %.3f ratio\n",
              (peak - before) / (static_cast<double>(subject.size()) / 1024));
  return last.empty() ? 1 : 0;
}
