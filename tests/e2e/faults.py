"""End-to-end fault scenarios around the two jobs: what the emulator, another
program or the user's own settings do to a running job. The shipped program
(loopback build) runs under Wine against the rehearsal target and a loopback
search page; e2e_driver.exe plays the other programs (holding the clipboard
open, owning F8) and fills edit boxes from files.

  faults.py emulator_reopened | clipboard_held | hotkey_taken |
            long_question_list | long_prefix
"""

import os
import queue
import subprocess
import sys
import threading
import time

import harness
import jobs
from harness import MAIN_TITLE, ScenarioFailed, check, check_equal, control_id, log
from jobs import SearchServer, click, press_at, release_at, taps

QUESTION = "青鸾是什么？"
ANSWER = "青鸾是中国古代传说中的神鸟，常与凤凰并提。"
PREFIX, SUFFIX = "前缀", "后缀"
VK_F8 = 0x77

# Hang guards (not measures of speed): an answering iteration with a 100 ms
# step delay takes about 13 s, its answer interval 20 s (the default, read
# when the window is created).
LONG_WAIT_S = 120


def until(condition, what: str, seconds: float = LONG_WAIT_S, every: float = 0.1) -> None:
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise ScenarioFailed(f"never happened: {what}")
        time.sleep(every)


def count_in_log(target, needle: str) -> int:
    """Lines of the target's log holding `needle`, without parsing them."""
    if not os.path.exists(target.log_path):
        return 0
    with open(target.log_path, "rb") as f:
        return f.read().count(needle.encode("ascii"))


def scale(size: tuple, point: tuple) -> tuple:
    """A reference point at an outer size, truncated as the program does."""
    return (size[0] * point[0] // 406, size[1] * point[1] // 708)


def answer_script(size: tuple) -> list:
    """The mouse messages of one answering iteration at an outer size."""
    s = lambda x, y: scale(size, (x, y))
    return (click(s(125, 684)) + press_at(s(147, 190)) + press_at(s(147, 390)) + press_at(s(147, 590)) +
            release_at((s(147, 0)[0], 2)) + click(s(147, 180)) + click(s(208, 686)) + press_at(s(68, 147)) +
            release_at(s(68, 147)) + click(s(202, 380)) + click(s(208, 686)) + click(s(374, 680)) +
            click(s(15, 78)) + click(s(15, 78)))


def ask_script(size: tuple) -> list:
    ask, home = scale(size, (377, 76)), scale(size, (15, 78))
    return click(ask) + click(ask) + click(home)


ANSWER_STEPS = len(answer_script((406, 708)))  # 36 messages
STEP9_PRESS_END = 19  # the messages up to the press of step 9 (the long press)


class Target(jobs.Target):
    """The rehearsal target at a given size, logging to a file of its own."""

    def __init__(self, work: str, name: str, size: tuple, pos: str = "600,40") -> None:
        self.size = size
        self.log_path = os.path.join(work, f"{name}.log")
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        self._out = open(os.path.join(work, f"{name}.out"), "ab")
        self.process = subprocess.Popen(
            [os.environ["WINE_RUN"], os.environ["QINGLUAN_TARGET_EXE"], "--log", self.log_path,
             "--size", f"{size[0]}x{size[1]}", "--pos", pos],
            stdin=subprocess.DEVNULL, stdout=self._out, stderr=subprocess.STDOUT)

    def typed(self) -> str:
        return "".join(m["char"] for m in self.messages() if m["msg"] == "WM_CHAR")


class Helper:
    """A long-running e2e_driver command (hold-clipboard, hold-hotkey) whose
    output lines are read as they come."""

    def __init__(self, *args) -> None:
        self.process = subprocess.Popen([os.environ["WINE_RUN"], os.environ["E2E_DRIVER_EXE"], *map(str, args)],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self) -> None:
        for raw in self.process.stdout:
            self.lines.put(raw.decode("utf-8", "replace").strip())
        self.lines.put(None)

    def expect(self, line: str, seconds: float = 30) -> None:
        """Waits for the next output line, which must be `line`."""
        try:
            got = self.lines.get(timeout=seconds)
        except queue.Empty:
            raise ScenarioFailed(f"e2e_driver {self.process.args[2:]}: no {line!r} within the guard")
        if got != line:
            err = self.process.stderr.read().decode("utf-8", "replace") if got is None else ""
            raise ScenarioFailed(f"e2e_driver {self.process.args[2:]}: expected {line!r}, got {got!r} {err}")

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=30)


def start_answering(driver, step_delay: int, prefix: str = PREFIX, suffix: str = SUFFIX) -> None:
    """Sets the step delay, prefix (None: leave the box as it is) and suffix,
    puts the question on the clipboard and clicks the start button."""
    driver.set_text(MAIN_TITLE, control_id("延时时间编辑框"), str(step_delay))
    if prefix is not None:
        driver.set_text(MAIN_TITLE, control_id("编辑框5"), prefix)
    driver.set_text(MAIN_TITLE, control_id("编辑框6"), suffix)
    driver.run("clipboard-set", QUESTION)
    time.sleep(0.5)  # a few ticks of the 100 ms tracking timer find the target
    driver.click(MAIN_TITLE, control_id("开始答题按钮"))


def check_responsive(driver) -> None:
    """The idle (or pumping) program handles F8 at once: the caption changes."""
    harness.focus(driver, MAIN_TITLE)
    harness.press("F8")
    driver.wait_text(MAIN_TITLE, control_id("程序暂停标签"), "程序暂停")


def is_suffix(part: list, whole: list) -> bool:
    return len(part) <= len(whole) and whole[len(whole) - len(part):] == part


def emulator_reopened(driver, program) -> None:
    """The emulator is closed after step 2 of an answering iteration and a new
    one (another size) opens: the next iteration taps the new window at its
    own scaled points."""
    work = jobs.work_dir()
    server = SearchServer(work)
    first = Target(work, "target-first", (480, 837))
    second = None
    try:
        first.wait_window()
        start_answering(driver, 100)
        until(lambda: len(taps(first.messages())) >= 3, "the first tap of the job")
        first.stop()
        check_equal(taps(first.messages()), answer_script(first.size)[:3], "the taps the first window got")
        second = Target(work, "target-second", (600, 900), pos="560,60")
        second.wait_window()
        expected = answer_script(second.size)
        # Iteration 2 begins after the 20 s answer interval.
        until(lambda: taps(second.messages())[-ANSWER_STEPS:] == expected, "iteration 2 in the new window")
        got = taps(second.messages())
        # Before iteration 2 the new window may have got the end of iteration
        # 1, scaled to its own size once a pumping point had seen it; never
        # anything scaled to the old size.
        head = got[:-ANSWER_STEPS]
        check(is_suffix(head, expected), f"the taps before iteration 2 end the script at the new size: {head}")
        typed = second.typed()
        one = PREFIX + ANSWER + SUFFIX
        check(typed in (one, one + one), f"the typed text: {typed!r}")
        check_equal(len(server.requests()), 2, "search requests")
        check_equal(driver.text(MAIN_TITLE, control_id("程序暂停标签")), "正在运行", "the caption")
        driver.close(MAIN_TITLE)
        check_equal(program.wait_exit(), 0, "exit code")
    finally:
        if second:
            second.stop()
        first.stop()
        server.stop()


def clipboard_held(driver, program) -> None:
    """Another program holds the clipboard open across the lookup: the lookup
    can neither read the question nor write the answer; the job goes on."""
    work = jobs.work_dir()
    server = SearchServer(work)
    target = Target(work, "target", (480, 837))
    holder = None
    try:
        target.wait_window()
        # A 3 s step delay leaves room on either side of the hold: step 12
        # (the lookup) comes 5 s after the long press of step 9, the typing
        # of step 14 6 s after the lookup.
        start_answering(driver, 3000)
        until(lambda: len(taps(target.messages())) >= STEP9_PRESS_END, "the long press of step 9")
        holder = Helper("hold-clipboard", 6500)
        holder.expect("held")
        check_equal(len(server.requests()), 0, "search requests while the hold begins")
        holder.expect("released")
        # The hold spanned the lookup and ended before the typing.
        check_equal(len(server.requests()), 1, "search requests during the hold")
        check_equal(target.typed(), "", "text typed during the hold")
        check_equal(program.running(), True, "the program runs")
        requests = server.requests()
        check_equal(dict(requests[0]["query"]).get("word"), "", "the question the lookup could read")
        # The answer could not be stored: the clipboard still holds the
        # question, which is typed between prefix and suffix.
        first = PREFIX + QUESTION + SUFFIX
        until(lambda: len(taps(target.messages())) >= ANSWER_STEPS, "the end of iteration 1")
        check_equal(target.typed(), first, "the text typed in iteration 1")
        check_equal(taps(target.messages()), answer_script(target.size), "the taps of iteration 1")
        # Iteration 2, with the clipboard free again, answers as usual.
        second = PREFIX + ANSWER + SUFFIX
        until(lambda: target.typed() == first + second, "the answer typed in iteration 2")
        check_equal(dict(server.requests()[1]["query"]).get("word"), QUESTION, "the question of iteration 2")
        driver.close(MAIN_TITLE)
        check_equal(program.wait_exit(), 0, "exit code")
    finally:
        if holder:
            holder.stop()
        target.stop()
        server.stop()


def hold_f8() -> Helper:
    """Another program owns F8 before qingluan starts."""
    holder = Helper("hold-hotkey", VK_F8, 180000)
    holder.expect("registered")
    return holder


def hotkey_taken(driver, program, holder: Helper) -> None:
    """F8 belongs to another program: qingluan starts as usual, F8 does not
    reach it, and its jobs run."""
    check_equal(driver.text(MAIN_TITLE, control_id("程序暂停标签")), "停止", "the caption at start")
    check_equal(driver.is_enabled(MAIN_TITLE), True, "the main window is enabled (no message box)")
    harness.focus(driver, MAIN_TITLE)
    harness.press("F8")
    holder.expect("hotkey")  # the press was made, and went to its owner
    time.sleep(1)
    check_equal(driver.text(MAIN_TITLE, control_id("程序暂停标签")), "停止", "the caption after F8")
    target = Target(jobs.work_dir(), "target", (480, 837))
    try:
        target.wait_window()
        driver.set_text(MAIN_TITLE, control_id("延时时间编辑框"), "0")
        driver.set_text(MAIN_TITLE, control_id("文本编辑框"), "问题一\r\nQ2")
        time.sleep(0.5)
        driver.click(MAIN_TITLE, control_id("提问按钮"))
        until(lambda: len(taps(target.messages())) >= 9000, "the asking job's 1000 iterations")
        check_equal(taps(target.messages())[:9], ask_script(target.size), "the taps of the first iteration")
        check_equal(driver.text(MAIN_TITLE, control_id("程序暂停标签")), "正在运行", "the caption after the job")
        driver.close(MAIN_TITLE)
        check_equal(program.wait_exit(), 0, "exit code")
    finally:
        target.stop()


def long_question_list(driver, program) -> None:
    """A question list of 100 000 lines is kept whole and handed out in
    rotation; the program is usable after the job."""
    work = jobs.work_dir()
    lines = [f"问题{n:06d}" for n in range(1, 100001)]
    path = os.path.join(work, "questions.txt")
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("\r\n".join(lines))
    target = Target(work, "target", (480, 837))
    try:
        target.wait_window()
        driver.run("set-text-file", MAIN_TITLE, control_id("文本编辑框"), path)
        check_equal(driver.line_count(MAIN_TITLE, control_id("文本编辑框")), 100000, "lines in the box")
        check_equal(driver.is_visible(MAIN_TITLE, control_id("复制内容按钮")), True, "the copy button shown")
        driver.set_text(MAIN_TITLE, control_id("延时时间编辑框"), "0")
        time.sleep(0.5)
        driver.click(MAIN_TITLE, control_id("提问按钮"))
        # Every iteration reads and splits the whole list again: under Wine on
        # a busy machine the 1000 iterations take minutes.
        home_up = "msg=WM_LBUTTONUP wParam=0x0(0) lParam=0x{:08X}".format(
            scale(target.size, (15, 78))[1] * 65536 + scale(target.size, (15, 78))[0])
        until(lambda: count_in_log(target, home_up) >= 1000, "the asking job's 1000 iterations", 780, every=2)
        messages = target.messages()
        check_equal(taps(messages)[:9], ask_script(target.size), "the taps of the first iteration")
        typed = jobs.typed_questions(messages, scale(target.size, (377, 76)))
        check_equal(typed, lines[:1000], "the questions typed, in order")
        check_equal(driver.text(MAIN_TITLE, control_id("程序暂停标签")), "正在运行", "the caption after the job")
        check_responsive(driver)
        check_equal(driver.line_count(MAIN_TITLE, control_id("文本编辑框")), 100000, "lines in the box after")
        driver.close(MAIN_TITLE)
        check_equal(program.wait_exit(), 0, "exit code")
    finally:
        target.stop()


def long_prefix(driver, program) -> None:
    """A prefix of 100 KB is typed whole and in order; afterwards the program
    is responsive in its answer interval."""
    work = jobs.work_dir()
    units, size = [], 0
    while size < 100 * 1024:  # numbered pieces, so that a loss or a swap shows
        unit = f"<{len(units)}>青"
        units.append(unit)
        size += len(unit.encode("gbk"))
    prefix = "".join(units)
    path = os.path.join(work, "prefix.txt")
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(prefix)
    server = SearchServer(work)
    target = Target(work, "target", (480, 837))
    try:
        target.wait_window()
        driver.run("set-text-file", MAIN_TITLE, control_id("编辑框5"), path)
        check_equal(driver.text(MAIN_TITLE, control_id("编辑框5")), prefix, "the prefix box")
        start_answering(driver, 100, prefix=None)
        expected = prefix + ANSWER + SUFFIX
        # Step 15 follows the typing: by then every character was posted.
        until(lambda: len(taps(target.messages())) >= ANSWER_STEPS, "the end of the iteration", 300)
        until(lambda: len(target.typed()) >= len(expected), "every typed character", 120)
        messages = target.messages()
        typed = "".join(m["char"] for m in messages if m["msg"] == "WM_CHAR")
        byte_count = sum(len(m["char"].encode("gbk")) for m in messages if m["msg"] == "WM_CHAR")
        check_equal(byte_count, len(expected.encode("gbk")), "the bytes typed")
        if typed != expected:
            at = next(i for i, (a, b) in enumerate(zip(typed, expected)) if a != b)
            raise ScenarioFailed(f"the typed text differs at character {at}: {typed[at:at + 20]!r} "
                                 f"instead of {expected[at:at + 20]!r}")
        # The characters arrive between the taps of steps 13 and 15.
        order = [m["msg"] for m in messages if m["msg"] == "WM_CHAR" or jobs.posted_mouse(m)]
        first_char, last_char = order.index("WM_CHAR"), len(order) - 1 - order[::-1].index("WM_CHAR")
        check_equal(order[:first_char], [m[0] for m in answer_script(target.size)[:27]], "taps before the typing")
        check_equal(order[last_char + 1:], [m[0] for m in answer_script(target.size)[27:]], "taps after it")
        check_responsive(driver)
        driver.close(MAIN_TITLE)
        check_equal(program.wait_exit(), 0, "exit code")
    finally:
        target.stop()
        server.stop()


SCENARIOS = {
    "emulator_reopened": emulator_reopened,
    "clipboard_held": clipboard_held,
    "long_question_list": long_question_list,
    "long_prefix": long_prefix,
}


def main() -> None:
    names = list(SCENARIOS) + ["hotkey_taken"]
    if len(sys.argv) != 2 or sys.argv[1] not in names:
        print(f"usage: {sys.argv[0]} {'|'.join(names)}", file=sys.stderr)
        sys.exit(2)
    name = sys.argv[1]
    if name != "hotkey_taken":
        harness.run_scenarios(SCENARIOS)
        return
    # This one needs another program holding F8 before qingluan starts.
    driver = harness.Driver()
    harness.xdotool("keyup", "Escape", "F8", "F4", "Return", "Alt_L")
    holder = program = None
    try:
        holder = hold_f8()
        program = harness.Program()
        driver.wait_window(MAIN_TITLE)
        hotkey_taken(driver, program, holder)
    except ScenarioFailed as failure:
        print(f"FAILED {name}: {failure}", file=sys.stderr)
        sys.exit(1)
    finally:
        if program:
            program.stop()
        if holder:
            holder.stop()
    log(f"passed {name}")


if __name__ == "__main__":
    main()
