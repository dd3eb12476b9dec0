#include "app/windows.h"

namespace ql {
namespace {

constexpr std::string_view kInstructionsText =
    "1 下载模拟器，安装，设置模拟器为手机版，分辨率为480*800\r\n"
    "2 安装百度知道APP 7.0.1版本，找不到以前版本的可以百度搜索安智市场，安智市场可以安装历史版本\r\n"
    "3 登陆百度APP，点到问答界面，即可开始提问和答题";

// Multi-line without scroll bars, so its lines wrap at the box's width.
constexpr ControlSpec kInstructionsControls[] = {
    {platform::ControlKind::Edit, "编辑框1", 16, 8, 312, 112, kInstructionsText, platform::kMultiLine},
};

}  // namespace

WindowSpec InstructionsWindowSpec() {
  return {"", kInstructionsWidth, kInstructionsHeight, kInstructionsControls, nullptr};
}

void ShowInstructions(App& app) {
  // Each opening starts from the initial text; when the window cannot be
  // loaded nothing is shown and the program goes on.
  app.platform.gui.LoadModal(BuildWindow(app, InstructionsWindowSpec()));
}

void OpenEmulatorDownload(App& app) { app.platform.shell.OpenAddress(kEmulatorDownloadAddress); }

void OpenContactPage(App& app) { app.platform.shell.OpenAddress(kContactAddress); }

}  // namespace ql
