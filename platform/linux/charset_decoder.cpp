#include "platform/charset_decoder.h"

#include "common/ascii_text.h"

#include "platform/ascii_case.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace lc::platform {
namespace {

// The converters ICU knows each encoding by, named exactly so that no alias is ambiguous.
constexpr std::string_view kUtf8 = "UTF-8";
constexpr std::string_view kUtf16Le = "UTF-16LE";
constexpr std::string_view kUtf16Be = "UTF-16BE";
constexpr std::string_view kReplacement = "replacement";     // one U+FFFD for any bytes
constexpr std::string_view kUserDefined = "x-user-defined";  // high bytes to U+F780..U+F7FF

struct Label {
  std::string_view label;
  std::string_view converter;
};

// The label table of the WHATWG Encoding Standard, sorted by label.
constexpr std::array kLabels = std::to_array<Label>({
    {"866", "ibm-866_P100-1995"},
    {"ansi_x3.4-1968", "ibm-5348_P100-1997"},
    {"arabic", "ISO-8859-6"},
    {"ascii", "ibm-5348_P100-1997"},
    {"asmo-708", "ISO-8859-6"},
    {"big5", "windows-950-2000"},
    {"big5-hkscs", "windows-950-2000"},
    {"chinese", "cp936"},
    {"cn-big5", "windows-950-2000"},
    {"cp1250", "ibm-5346_P100-1998"},
    {"cp1251", "ibm-5347_P100-1998"},
    {"cp1252", "ibm-5348_P100-1997"},
    {"cp1253", "ibm-5349_P100-1998"},
    {"cp1254", "ibm-5350_P100-1998"},
    {"cp1255", "ibm-9447_P100-2002"},
    {"cp1256", "ibm-9448_X100-2005"},
    {"cp1257", "ibm-9449_P100-2002"},
    {"cp1258", "ibm-5354_P100-1998"},
    {"cp819", "ibm-5348_P100-1997"},
    {"cp866", "ibm-866_P100-1995"},
    {"csbig5", "windows-950-2000"},
    {"cseuckr", "windows-949-2000"},
    {"cseucpkdfmtjapanese", "EUC-JP"},
    {"csgb2312", "cp936"},
    {"csibm866", "ibm-866_P100-1995"},
    {"csiso2022jp", "ISO_2022,locale=ja,version=0"},
    {"csiso2022kr", kReplacement},
    {"csiso58gb231280", "cp936"},
    {"csiso88596e", "ISO-8859-6"},
    {"csiso88596i", "ISO-8859-6"},
    {"csiso88598e", "ibm-5012_P100-1999"},
    {"csiso88598i", "ibm-5012_P100-1999"},
    {"csisolatin1", "ibm-5348_P100-1997"},
    {"csisolatin2", "ISO-8859-2"},
    {"csisolatin3", "ISO-8859-3"},
    {"csisolatin4", "ISO-8859-4"},
    {"csisolatin5", "ibm-5350_P100-1998"},
    {"csisolatin6", "ISO-8859-10"},
    {"csisolatin9", "ISO-8859-15"},
    {"csisolatinarabic", "ISO-8859-6"},
    {"csisolatincyrillic", "ISO-8859-5"},
    {"csisolatingreek", "ISO-8859-7"},
    {"csisolatinhebrew", "ibm-5012_P100-1999"},
    {"cskoi8r", "KOI8-R"},
    {"csksc56011987", "windows-949-2000"},
    {"csmacintosh", "macintosh"},
    {"csshiftjis", "ibm-943_P15A-2003"},
    {"csunicode", kUtf16Le},
    {"cyrillic", "ISO-8859-5"},
    {"dos-874", "windows-874"},
    {"ecma-114", "ISO-8859-6"},
    {"ecma-118", "ISO-8859-7"},
    {"elot_928", "ISO-8859-7"},
    {"euc-jp", "EUC-JP"},
    {"euc-kr", "windows-949-2000"},
    {"gb18030", "GB18030"},
    {"gb2312", "cp936"},
    {"gb_2312", "cp936"},
    {"gb_2312-80", "cp936"},
    {"gbk", "cp936"},
    {"greek", "ISO-8859-7"},
    {"greek8", "ISO-8859-7"},
    {"hebrew", "ibm-5012_P100-1999"},
    {"hz-gb-2312", kReplacement},
    {"ibm819", "ibm-5348_P100-1997"},
    {"ibm866", "ibm-866_P100-1995"},
    {"iso-10646-ucs-2", kUtf16Le},
    {"iso-2022-cn", kReplacement},
    {"iso-2022-cn-ext", kReplacement},
    {"iso-2022-jp", "ISO_2022,locale=ja,version=0"},
    {"iso-2022-kr", kReplacement},
    {"iso-8859-1", "ibm-5348_P100-1997"},
    {"iso-8859-10", "ISO-8859-10"},
    {"iso-8859-11", "windows-874"},
    {"iso-8859-13", "ISO-8859-13"},
    {"iso-8859-14", "ISO-8859-14"},
    {"iso-8859-15", "ISO-8859-15"},
    {"iso-8859-16", "iso-8859_16-2001"},
    {"iso-8859-2", "ISO-8859-2"},
    {"iso-8859-3", "ISO-8859-3"},
    {"iso-8859-4", "ISO-8859-4"},
    {"iso-8859-5", "ISO-8859-5"},
    {"iso-8859-6", "ISO-8859-6"},
    {"iso-8859-6-e", "ISO-8859-6"},
    {"iso-8859-6-i", "ISO-8859-6"},
    {"iso-8859-7", "ISO-8859-7"},
    {"iso-8859-8", "ibm-5012_P100-1999"},
    {"iso-8859-8-e", "ibm-5012_P100-1999"},
    {"iso-8859-8-i", "ibm-5012_P100-1999"},
    {"iso-8859-9", "ibm-5350_P100-1998"},
    {"iso-ir-100", "ibm-5348_P100-1997"},
    {"iso-ir-101", "ISO-8859-2"},
    {"iso-ir-109", "ISO-8859-3"},
    {"iso-ir-110", "ISO-8859-4"},
    {"iso-ir-126", "ISO-8859-7"},
    {"iso-ir-127", "ISO-8859-6"},
    {"iso-ir-138", "ibm-5012_P100-1999"},
    {"iso-ir-144", "ISO-8859-5"},
    {"iso-ir-148", "ibm-5350_P100-1998"},
    {"iso-ir-149", "windows-949-2000"},
    {"iso-ir-157", "ISO-8859-10"},
    {"iso-ir-58", "cp936"},
    {"iso8859-1", "ibm-5348_P100-1997"},
    {"iso8859-10", "ISO-8859-10"},
    {"iso8859-11", "windows-874"},
    {"iso8859-13", "ISO-8859-13"},
    {"iso8859-14", "ISO-8859-14"},
    {"iso8859-15", "ISO-8859-15"},
    {"iso8859-2", "ISO-8859-2"},
    {"iso8859-3", "ISO-8859-3"},
    {"iso8859-4", "ISO-8859-4"},
    {"iso8859-5", "ISO-8859-5"},
    {"iso8859-6", "ISO-8859-6"},
    {"iso8859-7", "ISO-8859-7"},
    {"iso8859-8", "ibm-5012_P100-1999"},
    {"iso8859-9", "ibm-5350_P100-1998"},
    {"iso88591", "ibm-5348_P100-1997"},
    {"iso885910", "ISO-8859-10"},
    {"iso885911", "windows-874"},
    {"iso885913", "ISO-8859-13"},
    {"iso885914", "ISO-8859-14"},
    {"iso885915", "ISO-8859-15"},
    {"iso88592", "ISO-8859-2"},
    {"iso88593", "ISO-8859-3"},
    {"iso88594", "ISO-8859-4"},
    {"iso88595", "ISO-8859-5"},
    {"iso88596", "ISO-8859-6"},
    {"iso88597", "ISO-8859-7"},
    {"iso88598", "ibm-5012_P100-1999"},
    {"iso88599", "ibm-5350_P100-1998"},
    {"iso_8859-1", "ibm-5348_P100-1997"},
    {"iso_8859-15", "ISO-8859-15"},
    {"iso_8859-1:1987", "ibm-5348_P100-1997"},
    {"iso_8859-2", "ISO-8859-2"},
    {"iso_8859-2:1987", "ISO-8859-2"},
    {"iso_8859-3", "ISO-8859-3"},
    {"iso_8859-3:1988", "ISO-8859-3"},
    {"iso_8859-4", "ISO-8859-4"},
    {"iso_8859-4:1988", "ISO-8859-4"},
    {"iso_8859-5", "ISO-8859-5"},
    {"iso_8859-5:1988", "ISO-8859-5"},
    {"iso_8859-6", "ISO-8859-6"},
    {"iso_8859-6:1987", "ISO-8859-6"},
    {"iso_8859-7", "ISO-8859-7"},
    {"iso_8859-7:1987", "ISO-8859-7"},
    {"iso_8859-8", "ibm-5012_P100-1999"},
    {"iso_8859-8:1988", "ibm-5012_P100-1999"},
    {"iso_8859-9", "ibm-5350_P100-1998"},
    {"iso_8859-9:1989", "ibm-5350_P100-1998"},
    {"koi", "KOI8-R"},
    {"koi8", "KOI8-R"},
    {"koi8-r", "KOI8-R"},
    {"koi8-ru", "KOI8-U"},
    {"koi8-u", "KOI8-U"},
    {"koi8_r", "KOI8-R"},
    {"korean", "windows-949-2000"},
    {"ks_c_5601-1987", "windows-949-2000"},
    {"ks_c_5601-1989", "windows-949-2000"},
    {"ksc5601", "windows-949-2000"},
    {"ksc_5601", "windows-949-2000"},
    {"l1", "ibm-5348_P100-1997"},
    {"l2", "ISO-8859-2"},
    {"l3", "ISO-8859-3"},
    {"l4", "ISO-8859-4"},
    {"l5", "ibm-5350_P100-1998"},
    {"l6", "ISO-8859-10"},
    {"l9", "ISO-8859-15"},
    {"latin1", "ibm-5348_P100-1997"},
    {"latin2", "ISO-8859-2"},
    {"latin3", "ISO-8859-3"},
    {"latin4", "ISO-8859-4"},
    {"latin5", "ibm-5350_P100-1998"},
    {"latin6", "ISO-8859-10"},
    {"logical", "ibm-5012_P100-1999"},
    {"mac", "macintosh"},
    {"macintosh", "macintosh"},
    {"ms932", "ibm-943_P15A-2003"},
    {"ms_kanji", "ibm-943_P15A-2003"},
    {"replacement", kReplacement},
    {"shift-jis", "ibm-943_P15A-2003"},
    {"shift_jis", "ibm-943_P15A-2003"},
    {"sjis", "ibm-943_P15A-2003"},
    {"sun_eu_greek", "ISO-8859-7"},
    {"tis-620", "windows-874"},
    {"ucs-2", kUtf16Le},
    {"unicode", kUtf16Le},
    {"unicode-1-1-utf-8", kUtf8},
    {"unicode11utf8", kUtf8},
    {"unicode20utf8", kUtf8},
    {"unicodefeff", kUtf16Le},
    {"unicodefffe", kUtf16Be},
    {"us-ascii", "ibm-5348_P100-1997"},
    {"utf-16", kUtf16Le},
    {"utf-16be", kUtf16Be},
    {"utf-16le", kUtf16Le},
    {"utf-8", kUtf8},
    {"utf8", kUtf8},
    {"visual", "ibm-5012_P100-1999"},
    {"windows-1250", "ibm-5346_P100-1998"},
    {"windows-1251", "ibm-5347_P100-1998"},
    {"windows-1252", "ibm-5348_P100-1997"},
    {"windows-1253", "ibm-5349_P100-1998"},
    {"windows-1254", "ibm-5350_P100-1998"},
    {"windows-1255", "ibm-9447_P100-2002"},
    {"windows-1256", "ibm-9448_X100-2005"},
    {"windows-1257", "ibm-9449_P100-2002"},
    {"windows-1258", "ibm-5354_P100-1998"},
    {"windows-31j", "ibm-943_P15A-2003"},
    {"windows-874", "windows-874"},
    {"windows-949", "windows-949-2000"},
    {"x-cp1250", "ibm-5346_P100-1998"},
    {"x-cp1251", "ibm-5347_P100-1998"},
    {"x-cp1252", "ibm-5348_P100-1997"},
    {"x-cp1253", "ibm-5349_P100-1998"},
    {"x-cp1254", "ibm-5350_P100-1998"},
    {"x-cp1255", "ibm-9447_P100-2002"},
    {"x-cp1256", "ibm-9448_X100-2005"},
    {"x-cp1257", "ibm-9449_P100-2002"},
    {"x-cp1258", "ibm-5354_P100-1998"},
    {"x-euc-jp", "EUC-JP"},
    {"x-gbk", "cp936"},
    {"x-mac-cyrillic", "x-mac-cyrillic"},
    {"x-mac-roman", "macintosh"},
    {"x-mac-ukrainian", "x-mac-cyrillic"},
    {"x-sjis", "ibm-943_P15A-2003"},
    {"x-unicode20utf8", kUtf8},
    {"x-user-defined", kUserDefined},
    {"x-x-big5", "windows-950-2000"},
});

std::string normalized_label(std::string_view label) {
  std::string lower(trimmed_ascii(label));
  for (char& c : lower)
    c = ascii_lower(c);
  return lower;
}

std::optional<std::string_view> converter_for(std::string_view label) {
  const std::string key = normalized_label(label);
  const auto found = std::lower_bound(
      kLabels.begin(), kLabels.end(), key,
      [](const Label& entry, const std::string& wanted) { return entry.label < wanted; });
  if (found == kLabels.end() || found->label != key) return std::nullopt;
  return found->converter;
}

std::string_view without_bom(std::string_view converter, std::string_view bytes) {
  const auto drop = [&](std::string_view bom) {
    return bytes.starts_with(bom) ? bytes.substr(bom.size()) : bytes;
  };
  if (converter == kUtf8) return drop("\xEF\xBB\xBF");
  if (converter == kUtf16Le) return drop("\xFF\xFE");
  if (converter == kUtf16Be) return drop("\xFE\xFF");
  return bytes;
}

std::u16string decode_user_defined(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  for (char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    units.push_back(value < 0x80 ? char16_t(value) : char16_t(0xF780 + value - 0x80));
  }
  return units;
}

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};

std::optional<std::u16string> decode_with_icu(std::string_view converter_name,
                                              std::string_view bytes) {
  // ICU counts in 32-bit lengths; a body too large for them stays undecoded.
  if (bytes.size() > (INT32_MAX - 2) / 2) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(
      ucnv_open(std::string(converter_name).c_str(), &status));
  if (U_FAILURE(status)) return std::nullopt;
  // A byte gives at most two units (a supplementary character from four bytes gives two).
  std::u16string units(bytes.size() * 2 + 2, u'\0');
  status = U_ZERO_ERROR;
  const int32_t written =
      ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()), bytes.data(),
                    static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  units.resize(static_cast<std::size_t>(written));
  return units;
}

}  // namespace

std::optional<std::u16string> decode_charset(std::string_view label, std::string_view bytes) {
  const std::optional<std::string_view> converter = converter_for(label);
  if (!converter) return std::nullopt;
  if (*converter == kReplacement) return bytes.empty() ? u"" : u"\uFFFD";
  if (*converter == kUserDefined) return decode_user_defined(bytes);
  return decode_with_icu(*converter, without_bom(*converter, bytes));
}

}  // namespace lc::platform
