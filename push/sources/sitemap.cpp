#include "push/sources/sitemap.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <memory>

#include "common/ascii_text.h"
#include "push/texts/failure.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

constexpr std::string_view kGzipMagic = "\x1F\x8B";
constexpr std::size_t kChunk = 64 * 1024;

std::string line_text(int line) {
  return texts::filled(texts::kLine, {{"line", std::to_string(line)}});
}

// Trims in place: most texts have nothing to trim, and a copy would cost a page an allocation.
void trim(std::string& text) {
  const std::string_view kept = trimmed_ascii(text);
  if (kept.size() == text.size()) return;
  text.assign(kept.begin(), kept.end());
}

bool is(const xmlChar* name, const char* expected) {
  return std::strcmp(reinterpret_cast<const char*>(name), expected) == 0;
}

// What the parser's callbacks build: the sitemap, and the first reason it is none.
class SitemapBuilder {
 public:
  explicit SitemapBuilder(xmlParserCtxtPtr* context) : context_(context) {}

  static void start(void* self, const xmlChar* name, const xmlChar*, const xmlChar*, int,
                    const xmlChar**, int, int, const xmlChar**) {
    static_cast<SitemapBuilder*>(self)->start_element(name);
  }
  static void end(void* self, const xmlChar* name, const xmlChar*, const xmlChar*) {
    static_cast<SitemapBuilder*>(self)->end_element(name);
  }
  static void characters(void* self, const xmlChar* text, int length) {
    static_cast<SitemapBuilder*>(self)->add_text(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
  }
  // Keeps the parser's first complaint, with its line, instead of letting it print.
  static void note_error(void* self, xmlError* error) {
    auto* builder = static_cast<SitemapBuilder*>(self);
    if (!builder->error.empty() || error == nullptr) return;
    builder->error = line_text(error->line) +
                     std::string(trimmed_ascii(error->message != nullptr ? error->message : ""));
  }

  Sitemap sitemap;
  std::string error;
  bool rooted = false;

 private:
  void start_element(const xmlChar* name) {
    if (!rooted) {
      rooted = true;
      if (!is(name, "urlset") && !is(name, "sitemapindex")) {
        error = texts::filled(texts::kNotSitemap,
                              {{"line", std::to_string(xmlSAX2GetLineNumber(*context_))},
                               {"root", reinterpret_cast<const char*>(name)}});
        xmlStopParser(*context_);
        return;
      }
    }
    text_ = is(name, "loc")       ? &page_.location
            : is(name, "lastmod") ? &page_.last_modified
                                  : nullptr;
    if (is(name, "url") || is(name, "sitemap")) page_ = {};
  }

  void end_element(const xmlChar* name) {
    text_ = nullptr;
    if (page_.location.empty()) return;
    if (is(name, "url")) {
      trim(page_.location);
      trim(page_.last_modified);
      sitemap.pages.push_back(std::move(page_));
      page_ = {};
    } else if (is(name, "sitemap")) {
      sitemap.sitemaps.emplace_back(trimmed_ascii(page_.location));
      page_ = {};
    }
  }

  void add_text(std::string_view text) {
    if (text_ != nullptr) text_->append(text);
  }

  xmlParserCtxtPtr* context_;
  SitemapPage page_;
  std::string* text_ = nullptr;  // where the characters of the open element go, if anywhere
};

// The parser may make a document of its own for a DOCTYPE's declarations even with SAX alone.
struct ContextFree {
  void operator()(xmlParserCtxtPtr context) const {
    xmlFreeDoc(context->myDoc);
    xmlFreeParserCtxt(context);
  }
};

// Feeds `data` to `feed` as it stands, or unpacked chunk by chunk when it is gzip: the unpacked
// sitemap is never held whole. False where `feed` stopped it; throws a Failure when the gzip
// stream is damaged, cut short or unpacks past the bound.
bool unpack_into(std::string_view data, const std::function<bool(std::string_view)>& feed) {
  if (!data.starts_with(kGzipMagic)) return feed(data);
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
    throw Failure(kUsageOrInput, std::string(texts::kDamagedGzip));
  const std::unique_ptr<z_stream, decltype(&inflateEnd)> ended(&stream, inflateEnd);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  std::size_t unpacked = 0;
  int status = Z_OK;
  char buffer[kChunk];
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    status = inflate(&stream, Z_NO_FLUSH);
    const std::size_t count = sizeof buffer - stream.avail_out;
    unpacked += count;
    if (unpacked > kLargestSitemap)
      throw Failure(kUsageOrInput, std::string(texts::kSitemapTooLarge));
    if (!feed(std::string_view(buffer, count))) return false;
  }
  if (status != Z_STREAM_END) throw Failure(kUsageOrInput, std::string(texts::kDamagedGzip));
  return true;
}

}  // namespace

Sitemap read_sitemap(std::string_view data) {
  if (data.size() > kLargestSitemap)
    throw Failure(kUsageOrInput, std::string(texts::kSitemapTooLarge));
  // SAX callbacks only: no tree is built, no network, no entity expanded, no DTD loaded.
  xmlSAXHandler handler{};
  handler.initialized = XML_SAX2_MAGIC;
  handler.startElementNs = SitemapBuilder::start;
  handler.endElementNs = SitemapBuilder::end;
  handler.characters = SitemapBuilder::characters;
  handler.cdataBlock = SitemapBuilder::characters;
  handler.serror = SitemapBuilder::note_error;
  xmlParserCtxtPtr raw = nullptr;
  SitemapBuilder builder(&raw);
  raw = xmlCreatePushParserCtxt(&handler, &builder, nullptr, 0, nullptr);
  const std::unique_ptr<xmlParserCtxt, ContextFree> context(raw);
  if (!context) throw Failure(kUsageOrInput, std::string(texts::kNotXml));
  xmlCtxtUseOptions(context.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  const auto feed = [&](std::string_view chunk) {
    xmlParseChunk(context.get(), chunk.data(), static_cast<int>(chunk.size()), 0);
    return builder.error.empty();
  };
  if (unpack_into(data, feed)) xmlParseChunk(context.get(), nullptr, 0, 1);
  if (!builder.error.empty()) throw Failure(kUsageOrInput, builder.error);
  if (!builder.rooted) throw Failure(kUsageOrInput, std::string(texts::kNotXml));
  return std::move(builder.sitemap);
}

}  // namespace lc::push
