#include "push/sitemap.h"

#include <libxml/xmlreader.h>
#include <zlib.h>

#include <memory>

#include "common/ascii_text.h"
#include "push/push_texts.h"

namespace lc::push {
namespace {

constexpr std::string_view kGzipMagic = "\x1F\x8B";

std::string line_text(int line) {
  return texts::filled(texts::kLine, {{"line", std::to_string(line)}});
}

std::optional<std::string> gunzip(std::string_view data, std::string& error) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
    error = texts::kDamagedGzip;
    return std::nullopt;
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  std::string out;
  int status = Z_OK;
  char buffer[64 * 1024];
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    status = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
    if (out.size() > kLargestSitemap) status = Z_BUF_ERROR;
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) {
    error = out.size() > kLargestSitemap ? texts::kSitemapTooLarge : texts::kDamagedGzip;
    return std::nullopt;
  }
  return out;
}

struct ReaderFree {
  void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};

std::string text_of(const xmlChar* text) {
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text));
}

// Keeps the parser's first complaint, with its line, instead of letting it print.
void note_first_error(void* first, const char* message, xmlParserSeverities,
                      xmlTextReaderLocatorPtr locator) {
  auto* noted = static_cast<std::string*>(first);
  if (!noted->empty()) return;
  *noted = line_text(xmlTextReaderLocatorLineNumber(locator)) +
           std::string(trimmed_ascii(message != nullptr ? message : ""));
}

}  // namespace

std::optional<Sitemap> read_sitemap(std::string_view data, std::string& error) {
  std::string unpacked;
  if (data.starts_with(kGzipMagic)) {
    std::optional<std::string> inflated = gunzip(data, error);
    if (!inflated) return std::nullopt;
    unpacked = std::move(*inflated);
    data = unpacked;
  }
  if (data.size() > kLargestSitemap) {
    error = texts::kSitemapTooLarge;
    return std::nullopt;
  }
  // No network, no entity expansion, no DTD: the file is data, never instructions.
  const std::unique_ptr<xmlTextReader, ReaderFree> reader(xmlReaderForMemory(
      data.data(), static_cast<int>(data.size()), nullptr, nullptr, XML_PARSE_NONET));
  if (!reader) {
    error = "cannot read";
    return std::nullopt;
  }
  std::string parser_error;
  xmlTextReaderSetErrorHandler(reader.get(), note_first_error, &parser_error);
  Sitemap sitemap;
  std::string root;
  std::string element;  // the innermost open element that holds text we keep
  SitemapPage page;
  int result = 0;
  while ((result = xmlTextReaderRead(reader.get())) == 1) {
    const int type = xmlTextReaderNodeType(reader.get());
    const std::string name = text_of(xmlTextReaderConstLocalName(reader.get()));
    if (type == XML_READER_TYPE_ELEMENT) {
      if (root.empty()) {
        root = name;
        if (root != "urlset" && root != "sitemapindex") {
          error = texts::filled(
              texts::kNotSitemap,
              {{"line", std::to_string(xmlTextReaderGetParserLineNumber(reader.get()))},
               {"root", root}});
          return std::nullopt;
        }
      }
      element = name;
      if (name == "url") page = {};
    } else if (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA) {
      const std::string value(trimmed_ascii(text_of(xmlTextReaderConstValue(reader.get()))));
      if (element == "loc") page.location += value;
      if (element == "lastmod") page.last_modified += value;
    } else if (type == XML_READER_TYPE_END_ELEMENT) {
      if (name == "url" && !page.location.empty()) sitemap.pages.push_back(page);
      if (name == "sitemap" && !page.location.empty()) sitemap.sitemaps.push_back(page.location);
      if (name == "sitemap") page = {};
      element.clear();
    }
  }
  if (result != 0 || root.empty()) {
    error = parser_error.empty() ? std::string(texts::kNotXml) : parser_error;
    return std::nullopt;
  }
  return sitemap;
}

}  // namespace lc::push
