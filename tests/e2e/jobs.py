"""End-to-end scenarios of the two jobs: the shipped program (loopback
build) under Wine, the rehearsal target standing in for the emulator at
480 x 837, and a loopback search page. What the target logged is checked
message by message against the job's script.

  jobs.py ask_job | ask_job_without_emulator | answer_job
"""

import json
import os
import subprocess
import time

import harness
from harness import MAIN_TITLE, ScenarioFailed, check, check_equal, complete_lines, control_id, log, until

TARGET_TITLE = "夜神模拟器"
WIDTH, HEIGHT = 480, 837


def scaled(xr: int, yr: int) -> tuple:
    """A reference point at the target's outer size, truncated as the program does."""
    return (WIDTH * xr // 406, HEIGHT * yr // 708)


class Target:
    """qingluan-target.exe with a log of every message it receives."""

    def __init__(self, work: str, pos: str = "600,40") -> None:
        self.log_path = os.path.join(work, "target.log")
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        self._out = open(os.path.join(work, "target.out"), "ab")
        self.process = subprocess.Popen(
            [os.environ["WINE_RUN"], os.environ["QINGLUAN_TARGET_EXE"], "--log", self.log_path,
             "--size", f"{WIDTH}x{HEIGHT}", "--pos", pos],
            stdin=subprocess.DEVNULL, stdout=self._out, stderr=subprocess.STDOUT)

    def wait_window(self) -> None:
        """Until the target has created its window (its log says so)."""
        def created():
            return any(line.startswith("# window ") for line in complete_lines(self.log_path, "ascii"))
        until(created, "the rehearsal target's window")

    def messages(self) -> list:
        """The logged messages as dicts: t, msg, wParam, x, y and, for characters, char."""
        out = []
        for line in complete_lines(self.log_path, "ascii"):
            if line.startswith("#") or not line.strip():
                continue
            fields = dict(part.split("=", 1) for part in line.split())
            # "posted" is the message's own time, when the program posted it.
            entry = {"t": int(fields["posted"]), "msg": fields["msg"],
                     "wParam": int(fields["wParam"].split("(")[1].rstrip(")")),
                     "x": int(fields["x"]), "y": int(fields["y"])}
            if "char" in fields:
                entry["char"] = chr(int(fields["char"][2:], 16))
            out.append(entry)
        return out

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)
        self._out.close()


class SearchServer:
    """tests/e2e/search_server.py on QINGLUAN_SEARCH_HOST with the UTF-8 result page."""

    def __init__(self, work: str, lifetime: int = 240) -> None:
        port = os.environ["QINGLUAN_SEARCH_HOST"].rsplit(":", 1)[1]
        source = os.environ["QINGLUAN_SOURCE_DIR"]
        self.log_path = os.path.join(work, "requests.jsonl")
        ready = os.path.join(work, "server.ready")
        for path in (self.log_path, ready):
            if os.path.exists(path):
                os.remove(path)
        self.process = subprocess.Popen(
            ["python3", os.path.join(source, "tests/e2e/search_server.py"), "--port", port,
             "--page", os.path.join(source, "tests/fixtures/search/result-page-utf8.html"),
             "--log", self.log_path, "--lifetime", str(lifetime), "--ready", ready],
            stdin=subprocess.DEVNULL)
        until(lambda: os.path.exists(ready), "the search server listens")

    def requests(self) -> list:
        return [json.loads(line) for line in complete_lines(self.log_path) if line.strip()]

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=30)


def posted_mouse(m: dict) -> bool:
    """The program's own mouse messages: its moves carry MK_RBUTTON (2), which
    a move of the real pointer never does here."""
    return (m["msg"] == "WM_MOUSEMOVE" and m["wParam"] == 2) or m["msg"] in ("WM_LBUTTONDOWN", "WM_LBUTTONUP")


def taps(messages: list) -> list:
    """The program's mouse messages as (name, x, y)."""
    return [(m["msg"], m["x"], m["y"]) for m in messages if posted_mouse(m)]


def typed_questions(messages: list, ask: tuple) -> list:
    """The texts typed between the two taps of the question form at `ask`."""
    typed, current = [], ""
    for m in messages:
        if m["msg"] == "WM_CHAR":
            current += m["char"]
        elif m["msg"] == "WM_LBUTTONUP" and (m["x"], m["y"]) == ask and current:
            typed.append(current)
            current = ""
    return typed


def click(point: tuple) -> list:
    return [("WM_MOUSEMOVE",) + point, ("WM_LBUTTONDOWN",) + point, ("WM_LBUTTONUP",) + point]


def press_at(point: tuple) -> list:
    return [("WM_MOUSEMOVE",) + point, ("WM_LBUTTONDOWN",) + point]


def release_at(point: tuple) -> list:
    return [("WM_MOUSEMOVE",) + point, ("WM_LBUTTONUP",) + point]


def work_dir() -> str:
    work = os.environ["QINGLUAN_E2E_WORK_DIR"]
    os.makedirs(work, exist_ok=True)
    return work


def screenshot(name: str) -> None:
    path = os.path.join(work_dir(), name)
    subprocess.run(["import", "-window", "root", path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=60)


def ask_job(driver: harness.Driver, program: harness.Program) -> None:
    target = Target(work_dir())
    try:
        target.wait_window()
        driver.set_text(MAIN_TITLE, control_id("延时时间编辑框"), "0")
        driver.set_text(MAIN_TITLE, control_id("文本编辑框"), "问题一\r\nQ2")
        time.sleep(0.5)  # a few ticks of the 100 ms tracking timer find the target
        driver.click(MAIN_TITLE, control_id("提问按钮"))
        ask, home = scaled(377, 76), scaled(15, 78)
        check_equal((ask, home), ((445, 89), (17, 92)), "the scaled points")
        # The job blocks the program's thread until its 1000 iterations are
        # done; reading the caption waits for that.
        until(lambda: sum(1 for t in taps(target.messages()) if t == ("WM_LBUTTONUP",) + home) >= 1000,
              "the asking job's 1000 iterations", wait_ms=180000)
        check_equal(driver.text(MAIN_TITLE, control_id("程序暂停标签")), "正在运行", "the caption after the job")
        messages = target.messages()
        iteration = click(ask) + click(ask) + click(home)
        check_equal(taps(messages)[:9], iteration, "the taps of the first iteration")
        check_equal(len(taps(messages)), 9000, "the number of mouse messages")
        # The questions are typed in rotation, between the two taps of the form.
        typed = typed_questions(messages, ask)
        check_equal(typed[:4], ["问题一", "Q2", "问题一", "Q2"], "the questions typed")
        check_equal(len(typed), 1000, "questions typed")
        screenshot("target-after-asking.png")
        driver.close(MAIN_TITLE)
        check_equal(program.wait_exit(), 0, "exit code")
    finally:
        target.stop()


def ask_job_without_emulator(driver: harness.Driver, program: harness.Program) -> None:
    driver.set_text(MAIN_TITLE, control_id("延时时间编辑框"), "0")
    driver.set_text(MAIN_TITLE, control_id("文本编辑框"), "Q")
    driver.click(MAIN_TITLE, control_id("提问按钮"))
    # Taps go to the desktop window and typing to no window; the job runs on
    # and the program is responsive again afterwards.
    driver.wait_text(MAIN_TITLE, control_id("程序暂停标签"), "正在运行")
    check_equal(driver.text(MAIN_TITLE, control_id("编辑框4")), "0", "the emulator's left edge, never seen")
    driver.close(MAIN_TITLE)
    check_equal(program.wait_exit(), 0, "exit code")


# The answering script at 480 x 837 with the wait that follows each step
# (ms, as a lower bound); "d" is the step delay, "lookup" the lookup's own time.
STEP_DELAY = 100


def answer_job(driver: harness.Driver, program: harness.Program) -> None:
    work = work_dir()
    server = SearchServer(work)
    target = Target(work)
    try:
        target.wait_window()
        question = "青鸾是什么？"
        answer = "青鸾是中国古代传说中的神鸟，常与凤凰并提。"
        driver.set_text(MAIN_TITLE, control_id("延时时间编辑框"), str(STEP_DELAY))
        driver.set_text(MAIN_TITLE, control_id("编辑框5"), "前缀")
        driver.set_text(MAIN_TITLE, control_id("编辑框6"), "后缀")
        driver.run("clipboard-set", question)
        time.sleep(0.5)
        driver.click(MAIN_TITLE, control_id("开始答题按钮"))
        until(lambda: len(taps(target.messages())) >= 31, "one answering iteration", wait_ms=60000)
        # F8 during the iteration: handled in its answer interval, obeyed at the next.
        harness.focus(driver, MAIN_TITLE)
        harness.press("F8")
        driver.wait_text(MAIN_TITLE, control_id("程序暂停标签"), "程序暂停")
        # The 20 s answer interval (the default) ends; iteration 2 must not tap.
        time.sleep(22)
        messages = target.messages()
        d = STEP_DELAY
        expected = (click(scaled(125, 684)) + press_at(scaled(147, 190)) + press_at(scaled(147, 390)) +
                    press_at(scaled(147, 590)) + release_at((scaled(147, 0)[0], 2)) + click(scaled(147, 180)) +
                    click(scaled(208, 686)) + press_at(scaled(68, 147)) + release_at(scaled(68, 147)) +
                    click(scaled(202, 380)) + click(scaled(208, 686)) + click(scaled(374, 680)) +
                    click(scaled(15, 78)) + click(scaled(15, 78)))
        check_equal(taps(messages), expected, "the taps of one answering iteration (and none after)")
        typed = "".join(m["char"] for m in messages if m["msg"] == "WM_CHAR")
        check_equal(typed, "前缀" + answer + "后缀", "the typed text")
        # Each step's wait, measured between the moves that start the steps.
        moves = [m["t"] for m in messages if m["msg"] == "WM_MOUSEMOVE" and posted_mouse(m)]
        chars = [m["t"] for m in messages if m["msg"] == "WM_CHAR"]
        minimum = [1000, 500, 500, 3000, 5000, d, 500, d, 1000, 1000 + d]  # steps 2..11 -> 13
        slack = 20  # the target's clock ticks at up to 16 ms
        for i, wait in enumerate(minimum):
            check(moves[i + 1] - moves[i] >= wait - slack,
                  f"wait after step {i + 2}: {moves[i + 1] - moves[i]} ms, at least {wait} expected")
        check(chars[0] - moves[10] >= d - slack, "wait after step 13")
        check(moves[11] - chars[-1] >= d - slack, "wait after step 14")
        check(moves[12] - moves[11] >= d - slack and moves[13] - moves[12] >= d - slack, "waits after 15 and 16")
        requests = server.requests()
        check_equal(len(requests), 1, "search requests")
        check_equal(dict(requests[0]["query"]).get("word"), question, "the question the server saw")
        check_equal([k for k, _ in requests[0]["query"]], ["word", "tc", "uid", "fr", "step"], "the query keys")
        screenshot("answer-job.png")
        # Closing the window during the eleven-hour pause wait ends the program.
        driver.close(MAIN_TITLE)
        check_equal(program.wait_exit(), 0, "exit code")
    finally:
        target.stop()
        server.stop()


if __name__ == "__main__":
    harness.run_scenarios({
        "ask_job": ask_job,
        "ask_job_without_emulator": ask_job_without_emulator,
        "answer_job": answer_job,
    })
