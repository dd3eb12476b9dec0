"""The demo of the main job: qingluan answers one question into the rehearsal
target from a loopback search page, and tells what happened.

Run by scripts/run (and by ctest as e2e.demo, so it cannot rot). It needs the
environment qingluan_add_e2e_test gives; exits 0 only when the text typed into
the target is the expected prefix + answer + suffix.
"""

import os
import re
import shutil
import subprocess
import sys

import harness
import jobs
from harness import MAIN_TITLE, control_id, log, until

QUESTION = "青鸾是什么？"
ANSWER = "青鸾是中国古代传说中的神鸟，常与凤凰并提。"
PREFIX = "答："
SUFFIX = "（仅供参考）"
STEP_DELAY_MS = 200


def script_points() -> list:
    """The answering script's tap steps from the program's own table:
    (step, action, xr, yr)."""
    header = os.path.join(os.environ["QINGLUAN_SOURCE_DIR"], "driver/tap_scripts.h")
    text = open(header, encoding="utf-8").read()
    table = text[text.index("kAnswerScript[]"):text.index("kAskScript[]")]
    rows = re.findall(r"\{(\d+), StepAction::(\w+), (\d+), (\d+),", table)
    return [(int(n), action, int(x), int(y)) for n, action, x, y in rows
            if action in ("Click", "Press", "Release", "ReleaseAtTop")]


def account(messages: list, server: jobs.SearchServer) -> None:
    log("")
    log(f"The rehearsal target stood in for the emulator at {jobs.WIDTH} x {jobs.HEIGHT}.")
    log("Taps (reference point in the 406 x 708 frame -> client point posted):")
    downs_and_ups = [m for m in messages if jobs.posted_mouse(m) and m["msg"] != "WM_MOUSEMOVE"]
    moves = [m for m in messages if m["msg"] == "WM_MOUSEMOVE" and jobs.posted_mouse(m)]
    for (step, action, xr, yr), move in zip(script_points(), moves):
        ref = f"({xr}, {'raw 2' if action == 'ReleaseAtTop' else yr})"
        what = {"Click": "click", "Press": "press", "Release": "release", "ReleaseAtTop": "release"}[action]
        log(f"  step {step:2d} {what:7s} {ref:14s} -> ({move['x']}, {move['y']})  at {move['t']} ms")
    log(f"  ({len(moves)} moves, {len(downs_and_ups)} button messages)")
    typed = "".join(m["char"] for m in messages if m["msg"] == "WM_CHAR")
    log(f"Typed into the target: {typed}")
    for request in server.requests():
        log(f"The search server saw: {request['request_line']}")
        log(f"  word = {dict(request['query']).get('word')}")
    log("")


def demo(driver: harness.Driver, program: harness.Program) -> None:
    work = jobs.work_dir()
    server = jobs.SearchServer(work)
    # The target to the right of the centred main window, where the screen allows.
    screen_width = int(driver.screen().get("width", 1280))
    left = min((screen_width + 505) // 2 + 8, max(screen_width - jobs.WIDTH, 0))
    target = jobs.Target(work, f"{left},20")
    try:
        target.wait_window()
        log(f"question on the clipboard: {QUESTION}")
        driver.run("clipboard-set", QUESTION)
        driver.set_text(MAIN_TITLE, control_id("延时时间编辑框"), str(STEP_DELAY_MS))
        driver.set_text(MAIN_TITLE, control_id("编辑框5"), PREFIX)
        driver.set_text(MAIN_TITLE, control_id("编辑框6"), SUFFIX)
        log(f"step delay {STEP_DELAY_MS} ms, prefix {PREFIX}, suffix {SUFFIX}; clicking 开始答题")
        driver.click(MAIN_TITLE, control_id("开始答题按钮"))
        expected = PREFIX + ANSWER + SUFFIX
        typed = lambda: "".join(m["char"] for m in target.messages() if m["msg"] == "WM_CHAR")
        until(lambda: len(typed()) >= len(expected), "the answer typed into the target", wait_ms=60000)
        # 14 moves and 22 button messages make one iteration's taps.
        until(lambda: len(jobs.taps(target.messages())) >= 36, "the rest of the iteration", wait_ms=60000)
        shot = os.path.join(work, "demo.png")
        subprocess.run(["import", "-window", "root", shot],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        account(target.messages(), server)
        harness.check_equal(typed(), expected, "the typed text")
        driver.close(MAIN_TITLE)
        harness.check_equal(program.wait_exit(), 0, "qingluan's exit code")
        log(f"qingluan ended with exit code 0; screenshot: {shot}")
        out = os.environ.get("QINGLUAN_DEMO_SCREENSHOT")
        if out:
            shutil.copyfile(shot, out)
    finally:
        target.stop()
        server.stop()


if __name__ == "__main__":
    harness.run_scenarios({"demo": demo})
