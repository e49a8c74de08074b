#pragma once
// The HTTP client's fixed texts, byte for byte in code page 936.

#include "common/text.h"

namespace lc::http_messages {

// Response header lines as the client reads them: a Set-Cookie line by its name, a Location line
// by its upper-cased start.
inline constexpr TextView kHeaderNameEnd = ": ";
inline constexpr TextView kSetCookieName = "Set-Cookie";
inline constexpr TextView kSetCookiePrefix = "Set-Cookie:";
inline constexpr TextView kLocationPrefix = "LOCATION: ";

// "700 当前系统不支持WinHttp服务!"
inline constexpr TextView kNoTransport =
    "700 \xB5\xB1\xC7\xB0\xCF\xB5\xCD\xB3\xB2\xBB\xD6\xA7\xB3\xD6WinHttp\xB7\xFE\xCE\xF1!";
// "701 解析URL地址失败!"
inline constexpr TextView kBadUrl = "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";
// "702 创建WinHttp会话失败!"
inline constexpr TextView kNoSession =
    "702 \xB4\xB4\xBD\xA8WinHttp\xBB\xE1\xBB\xB0\xCA\xA7\xB0\xDC!";
// "703 创建WinHttp连接失败!"
inline constexpr TextView kNoConnection =
    "703 \xB4\xB4\xBD\xA8WinHttp\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC!";
// "704 创建WinHttp请求失败!"
inline constexpr TextView kNoRequest =
    "704 \xB4\xB4\xBD\xA8WinHttp\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
// "705 设置超时时间失败!"
inline constexpr TextView kTimeoutsRefused =
    "705 \xC9\xE8\xD6\xC3\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xCA\xA7\xB0\xDC!";
// "707 设置代理凭证失败!" (for server credentials too)
inline constexpr TextView kCredentialsRefused =
    "707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!";
// "忽略错误/证书错误  失败！" (no number; two spaces; a full-width exclamation mark)
inline constexpr TextView kCertificateOptionRefused =
    "\xBA\xF6\xC2\xD4\xB4\xED\xCE\xF3/\xD6\xA4\xCA\xE9\xB4\xED\xCE\xF3  \xCA\xA7\xB0\xDC\xA3\xA1";
// "708 禁止自动设置Cookies失败!"
inline constexpr TextView kCookieOptionRefused =
    "708 \xBD\xFB\xD6\xB9\xD7\xD4\xB6\xAF\xC9\xE8\xD6\xC3"
    "Cookies\xCA\xA7\xB0\xDC!";
// "709 重定向设置失败!"
inline constexpr TextView kRedirectOptionRefused =
    "709 \xD6\xD8\xB6\xA8\xCF\xF2\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC!";
// "710 设置协议头失败!"
inline constexpr TextView kHeadersRefused =
    "710 \xC9\xE8\xD6\xC3\xD0\xAD\xD2\xE9\xCD\xB7\xCA\xA7\xB0\xDC!";
// "711 发送请求失败!"
inline constexpr TextView kSendFailed = "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
// "712 服务器未响应!"
inline constexpr TextView kNoResponse = "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!";
// "713 读取数据失败!"
inline constexpr TextView kReadFailed = "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!";

}  // namespace lc::http_messages
