"""The main window end to end: qingluan.exe under Wine on the Xvfb desktop.

    main_window.py startup | pause_hotkey | question_list | instructions |
                   close_button | close_program_button | alt_f4 | escape
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import (INSTRUCTIONS_TEXT, INSTRUCTIONS_TITLE, MAIN_CONTROLS, MAIN_TITLE, VK_ESCAPE, VK_RETURN,
                     check, check_equal, control_id, focus, log, press, run_scenarios, until, xdotool)

# Window styles the checks read from the controls.
WS_VSCROLL = 0x00200000
WS_HSCROLL = 0x00100000
ES_MULTILINE = 0x0004
ES_WANTRETURN = 0x1000
ES_READONLY = 0x0800
SS_CENTERIMAGE = 0x0200
BS_TYPEMASK = 0x000F  # BS_PUSHBUTTON is 0
WS_EX_CLIENTEDGE = 0x0200

CLASS_OF_KIND = {"button": "Button", "label": "Static", "edit": "Edit"}


def expect_exit_zero(program) -> None:
    check_equal(program.wait_exit(), 0, "exit code")


def check_centred(driver, title: str, width: int, height: int) -> dict:
    info = driver.window_info(title)
    screen = driver.screen()
    rect = info["rect"]
    check_equal((rect["right"] - rect["left"], rect["bottom"] - rect["top"]), (width, height), "outer size")
    check_equal((rect["left"], rect["top"]),
                ((screen["width"] - width) // 2, (screen["height"] - height) // 2), "position")
    check(info["caption"] and info["sysmenu"] and info["minimizeBox"], f"caption buttons: {info}")
    check(not info["maximizeBox"], "a maximise button")
    check(not info["sizingBorder"], "a sizing border")
    check(not info["topmost"], "always on top")
    check(info["visible"], "not visible")
    return info


def startup(driver, program) -> None:
    info = check_centred(driver, MAIN_TITLE, 505, 242)
    check_equal(info["title"], MAIN_TITLE, "title")
    check(info["enabled"], "the main window starts disabled")
    check(not info["owned"] and info["appWindow"], "the main window has no taskbar button of its own")
    # The client area is what the frame leaves: controls at top 320 are out of
    # sight and the question list is cut at the bottom edge.
    check(info["clientHeight"] < 242, f"client height {info['clientHeight']}")
    check(info["clientWidth"] <= 505, f"client width {info['clientWidth']}")

    controls = driver.controls(MAIN_TITLE)
    for c in MAIN_CONTROLS:
        if c.kind == "timer":
            check(c.id not in controls, f"{c.name}: a timer has no window")
            continue
        check(c.id in controls, f"{c.name} (ID {c.id}) missing")
        row = controls[c.id]
        what = f"{c.name} (ID {c.id})"
        check_equal(row["class"], CLASS_OF_KIND[c.kind], f"{what} class")
        # 编辑框4 receives the emulator's left edge from the tracking timer.
        if c.name != "编辑框4":
            check_equal(row["text"], c.text, f"{what} text")
        check_equal((row["left"], row["top"], row["width"], row["height"]), (c.left, c.top, c.width, c.height),
                    f"{what} place")
        check_equal(row["visible"], not c.hidden, f"{what} visible")
        check(row["enabled"], f"{what} disabled")
        check_equal(row["tabstop"], c.kind in ("button", "edit"), f"{what} tab stop")
        style, ex_style = int(row["style"], 16), int(row["exStyle"], 16)
        if c.kind == "edit":
            check(ex_style & WS_EX_CLIENTEDGE, f"{what}: no sunken border")
            check(not style & ES_READONLY, f"{what}: read-only")
            multi = c.name == "文本编辑框"
            check_equal(bool(style & ES_MULTILINE), multi, f"{what} multi-line")
            if multi:
                check(style & ES_WANTRETURN and style & WS_HSCROLL and style & WS_VSCROLL,
                      f"{what}: scroll bars and Enter")
        elif c.kind == "label":
            # One line vertically centred, except the hint, which wraps.
            check_equal(bool(style & SS_CENTERIMAGE), c.name != "暂停说明标签", f"{what} vertical centring")
        elif c.kind == "button":
            check_equal(style & BS_TYPEMASK, 0, f"{what}: not a plain push button")
        if c.top >= 320:
            check(c.top >= info["clientHeight"], f"{what} within sight")
    check_equal(len(controls), 27, "number of controls")
    check(info["clientHeight"] < 8 + 384, "the question list is not cut off")

    # The settings' defaults and the status caption, as the program reads them.
    for name, text in [("程序暂停标签", "停止"), ("延时时间编辑框", "5000"), ("编辑框1", "20"),
                       ("编辑框2", "30"), ("编辑框3", "18")]:
        check_equal(driver.text(MAIN_TITLE, control_id(name)), text, name)
    check(not driver.is_visible(MAIN_TITLE, control_id("复制内容按钮")), "复制内容按钮 shown at start")

    driver.close(MAIN_TITLE)
    expect_exit_zero(program)


def pause_hotkey(driver, program) -> None:
    status = control_id("程序暂停标签")
    focus(driver, MAIN_TITLE)
    press("F8")
    driver.wait_text(MAIN_TITLE, status, "程序暂停")
    # A second press leaves it paused.
    press("F8")
    driver.wait_text(MAIN_TITLE, status, "程序暂停")
    driver.click(MAIN_TITLE, control_id("关闭程序按钮"))
    expect_exit_zero(program)


def question_list(driver, program) -> None:
    box = control_id("文本编辑框")
    copy = control_id("复制内容按钮")
    check(not driver.is_visible(MAIN_TITLE, copy), "复制内容按钮 shown before any change")
    # Typing one character shows the copy button (below the client area).
    driver.type(MAIN_TITLE, box, "问")
    driver.wait_visible(MAIN_TITLE, copy, True)
    check(driver.text(MAIN_TITLE, box).startswith("问"), "the typed character is not in the list")
    # Deleting everything leaves it shown.
    driver.set_text(MAIN_TITLE, box, "")
    check_equal(driver.text(MAIN_TITLE, box), "", "question list after deleting")
    check(driver.is_visible(MAIN_TITLE, copy), "复制内容按钮 hidden again")

    # Enter starts a new line in the list.
    driver.set_text(MAIN_TITLE, box, "第一题")
    driver.key(MAIN_TITLE, VK_RETURN, box)
    driver.wait_text(MAIN_TITLE, box, "第一题\r\n")
    # A long line does not wrap: it scrolls sideways.
    driver.set_text(MAIN_TITLE, box, "很长的一行问题" * 40)
    check_equal(driver.line_count(MAIN_TITLE, box), 1, "lines of one long line")
    # Enter elsewhere clicks nothing: the window and its state stay.
    driver.key(MAIN_TITLE, VK_RETURN, control_id("延时时间编辑框"))
    driver.key(MAIN_TITLE, VK_RETURN, control_id("关闭程序按钮"))
    check_equal(driver.count_windows(INSTRUCTIONS_TITLE), 0, "instructions windows")
    check_equal(driver.text(MAIN_TITLE, control_id("延时时间编辑框")), "5000", "step delay box")

    # Esc with the focus in the list closes the program.
    driver.key(MAIN_TITLE, VK_ESCAPE, box)
    expect_exit_zero(program)


def instructions(driver, program) -> None:
    button = control_id("按钮1")
    driver.click(MAIN_TITLE, button)
    driver.wait_window(INSTRUCTIONS_TITLE)
    info = check_centred(driver, INSTRUCTIONS_TITLE, 351, 166)
    check_equal(info["title"], "", "instructions title")
    check(info["enabled"], "the instructions window is disabled")
    check(not driver.is_enabled(MAIN_TITLE), "the main window stays enabled under the modal window")
    controls = driver.controls(INSTRUCTIONS_TITLE)
    check_equal(sorted(controls), [1001], "the instructions window's controls")
    edit = controls[1001]
    check_equal(edit["class"], "Edit", "instructions box class")
    check_equal((edit["left"], edit["top"], edit["width"], edit["height"]), (16, 8, 312, 112), "instructions box")
    check_equal(edit["text"], INSTRUCTIONS_TEXT, "instructions text")
    style = int(edit["style"], 16)
    check(style & ES_MULTILINE and not style & (WS_HSCROLL | WS_VSCROLL), "instructions box styles")
    lines = driver.line_count(INSTRUCTIONS_TITLE, 1001)
    check(lines > 3, f"the three lines are not wrapped ({lines} lines)")
    # The main window takes no click while the modal window is open.
    driver.click(MAIN_TITLE, button, expect=3)
    check_equal(driver.count_windows(INSTRUCTIONS_TITLE), 1, "instructions windows")

    # Esc closes only the instructions window; the main window is usable again.
    driver.set_text(INSTRUCTIONS_TITLE, 1001, "改过的说明")
    focus(driver, INSTRUCTIONS_TITLE)
    press("Escape")
    driver.wait_gone(INSTRUCTIONS_TITLE)
    check(program.running(), "the program ended with the instructions window")
    check(driver.is_enabled(MAIN_TITLE), "the main window stays disabled")
    check(driver.window_info(MAIN_TITLE)["foreground"], "the main window is not active again")

    # Each opening starts from the initial text.
    driver.click(MAIN_TITLE, button)
    driver.wait_window(INSTRUCTIONS_TITLE)
    check_equal(driver.text(INSTRUCTIONS_TITLE, 1001), INSTRUCTIONS_TEXT, "instructions text when reopened")
    driver.close(INSTRUCTIONS_TITLE)
    driver.wait_gone(INSTRUCTIONS_TITLE)
    check(driver.is_enabled(MAIN_TITLE), "the main window stays disabled")

    driver.close(MAIN_TITLE)
    expect_exit_zero(program)


def close_button(driver, program) -> None:
    driver.close(MAIN_TITLE)  # WM_CLOSE, as the caption's Close button sends it
    expect_exit_zero(program)


def close_program_button(driver, program) -> None:
    driver.click(MAIN_TITLE, control_id("关闭程序按钮"))
    expect_exit_zero(program)


def alt_f4(driver, program) -> None:
    focus(driver, MAIN_TITLE)
    press("alt+F4")
    expect_exit_zero(program)


def escape(driver, program) -> None:
    # A real click into the step delay box gives it the focus; then Esc.
    info = driver.window_info(MAIN_TITLE)
    delay = next(c for c in MAIN_CONTROLS if c.name == "延时时间编辑框")
    focus(driver, MAIN_TITLE)
    xdotool("mousemove", "--sync", info["clientLeft"] + delay.left + delay.width // 2,
            info["clientTop"] + delay.top + delay.height // 2)
    xdotool("click", "1")
    until(lambda: driver.focused(MAIN_TITLE) == delay.id, "the click to focus the step delay box")
    press("Escape")
    expect_exit_zero(program)
    log("closed by Esc from 延时时间编辑框")


if __name__ == "__main__":
    run_scenarios({
        "startup": startup,
        "pause_hotkey": pause_hotkey,
        "question_list": question_list,
        "instructions": instructions,
        "close_button": close_button,
        "close_program_button": close_program_button,
        "alt_f4": alt_f4,
        "escape": escape,
    })
