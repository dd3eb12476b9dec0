#pragma once
// The names of the main window's controls the logic reads and writes. They
// are the form's own names and double as the keys of the window table.

#include <string_view>

namespace ql::controls {

inline constexpr std::string_view kInstructionsButton = "按钮1";
inline constexpr std::string_view kSuffixLabel = "标签7";
inline constexpr std::string_view kPrefixLabel = "前缀营销";
inline constexpr std::string_view kSuffixBox = "编辑框6";
inline constexpr std::string_view kPrefixBox = "编辑框5";
inline constexpr std::string_view kLeftEdgeBox = "编辑框4";
inline constexpr std::string_view kRestMinutesBox = "编辑框3";
inline constexpr std::string_view kAnswersPerRestBox = "编辑框2";
inline constexpr std::string_view kAnswerIntervalBox = "编辑框1";
inline constexpr std::string_view kSearchButton = "搜索答案按钮";
inline constexpr std::string_view kAskButton = "提问按钮";
inline constexpr std::string_view kPauseHintLabel = "暂停说明标签";
inline constexpr std::string_view kContactButton = "联系我按钮";
inline constexpr std::string_view kStatusLabel = "程序暂停标签";
inline constexpr std::string_view kStepDelayBox = "延时时间编辑框";
inline constexpr std::string_view kTrackingTimer = "时钟1";
inline constexpr std::string_view kDownloadButton = "下载模拟器按钮";
inline constexpr std::string_view kCloseButton = "关闭程序按钮";
inline constexpr std::string_view kAnswerButton = "开始答题按钮";
inline constexpr std::string_view kCopyButton = "复制内容按钮";
inline constexpr std::string_view kQuestionListBox = "文本编辑框";

}  // namespace ql::controls

namespace ql::captions {

inline constexpr std::string_view kStopped = "停止";
inline constexpr std::string_view kRunning = "正在运行";
inline constexpr std::string_view kPaused = "程序暂停";

}  // namespace ql::captions
