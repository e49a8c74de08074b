// The transport over the Windows HTTP service, call for call: a synchronous session, the
// service's own redirects and proxy-list syntax, its raw header block.
#include <windows.h>
#include <winhttp.h>

#include <map>
#include <memory>

#include "platform/system_transport.h"
#include "platform/windows/credential_guard.h"
#include "platform/windows/repainting_wait.h"
#include "platform/windows/trusted_authorities.h"

namespace lc::platform {
namespace {

// The service's strings are UTF-16 like ours, under another character type.
const wchar_t* as_wchar(std::u16string_view units_with_zero) {
  return reinterpret_cast<const wchar_t*>(units_with_zero.data());
}

std::u16string wchar_to_utf16(const wchar_t* text, DWORD length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// The service takes zero-terminated strings; a view need not be one.
std::u16string zero_terminated(std::u16string_view units) {
  return std::u16string(units);
}

struct CloseInternetHandle {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
// A handle of the service, closed on every way out of its owner.
using InternetHandle = std::unique_ptr<void, CloseInternetHandle>;

HINTERNET open_session_handle(const std::u16string& proxy) {
  const DWORD access =
      proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY;
  return WinHttpOpen(nullptr, access, as_wchar(proxy), WINHTTP_NO_PROXY_BYPASS, 0);
}

// Where the program keeps connections: this thread's session for `proxy`, which holds them. A
// thread's exchanges run one after another, so no two set its timeouts at once.
HINTERNET kept_session(const std::u16string& proxy) {
  thread_local std::map<std::u16string, InternetHandle> sessions;
  InternetHandle& session = sessions[proxy];
  if (!session) session.reset(open_session_handle(proxy));
  return session.get();
}

class WinHttpTransport final : public HttpTransport {
 public:
  // The request's credential guard goes first; the connection and the session then close in
  // the order the members are destroyed: request, connection, session.
  ~WinHttpTransport() override { close_request(); }

  bool check_platform() override { return WinHttpCheckPlatform() != FALSE; }

  std::optional<CrackedUrl> crack_url(std::u16string_view url) override {
    const std::u16string text = zero_terminated(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    // -1: hand back pointers into the URL rather than copies.
    parts.dwSchemeLength = DWORD(-1);
    parts.dwHostNameLength = DWORD(-1);
    parts.dwUrlPathLength = DWORD(-1);
    parts.dwExtraInfoLength = DWORD(-1);
    // A URL without a host ("http:///x") does not split either.
    if (!WinHttpCrackUrl(as_wchar(text), static_cast<DWORD>(text.size()), 0, &parts) ||
        parts.dwHostNameLength == 0) {
      return std::nullopt;
    }
    return CrackedUrl{.secure = parts.nScheme == INTERNET_SCHEME_HTTPS,
                      .host = wchar_to_utf16(parts.lpszHostName, parts.dwHostNameLength),
                      .port = parts.nPort,
                      .path = wchar_to_utf16(parts.lpszUrlPath, parts.dwUrlPathLength),
                      .extra_info = wchar_to_utf16(parts.lpszExtraInfo, parts.dwExtraInfoLength)};
  }

  bool open_session(std::u16string_view proxy_list) override {
    if (!trust_test_authorities()) return false;
    const std::u16string proxy = zero_terminated(proxy_list);
    if (connections_kept()) {
      session_ = kept_session(proxy);
    } else {
      own_session_.reset(open_session_handle(proxy));
      session_ = own_session_.get();
    }
    return session_ != nullptr;
  }

  bool set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms) override {
    return WinHttpSetTimeouts(session_, resolve_ms, connect_ms, send_ms, receive_ms) != FALSE;
  }

  bool connect(std::u16string_view host, std::uint16_t port) override {
    const std::u16string name = zero_terminated(host);
    origin_.host = name;
    origin_.port = port;
    connection_.reset(WinHttpConnect(session_, as_wchar(name), port, 0));
    return connection_ != nullptr;
  }

  bool open_request(std::u16string_view verb, std::u16string_view object_name,
                    bool secure) override {
    const std::u16string method = zero_terminated(verb);
    const std::u16string object = zero_terminated(object_name);
    origin_.secure = secure;
    request_.reset(WinHttpOpenRequest(connection_.get(), as_wchar(method), as_wchar(object),
                                      nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      secure ? WINHTTP_FLAG_SECURE : 0));
    return request_ != nullptr;
  }

  bool set_credentials(CredentialTarget target, std::u16string_view user_name,
                       std::u16string_view password) override {
    const std::u16string user = zero_terminated(user_name);
    const std::u16string secret = zero_terminated(password);
    if (!WinHttpSetCredentials(request_.get(), static_cast<DWORD>(target),
                               WINHTTP_AUTH_SCHEME_BASIC, as_wchar(user), as_wchar(secret),
                               nullptr)) {
      return false;
    }
    return target == CredentialTarget::kProxy ||
           windows::guard_credentials(request_.get(), origin_);
  }

  // No flag that ignores a certificate error is set.
  bool keep_certificate_checks() override {
    return set_request_option(WINHTTP_OPTION_SECURITY_FLAGS, 0);
  }

  bool use_cookie_store(bool on) override {
    return on ? set_request_option(WINHTTP_OPTION_ENABLE_FEATURE, WINHTTP_ENABLE_SSL_REVOCATION)
              : set_request_option(WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_COOKIES);
  }

  bool disable_redirects() override {
    return set_request_option(WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_REDIRECTS);
  }

  bool add_request_headers(std::u16string_view header_block) override {
    const std::u16string block = zero_terminated(header_block);
    // -1 lets the service read up to the zero unit, as it must for an empty block.
    const DWORD length = block.empty() ? DWORD(-1) : static_cast<DWORD>(block.size());
    return WinHttpAddRequestHeaders(request_.get(), as_wchar(block), length,
                                    WINHTTP_ADDREQ_FLAG_ADD) != FALSE;
  }

  // The two calls that wait for the server: the windows keep painting meanwhile.
  bool send_request(std::span<const std::uint8_t> body) override {
    const auto size = static_cast<DWORD>(body.size());
    void* data = body.empty() ? nullptr : const_cast<std::uint8_t*>(body.data());
    return noted(windows::while_repainting([&] {
      return WinHttpSendRequest(request_.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size, size,
                                0) != FALSE;
    }));
  }

  bool receive_response() override {
    return noted(windows::while_repainting(
        [&] { return WinHttpReceiveResponse(request_.get(), nullptr) != FALSE; }));
  }

  std::optional<std::size_t> announced_body_size() override {
    DWORD length = 0;
    DWORD size = sizeof length;
    if (!WinHttpQueryHeaders(
            request_.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
            WINHTTP_HEADER_NAME_BY_INDEX, &length, &size, WINHTTP_NO_HEADER_INDEX)) {
      return std::nullopt;
    }
    return length;
  }

  bool query_data_available(std::size_t& count) override {
    DWORD available = 0;
    if (!noted(WinHttpQueryDataAvailable(request_.get(), &available) != FALSE)) return false;
    count = available;
    return true;
  }

  bool read_data(std::uint8_t* buffer, std::size_t count, std::size_t& read) override {
    DWORD placed = 0;
    if (!noted(WinHttpReadData(request_.get(), buffer, static_cast<DWORD>(count), &placed) !=
               FALSE)) {
      return false;
    }
    read = placed;
    return true;
  }

  std::optional<std::u16string> query_raw_headers() override {
    // The first call only learns the size, in bytes; it fails for lack of room.
    DWORD size = 0;
    DWORD index = 0;
    WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF,
                        WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, &index);
    std::u16string buffer(size / sizeof(char16_t) + 1, u'\0');
    index = 0;
    if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF,
                             WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &size, &index)) {
      return std::nullopt;
    }
    buffer.resize(buffer.find(u'\0'));
    return buffer;
  }

  TransportFailure last_failure() const override {
    switch (last_error_) {
      case 0:
        return TransportFailure::kNone;
      case ERROR_WINHTTP_CANNOT_CONNECT:
        return TransportFailure::kRefused;
      case ERROR_WINHTTP_TIMEOUT:
        return TransportFailure::kTimedOut;
      case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return TransportFailure::kNameNotResolved;
      // The service's one failure for them all; Wine names each check, or the channel.
      case ERROR_WINHTTP_SECURE_FAILURE:
      case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      case ERROR_WINHTTP_SECURE_INVALID_CA:
      case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
      case ERROR_WINHTTP_SECURE_INVALID_CERT:
      case ERROR_WINHTTP_SECURE_CERT_REVOKED:
      case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
        return TransportFailure::kSecureConnection;
      case ERROR_WINHTTP_CONNECTION_ERROR:
      case WSAECONNRESET:
      case WSAECONNABORTED:
        return TransportFailure::kCutOff;
      default:
        return TransportFailure::kOther;
    }
  }

  void close_request() override {
    if (!request_) return;
    windows::release_credential_guard(request_.get());
    request_.reset();
  }
  void close_connection() override { connection_.reset(); }
  void close_session() override {
    session_ = nullptr;
    own_session_.reset();
  }

 private:
  // Keeps the service's error of a call that failed, for last_failure.
  bool noted(bool ok) {
    last_error_ = ok ? 0 : GetLastError();
    return ok;
  }
  bool set_request_option(DWORD option, DWORD value) {
    return WinHttpSetOption(request_.get(), option, &value, sizeof value) != FALSE;
  }

  InternetHandle own_session_;   // where connections are not kept
  HINTERNET session_ = nullptr;  // its own, or the thread's kept one
  InternetHandle connection_;
  InternetHandle request_;
  windows::Origin origin_;  // where the server credentials belong
  DWORD last_error_ = 0;    // of the last call that waited for the server
};

}  // namespace

std::unique_ptr<HttpTransport> make_system_transport() {
  return std::make_unique<WinHttpTransport>();
}

}  // namespace lc::platform
