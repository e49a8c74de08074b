#pragma once
// The submit command's fixed texts, byte for byte in code page 936.

#include "common/text.h"

namespace lc::submit_texts {

// "请输入链接推送接口地址！"
inline constexpr TextView kAddressMissing =
    "\xC7\xEB\xCA\xE4\xC8\xEB\xC1\xB4\xBD\xD3\xCD\xC6\xCB\xCD\xBD\xD3\xBF\xDA\xB5\xD8\xD6\xB7\xA3"
    "\xA1";
// "信息："
inline constexpr TextView kMessageCaption = "\xD0\xC5\xCF\xA2\xA3\xBA";
// "success_batch#引号:" and "remain_batch#引号:", each with the end of its value.
inline constexpr TextView kAcceptedStart = "success_batch#\xD2\xFD\xBA\xC5:";
inline constexpr TextView kAcceptedEnd = ",";
inline constexpr TextView kRemainingStart = "remain_batch#\xD2\xFD\xBA\xC5:";
inline constexpr TextView kRemainingEnd = "}";
// "成功提交：" … "条链接\r\n剩余额度：" … "条\r\n"
inline constexpr TextView kReportAccepted = "\xB3\xC9\xB9\xA6\xCC\xE1\xBD\xBB\xA3\xBA";
inline constexpr TextView kReportRemaining =
    "\xCC\xF5\xC1\xB4\xBD\xD3\r\n\xCA\xA3\xD3\xE0\xB6\xEE\xB6\xC8\xA3\xBA";
inline constexpr TextView kReportEnd = "\xCC\xF5\r\n";

}  // namespace lc::submit_texts
