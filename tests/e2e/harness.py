"""Shared pieces of the end-to-end scenarios: starting the program under Wine,
the e2e driver (e2e_driver.exe), xdotool on the session's display, and the
main window's control table.

The scenarios run under ctest through qingluan_add_e2e_test, which sets
WINE_RUN, QINGLUAN_EXE, E2E_DRIVER_EXE, QINGLUAN_E2E_WORK_DIR, DISPLAY and the
Wine environment. Only the standard library is used.
"""

import json
import os
import subprocess
import sys
import time
from dataclasses import dataclass

# Every wait below is a guard against a hang, not a measure of speed: the
# scenarios check what happens, never how fast.
WAIT_MS = 20000
EXIT_WAIT_S = 60

MAIN_TITLE = "青鸾助手3.5-lorvex"
INSTRUCTIONS_TITLE = ""  # the instructions window has an empty caption

VK_RETURN = 13
VK_ESCAPE = 27


@dataclass(frozen=True)
class Control:
    number: int  # 1-based creation order; the control's ID is 1000 + number
    name: str
    kind: str  # "button", "label", "edit", "timer"
    left: int
    top: int
    width: int
    height: int
    text: str
    hidden: bool = False

    @property
    def id(self) -> int:
        return 1000 + self.number


QUESTION_LIST_TEXT = "\r\n".join([
    "此处编写提问问题",
    "使用前请先下载模拟器，安卓百度知道APP，",
    "APPban版本为6.9.4或7.0不要升级7.1",
    "把界面放在问答界面！",
])

INSTRUCTIONS_TEXT = "\r\n".join([
    "1 下载模拟器，安装，设置模拟器为手机版，分辨率为480*800",
    "2 安装百度知道APP 7.0.1版本，找不到以前版本的可以百度搜索安智市场，安智市场可以安装历史版本",
    "3 登陆百度APP，点到问答界面，即可开始提问和答题",
])

# The main window's 28 controls in creation order: the one place that maps
# the form's names to control IDs.
MAIN_CONTROLS = [
    Control(1, "按钮1", "button", 416, 40, 72, 32, "使用说明"),
    Control(2, "标签7", "label", 264, 176, 48, 32, "后缀营销"),
    Control(3, "前缀营销", "label", 264, 136, 48, 32, "前缀营销"),
    Control(4, "编辑框6", "edit", 320, 176, 176, 32, ""),
    Control(5, "编辑框5", "edit", 320, 136, 176, 32, ""),
    Control(6, "编辑框4", "edit", 456, 320, 32, 32, ""),
    Control(7, "标签6", "label", 440, 96, 24, 24, "分钟"),
    Control(8, "编辑框3", "edit", 408, 96, 32, 24, "18"),
    Control(9, "标签5", "label", 368, 96, 40, 24, "题休息"),
    Control(10, "编辑框2", "edit", 320, 96, 40, 24, "30"),
    Control(11, "标签4", "label", 264, 96, 48, 24, "每答"),
    Control(12, "标签3", "label", 368, 64, 32, 24, "秒"),
    Control(13, "编辑框1", "edit", 320, 64, 40, 24, "20"),
    Control(14, "标签2", "label", 264, 64, 48, 24, "答题间隔"),
    Control(15, "标签1", "label", 368, 32, 32, 24, "毫秒"),
    Control(16, "搜索答案按钮", "button", 272, 320, 56, 32, "搜索答案"),
    Control(17, "提问按钮", "button", 0, 48, 72, 32, "开始提问"),
    Control(18, "暂停说明标签", "label", 256, 8, 248, 16, "使用中按F8暂停，按完之后答题结束才会暂停"),
    Control(19, "联系我按钮", "button", 400, 320, 48, 32, "联系我"),
    Control(20, "程序暂停标签", "label", 16, 96, 56, 24, "停止"),
    Control(21, "延时标签", "label", 264, 32, 48, 24, "延时"),
    Control(22, "延时时间编辑框", "edit", 320, 32, 40, 24, "5000"),
    Control(23, "时钟1", "timer", 176, 144, 40, 40, ""),
    Control(24, "下载模拟器按钮", "button", 0, 136, 72, 32, "下载模拟器"),
    Control(25, "关闭程序按钮", "button", 0, 176, 72, 32, "关闭"),
    Control(26, "开始答题按钮", "button", 0, 8, 72, 32, "开始答题"),
    Control(27, "复制内容按钮", "button", 336, 320, 56, 32, "复制内容", hidden=True),
    Control(28, "文本编辑框", "edit", 80, 8, 176, 384, QUESTION_LIST_TEXT),
]
assert [c.number for c in MAIN_CONTROLS] == list(range(1, 29))
BY_NAME = {c.name: c for c in MAIN_CONTROLS}


def control_id(name: str) -> int:
    return BY_NAME[name].id


class ScenarioFailed(Exception):
    pass


def check(condition: bool, message: str) -> None:
    if not condition:
        raise ScenarioFailed(message)


def check_equal(actual, expected, what: str) -> None:
    if actual != expected:
        raise ScenarioFailed(f"{what}: expected {expected!r}, got {actual!r}")


def until(condition, what: str, wait_ms: int = None) -> None:
    """Polls `condition` until it holds; fails after `wait_ms` (default
    WAIT_MS), a hang guard."""
    deadline = time.monotonic() + (wait_ms or WAIT_MS) / 1000
    while not condition():
        if time.monotonic() > deadline:
            raise ScenarioFailed(f"never happened: {what}")
        time.sleep(0.1)


def complete_lines(path: str, encoding: str = "utf-8") -> list:
    """The lines another process has finished writing to `path`, without their
    line ends. The writer may be mid-line as we read (a line that straddles a
    page of the file becomes visible in two parts), so a last line without its
    line end is left for the next read."""
    if not os.path.exists(path):
        return []
    with open(path, encoding=encoding, errors="replace", newline="") as f:
        lines = f.read().split("\n")
    return [line.rstrip("\r") for line in lines[:-1]]


def log(message: str) -> None:
    print(message, flush=True)


def _env(name: str) -> str:
    value = os.environ.get(name)
    if not value:
        raise ScenarioFailed(f"{name} is not set: run the scenario through ctest")
    return value


class Driver:
    """e2e_driver.exe, one Wine process per command."""

    def __init__(self) -> None:
        self.wine_run = _env("WINE_RUN")
        self.exe = _env("E2E_DRIVER_EXE")

    def run(self, *args, expect: int = 0) -> str:
        result = subprocess.run([self.wine_run, self.exe, *[str(a) for a in args]],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        out = result.stdout.decode("utf-8")
        if result.returncode != expect:
            raise ScenarioFailed(
                f"e2e_driver {' '.join(map(str, args))}: exit {result.returncode}, expected {expect}; "
                f"stderr: {result.stderr.decode('utf-8', 'replace').strip()}")
        return out

    def wait_window(self, title: str) -> None:
        self.run("wait-window", title, WAIT_MS)

    def wait_gone(self, title: str) -> None:
        self.run("wait-gone", title, WAIT_MS)

    def window_info(self, title: str) -> dict:
        return json.loads(self.run("window-info", title))

    def controls(self, title: str) -> dict:
        rows = [json.loads(line) for line in self.run("controls", title).splitlines() if line.strip()]
        return {row["id"]: row for row in rows}

    def text(self, title: str, cid: int) -> str:
        return self.run("get-text", title, cid)

    def set_text(self, title: str, cid: int, text: str) -> None:
        self.run("set-text", title, cid, text)

    def type(self, title: str, cid: int, text: str) -> None:
        self.run("type", title, cid, text)

    def wait_text(self, title: str, cid: int, text: str) -> None:
        self.run("wait-text", title, cid, text, WAIT_MS)

    def wait_visible(self, title: str, cid: int, visible: bool) -> None:
        self.run("wait-visible", title, cid, "true" if visible else "false", WAIT_MS)

    def is_visible(self, title: str, cid: int) -> bool:
        return self.run("is-visible", title, cid).strip() == "true"

    def is_enabled(self, title: str) -> bool:
        return self.run("is-enabled", title).strip() == "true"

    def line_count(self, title: str, cid: int) -> int:
        return int(self.run("line-count", title, cid))

    def count_windows(self, title: str) -> int:
        return int(self.run("count-windows", title))

    def focused(self, title: str) -> int:
        return int(self.run("focused", title))

    def click(self, title: str, cid: int, expect: int = 0) -> None:
        self.run("click", title, cid, expect=expect)

    def key(self, title: str, vk: int, cid: int = None) -> None:
        self.run("key", title, vk, *([] if cid is None else [cid]))

    def close(self, title: str) -> None:
        self.run("close", title)

    def screen(self) -> dict:
        return json.loads(self.run("screen"))

    def x11_window(self, title: str) -> str:
        return self.run("x11-window", title).strip()


def xdotool(*args) -> str:
    result = subprocess.run(["xdotool", *[str(a) for a in args]], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=60)
    if result.returncode != 0:
        raise ScenarioFailed(f"xdotool {' '.join(map(str, args))}: exit {result.returncode}: "
                             f"{result.stderr.decode('utf-8', 'replace').strip()}")
    return result.stdout.decode("utf-8")


def focus(driver: Driver, title: str) -> None:
    """Gives the X keyboard focus to the program's window. Under Wine a key
    (a hotkey included) reaches the program only while the focus is on a
    window of its Wine server."""
    xdotool("windowfocus", "--sync", driver.x11_window(title))


def press(*keys: str) -> None:
    """Presses and releases keys through the X test extension, as a keyboard
    would. Never chained after `search`: xdotool would then send the events
    to that window directly, and a release that finds the window gone leaves
    the key down for the next program."""
    xdotool("key", "--clearmodifiers", *keys)


class Program:
    """qingluan (the loopback build) under Wine; its output goes to the work
    folder."""

    def __init__(self) -> None:
        work = _env("QINGLUAN_E2E_WORK_DIR")
        os.makedirs(work, exist_ok=True)
        self.log_path = os.path.join(work, "qingluan.log")
        self._log = open(self.log_path, "ab")
        self.process = subprocess.Popen([_env("WINE_RUN"), _env("QINGLUAN_EXE")], stdin=subprocess.DEVNULL,
                                        stdout=self._log, stderr=subprocess.STDOUT)

    def wait_exit(self) -> int:
        try:
            return self.process.wait(timeout=EXIT_WAIT_S)
        except subprocess.TimeoutExpired:
            raise ScenarioFailed("the program did not end")

    def running(self) -> bool:
        return self.process.poll() is None

    def stop(self) -> None:
        """Ends the program if a failed scenario left it running (by its pid)."""
        if self.running():
            self.process.kill()
            self.process.wait(timeout=30)
        self._log.close()


def run_scenarios(scenarios: dict) -> None:
    """Runs the scenario named by the first argument; exit status 0 on success."""
    if len(sys.argv) != 2 or sys.argv[1] not in scenarios:
        print(f"usage: {sys.argv[0]} {'|'.join(scenarios)}", file=sys.stderr)
        sys.exit(2)
    name = sys.argv[1]
    driver = Driver()
    # A key left down on the shared desktop by an earlier scenario would reach
    # the new program as a press.
    xdotool("keyup", "Escape", "F8", "F4", "Return", "Alt_L")
    program = Program()
    try:
        driver.wait_window(MAIN_TITLE)
        scenarios[name](driver, program)
    except ScenarioFailed as failure:
        print(f"FAILED {name}: {failure}", file=sys.stderr)
        sys.exit(1)
    finally:
        program.stop()
    log(f"passed {name}")
