#!/usr/bin/python3
"""Black-box tests of the desktop program: the real velmora on a copy of the
demo workspace, velmora-sim as the controllers, driven over AT-SPI the way a
screen reader would drive it. Run inside a desktop session:

    ui-session.sh /usr/bin/python3 desktop_e2e.py --velmora BIN --sim BIN --source DIR [TEST...]
"""

import argparse
import hashlib
import json
import os
import re
import subprocess
import sys
import time
import traceback

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from atspi import (Failure, application, applications, children, click_at, do_action, find, find_all,  # noqa: E402
                   has_state, press, role, table_row, table_shape, table_titles, wait_for)
from workspace import Simulator, Workspace  # noqa: E402

APP_NAME = "Velmora"


def digest(workspace):
    """Every file of the workspace with its hash."""
    result = {}
    for folder, _, files in os.walk(workspace.path):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                result[os.path.relpath(path, workspace.path)] = hashlib.sha256(f.read()).hexdigest()
    return result


class Program:
    """One running velmora and its accessibility tree."""

    def __init__(self, binary, workspace):
        self.log = open(os.path.join(workspace.root, "velmora-%d.log" % time.monotonic_ns()), "w")
        self.process = subprocess.Popen([binary, "--workspace", workspace.path],
                                        stdout=self.log, stderr=subprocess.STDOUT)
        self.app = application(APP_NAME, timeout=40)
        self.frame = find(self.app, "frame", APP_NAME, timeout=40)

    def status_channels(self):
        for label in find_all(self.frame, "label"):
            m = re.fullmatch(r"通道 (\d+)/(\d+)", label.name or "")
            if m:
                return int(m.group(1)), int(m.group(2))
        return None

    def close(self, timeout=20):
        """Closes through the menu, as the operator does."""
        press(find(self.frame, "menu item", "退出(X)"))
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("velmora did not end within %d s after 退出" % timeout)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.log.close()


def test_frame_shows_its_commands_panes_and_links(args, ws, sim):
    program = Program(args.velmora, ws)
    try:
        for name in ["文件(F)", "编辑(E)", "视图(V)", "帮助(H)", "保存(S)", "退出(X)", "撤销(U)", "重做(R)",
                     "复制(C)", "粘贴(P)", "删除(D)", "工具栏和停靠窗口(T)", "状态栏(S)", "关于 Velmora(A)..."]:
            find(program.frame, "menu item", name)
        for name in ["保存", "复制", "粘贴", "删除", "关于"]:
            find(program.frame, "push button", name)
        find(program.frame, "check box", "新建块")
        tabs = {t.name for t in find_all(program.frame, "page tab")}
        for title in ["3D预览", "音乐列表", "场景编辑器", "手操面板", "组元素面板", "程控列表", "通道监视",
                      "512摇头灯配置器"]:
            if title not in tabs:
                raise Failure("no pane tab %r (tabs: %s)" % (title, sorted(tabs)))
        # Every configured channel connects to the simulator, and the status
        # bar says so; the controllers receive requests.
        connected = wait_for(lambda: (lambda c: c if c and c[0] == c[1] and c[1] > 0 else None)(
            program.status_channels()), 40, "every configured channel connected in the status bar")
        before = sim.requests()
        wait_for(lambda: sim.requests() > before + 50, 10, "the simulator receiving requests")
        print("  status bar: 通道 %d/%d" % connected)
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()


def test_closing_leaves_the_workspace_intact(args, ws, sim):
    before = digest(ws)
    program = Program(args.velmora, ws)
    try:
        time.sleep(1.0)  # a second of engine and senders
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()
    after = digest(ws)
    changed = sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))
    if changed:
        raise Failure("closing without edits changed files: %s" % changed)


class CoveringWindow:
    """A plain X window mapped over everything, as another program's window
    would be; stacking() tells whether velmora's frame is above it."""

    def __init__(self):
        from Xlib import X, display
        self.display = display.Display()
        root = self.display.screen().root
        self.window = root.create_window(0, 0, 1280, 800, 0, self.display.screen().root_depth,
                                         X.InputOutput, X.CopyFromParent, background_pixel=0)
        self.window.set_wm_name("cover")
        self.window.map()
        self.window.configure(stack_mode=X.Above)
        self.display.sync()

    def frame_is_above(self):
        root = self.display.screen().root
        order = root.query_tree().children  # bottom to top
        mine = velmora = None
        for i, w in enumerate(order):
            if w.id == self.window.id:
                mine = i
            else:
                try:
                    if w.get_wm_name() == APP_NAME and w.get_attributes().map_state != 0:
                        velmora = i
                except Exception:
                    pass
        if mine is None or velmora is None:
            raise Failure("windows not found (cover %s, frame %s)" % (mine, velmora))
        return velmora > mine

    def close(self):
        self.window.destroy()
        self.display.close()


def test_a_second_copy_raises_the_first(args, ws, sim):
    program = Program(args.velmora, ws)
    cover = None
    try:
        cover = CoveringWindow()
        if cover.frame_is_above():
            raise Failure("the frame is above a window mapped after it")
        second = subprocess.run([args.velmora, "--workspace", ws.path], timeout=30,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if second.returncode != 0:
            raise Failure("the second copy ended with %d: %s" % (second.returncode, second.stdout[-500:]))
        if program.process.poll() is not None:
            raise Failure("the first copy ended")
        if len(applications(APP_NAME)) != 1:
            raise Failure("%d copies on the accessibility bus" % len(applications(APP_NAME)))
        wait_for(cover.frame_is_above, 10, "the first copy's window raised above the covering window")
        program.close()
    finally:
        if cover:
            cover.close()
        program.kill()


def test_links_go_down_with_the_controllers_and_come_back(args, ws, sim):
    program = Program(args.velmora, ws)
    try:
        wait_for(lambda: (lambda c: c and c[0] == c[1] and c[1] > 0)(program.status_channels()), 40,
                 "every channel connected")
        sim.crash()  # the controllers go away while the program runs
        wait_for(lambda: (lambda c: c and c[0] == 0)(program.status_channels()), 15,
                 "the status bar showing the channels down")
        if program.process.poll() is not None:
            raise Failure("velmora ended when the controllers went away")
        sim.restart()
        wait_for(lambda: (lambda c: c and c[0] == c[1] and c[1] > 0)(program.status_channels()), 40,
                 "every channel connected again")
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()


def ini_values(path):
    """section -> key -> value of an INI file, names without regard to case."""
    values, section = {}, ""
    with open(path, "rb") as f:
        for raw in f.read().decode("utf-8", "replace").splitlines():
            line = raw.strip()
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1].strip().lower()
            elif "=" in line and not line.startswith(";"):
                key, value = line.split("=", 1)
                values.setdefault(section, {}).setdefault(key.strip().lower(), value.strip())
    return values


def position_ms(wave):
    """The show position the wave view reports ("m:s.ms [...]")."""
    m = re.match(r"\s*(\d+):(\d+)\.(\d+)", wave.description or "")
    return (int(m.group(1)) * 60 + int(m.group(2))) * 1000 + int(m.group(3)) if m else None


def test_a_piece_plays_pauses_seeks_and_its_show_survives_closing(args, ws, sim):
    show_file = ws.file("Music", "demo.mp3.tlf")
    before = ini_values(show_file)
    program = Program(args.velmora, ws)
    try:
        pane = find(program.frame, "frame", "音乐列表")
        row = find(pane, "list item", "demo.mp3")
        do_action(row, "Activate")  # the analysis dialog runs until the piece starts
        wave = find(program.frame, "chart", "波形")
        start = wait_for(lambda: position_ms(wave), 10, "a position in the wave view")
        wait_for(lambda: (position_ms(wave) or 0) > start + 1500, 10, "the position advancing")
        requests = sim.requests()
        wait_for(lambda: sim.requests() > requests + 50, 10, "the controllers receiving the show")

        transport = find(program.frame, None, "播放控制")
        press(find(transport, "push button", "播放/暂停"))
        held = wait_for(lambda: (lambda a: a if (time.sleep(0.3) or position_ms(wave) == a) else None)(
            position_ms(wave)), 10, "the position to stop while paused")
        time.sleep(0.5)
        if abs((position_ms(wave) or 0) - held) > 30:
            raise Failure("the position moved while paused: %s -> %s" % (held, position_ms(wave)))

        # A click on the wave view seeks; paused, the position stays there.
        extents = wave.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        pyatspi.Registry.generateMouseEvent(extents.x + extents.width * 3 // 4, extents.y + extents.height // 2,
                                            "b1c")
        wait_for(lambda: abs((position_ms(wave) or 0) - held) > 1000, 10, "the position to jump after the click")
        sought = position_ms(wave)

        press(find(transport, "push button", "播放/暂停"))
        wait_for(lambda: (position_ms(wave) or 0) > sought + 500, 10, "the position advancing again")
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()
    # Layer names are not the show's data: a load takes them from the scene's
    # groups and a save writes them back, so they may fill in. Everything
    # else must come back as it was.
    def stored(values):
        return {k: v for k, v in values.get("timeline", {}).items() if not re.fullmatch(r"ly\d+_name", k)}
    after = ini_values(show_file)
    if stored(after) != stored(before):
        changed = sorted(k for k in set(stored(before)) | set(stored(after))
                         if stored(before).get(k) != stored(after).get(k))
        raise Failure("the show changed on disk: %s" % changed[:10])


def timeline_blocks(timeline):
    """The timeline's blocks, in the show's order."""
    return [c for c in children(timeline) if role(c) == "table cell"]


def block_name(timeline, index):
    blocks = timeline_blocks(timeline)
    return blocks[index].name if index < len(blocks) else None


def lone_plain_block(timeline):
    """(index,) of a block in view that names neither a rotation nor a light
    and that no other bar overlaps, so a click on it reaches that block."""
    blocks = timeline_blocks(timeline)
    rects = [b.queryComponent().getExtents(pyatspi.DESKTOP_COORDS) for b in blocks]

    def overlap(a, b):
        return a.x < b.x + b.width and b.x < a.x + a.width and a.y < b.y + b.height and b.y < a.y + a.height
    for i, block in enumerate(blocks):
        if (has_state(block, pyatspi.STATE_SHOWING) and " 时间块 " in (block.name or "")
                and not any(overlap(rects[i], r) for j, r in enumerate(rects) if j != i)):
            return (i,)
    return None


def change_action_type(app, timeline, index, type_name):
    """Opens block `index`'s properties with a double click and picks
    `type_name` as its action type, as the operator does."""
    block = timeline_blocks(timeline)[index]
    press(block)
    wait_for(lambda: has_state(timeline_blocks(timeline)[index], pyatspi.STATE_SELECTED), 5, "the block selected")
    click_at(block, double=True)
    dialog = find(app, "dialog", "属性")
    row = find(dialog, "list item", "动作类型")
    press(row)
    # The bridge names a drop-down by its current entry, not by its label:
    # the editor is the one drop-down in view.
    combo = wait_for(lambda: next((c for c in find_all(dialog, "combo box")
                                   if has_state(c, pyatspi.STATE_SHOWING)), None), 5, "the action type drop-down")
    do_action(combo, "Press", "showMenu", "press")
    entry = wait_for(lambda: next((e for e in find_all(combo, "list item", type_name)
                                   if has_state(e, pyatspi.STATE_SHOWING)), None), 5,
                     "the entry %r in the open drop-down" % type_name)
    click_at(entry)
    wait_for(lambda: row.description == type_name, 5, "the row showing %r" % type_name)
    press(find(dialog, "push button", "确定"))
    wait_for(lambda: not has_state(dialog, pyatspi.STATE_SHOWING), 5, "the dialog closed")


def test_a_block_edited_undone_and_saved_reaches_the_show_file(args, ws, sim):
    show_file = ws.file("Music", "demo.mp3.tlf")
    program = Program(args.velmora, ws)
    try:
        pane = find(program.frame, "frame", "音乐列表")
        do_action(find(pane, "list item", "demo.mp3"), "Activate")
        wave = find(program.frame, "chart", "波形")
        wait_for(lambda: position_ms(wave), 10, "a position in the wave view")
        # Paused, the view stays where the blocks are drawn.
        press(find(find(program.frame, None, "播放控制"), "push button", "播放/暂停"))
        timeline = find(program.frame, "panel", "时间轴")
        index, = wait_for(lambda: lone_plain_block(timeline), 10, "a plain block in view, clear of the others")
        original = block_name(timeline, index)
        print("  block %d: %s" % (index, original))

        change_action_type(program.app, timeline, index, "Z轴转动")
        wait_for(lambda: " Z " in (block_name(timeline, index) or ""), 5, "the block named as a Z rotation")

        undo = wait_for(lambda: next((m for m in find_all(program.frame, "menu item")
                                      if (m.name or "").startswith("撤销 ")), None), 5, "an 撤销 … item")
        press(undo)
        wait_for(lambda: block_name(timeline, index) == original, 5, "the block's name back after undo")

        change_action_type(program.app, timeline, index, "Y轴转动")
        wait_for(lambda: " Y " in (block_name(timeline, index) or ""), 5, "the block named as a Y rotation")

        # A menu item that opens a modal box holds its Press action until the
        # box closes, so the menu is driven with the mouse.
        click_at(find(program.frame, None, "文件(F)"))
        save = find(program.frame, "menu item", "保存(S)")
        wait_for(lambda: has_state(save, pyatspi.STATE_SHOWING), 5, "the 文件 menu open")
        click_at(save)
        question = wait_for(lambda: next((d for d in find_all(program.app, None)
                                          if role(d) in ("dialog", "alert")
                                          and find_all(d, "label", "是否保存被修改的文件？")), None),
                            10, "the save question")
        yes = wait_for(lambda: next((b for b in find_all(question, "push button")
                                     if re.match(r"&?(是|Yes)\b", b.name or "")), None), 5,
                       "the 是 button (buttons: %s)" % [b.name for b in find_all(question, "push button")])
        press(yes)
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()
    stored = ini_values(show_file).get("timeline", {}).get("tb%d_nspecicaltype" % index)
    if stored != "2":
        raise Failure("the show file holds action type %r for block %d, not 2" % (stored, index))


def answer(app, text, button=r"&?(确定|OK)\b", timeout=10):
    """Waits for the message box that says `text` and presses `button`."""
    box = wait_for(lambda: next((d for d in find_all(app, None)
                                 if role(d) in ("dialog", "alert") and find_all(d, "label", text)), None),
                   timeout, "the message %r" % text)
    target = wait_for(lambda: next((b for b in find_all(box, "push button") if re.match(button, b.name or "")), None),
                      5, "the button %r (buttons: %s)" % (button, [b.name for b in find_all(box, "push button")]))
    press(target)
    wait_for(lambda: not has_state(box, pyatspi.STATE_SHOWING), 5, "the message %r closed" % text)


def step_row(dialog, label, value):
    """Opens the property row `label` and steps its number with the editor's
    增大/减小 buttons until the row shows `value`."""
    row = find(dialog, "list item", label)
    press(row)
    for _ in range(100):
        shown = int(row.description)
        if shown == value:
            return
        button = wait_for(lambda: next((b for b in find_all(dialog, "push button", "增大" if shown < value else "减小")
                                        if has_state(b, pyatspi.STATE_SHOWING)), None), 5, "the %s stepper" % label)
        press(button)
        wait_for(lambda: int(row.description) != shown, 5, "%s stepped from %d" % (label, shown))
    raise Failure("%s did not reach %d" % (label, value))


def scene_json(args, ws):
    cli = os.path.join(os.path.dirname(args.velmora), "velmora-cli")
    out = subprocess.run([cli, "--workspace", ws.path, "scene"], check=True, capture_output=True, timeout=60)
    return json.loads(out.stdout)


def test_a_batch_exported_edited_imported_undone_and_saved(args, ws, sim):
    before = scene_json(args, ws)
    first_new = before["SpringIndex"]
    program = Program(args.velmora, ws)
    try:
        click_at(find(program.frame, "page tab", "场景编辑器"))
        canvas = find(program.frame, "panel", "场景编辑器")
        press(find(program.frame, "check box", "编辑"))

        # Opening a modal dialog holds a pressed button's action until it
        # closes, so toolbar buttons that open one are clicked.
        click_at(find(program.frame, "push button", "批量"))
        dialog = find(program.app, "dialog", "批量")
        step_row(dialog, "每行", 4)
        step_row(dialog, "每列", 5)
        press(find(dialog, "push button", "确定"))
        wait_for(lambda: len(find_all(canvas, "list item")) == len(before["springs"]) + 20, 10,
                 "20 more springs on the canvas")

        click_at(find(program.frame, "push button", "导出"))
        answer(program.app, "导出成功！")
        table = ws.file("spring.csv")
        with open(table, encoding="utf-8") as f:
            lines = f.read().split("\n")
        row = next(i for i, line in enumerate(lines) if line.startswith("*9001,"))
        fields = lines[row].split(",")
        original = "喷头 9001 CH[%s].%s" % (fields[3], fields[4])
        fields[4] = "9;3"
        lines[row] = ",".join(fields)
        with open(table, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        spring = find(canvas, "list item", original)

        click_at(find(program.frame, "push button", "导入"))
        answer(program.app, "导入点表将覆盖当前场景，确定导入？", r"&?(是|Yes)\b")
        answer(program.app, "导入成功！")
        edited = "喷头 9001 CH[%s].9;3" % fields[3]
        wait_for(lambda: spring.name == edited, 5, "the spring named %r after the import" % edited)

        # Undo follows the focus: a click on one of the new springs (in view,
        # near the canvas's corner) puts it in the scene.
        click_at(find(canvas, "list item", "喷头 %d 未连接" % first_new))
        undo = wait_for(lambda: next((m for m in find_all(program.frame, "menu item")
                                      if (m.name or "") == "撤销 导入"), None), 5,
                    lambda: "the 撤销 导入 item (undo items: %s)" % [m.name for m in find_all(program.frame, "menu item")
                                                                 if (m.name or "").startswith("撤销")])
        press(undo)
        wait_for(lambda: spring.name == original, 5, "the spring named %r after undo" % original)

        click_at(find(program.frame, None, "文件(F)"))
        save = find(program.frame, "menu item", "保存(S)")
        wait_for(lambda: has_state(save, pyatspi.STATE_SHOWING), 5, "the 文件 menu open")
        click_at(save)
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()
    after = scene_json(args, ws)
    added = [s for s in after["springs"] if s["ID"] >= first_new]
    if len(after["springs"]) != len(before["springs"]) + 20 or len(added) != 20:
        raise Failure("the scene holds %d springs (%d new), not %d + 20"
                      % (len(after["springs"]), len(added), len(before["springs"])))
    positions = sorted((s["x"], s["y"]) for s in added)
    expected = sorted((100 * i // 4 + 100, 100 * r // 5 + 100) for r in range(5) for i in range(4))
    if positions != expected:
        raise Failure("the batch's springs stand at %s, not %s" % (positions, expected))
    group = next((g for g in after["groups"] if sorted(g["children"]) == sorted(s["ID"] for s in added)), None)
    if group is None or (group["initX"], group["initY"]) != (4, 5):
        raise Failure("no group of the 20 new springs with initX 4, initY 5: %s" % after["groups"][-1:])
    old = next(s for s in before["springs"] if s["ID"] == 9001)
    new = next(s for s in after["springs"] if s["ID"] == 9001)
    if new != old:
        raise Failure("spring 9001 changed although its import was undone: %s -> %s" % (old, new))


def ini_channel(ws, index, key):
    """Channel`index`_`key` of the workspace's spring.ini, as text."""
    with open(ws.file("spring.ini"), "rb") as f:
        m = re.search(rb"(?m)^Channel%d_%s=(.*?)\r?$" % (index, key.encode()), f.read())
    return m.group(1).decode() if m else None


def right_click(node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(extents.x + extents.width // 2, extents.y + extents.height // 2, "b3c")


def level_register(level):
    """What a pump's register holds for a hand level (0..128)."""
    return int(level * 10000 * 0.0078125)


def monitor_cell(table, channel, column):
    """The text of `column` in the monitor's row of `channel` (1-based)."""
    titles = table_titles(table)
    if column not in titles:
        raise Failure("the monitor has no column %r (columns: %s)" % (column, titles))
    for row in range(table_shape(table)[0]):
        texts = table_row(table, row)
        if texts[0].startswith("[%d]" % channel):
            return texts[titles.index(column)]
    raise Failure("the monitor has no row of channel %d" % channel)


def test_a_debug_panel_level_a_dead_link_and_a_grown_channel_reach_the_controllers(args, ws, sim):
    # Spring 9001 of the demo group 环形喷泉 drives holding register 0 of
    # unit 1 on channel 1, whose 80 registers make requests of 173 bytes.
    port = int(ini_channel(ws, 0, "port"))
    program = Program(args.velmora, ws)
    try:
        wait_for(lambda: (lambda c: c and c[0] == c[1] and c[1] > 0)(program.status_channels()), 40,
                 "every channel connected")
        click_at(find(program.frame, "page tab", "手操面板"))
        press(find(program.frame, "check box", "手操"))
        cell = hand_cell(program.frame, "环形喷泉")
        press(cell)
        wait_for(lambda: sim.holding(port, 1, 0) == level_register(100), 10,
                 "the controller holding the hand level 100 of spring 9001")

        # The group's debug panel sets the members' level with its slider.
        right_click(cell)  # opens a modal dialog: clicked, not pressed
        panel = find(program.app, "dialog", "[环形喷泉]---调试面板")
        press(find(panel, None, "全选"))
        slider = find(panel, "slider", "电平")
        slider.queryValue().currentValue = 64
        wait_for(lambda: sim.holding(port, 1, 0) == level_register(64), 10,
                 "the controller holding the debug panel's level 64")
        click_at(slider)
        pyatspi.Registry.generateKeyboardEvent(9, None, pyatspi.KEY_PRESSRELEASE)  # Escape closes the panel
        wait_for(lambda: not has_state(panel, pyatspi.STATE_SHOWING), 5, "the debug panel closed")

        # The monitor's row of channel 1 follows the controller down and up.
        click_at(find(program.frame, "page tab", "通道监视"))
        table = find(program.frame, "table", "通道监视")
        wait_for(lambda: monitor_cell(table, 1, "链路") == "已连接", 10, "channel 1 connected in the monitor")
        sim.crash()
        wait_for(lambda: monitor_cell(table, 1, "链路") == "断开", 15, "channel 1 down in the monitor")
        sim.restart()
        wait_for(lambda: monitor_cell(table, 1, "链路") == "已连接", 40, "channel 1 connected again")
        wait_for(lambda: sim.holding(port, 1, 0) == level_register(64), 10,
                 "the restarted controller given the hand level again")

        # A new tagNum in the channel dialog changes the size of the requests.
        size = sim.endpoint(port)["lastRequestBytes"]
        if size != 2 * 80 + 13:
            raise Failure("channel 1's requests are %d bytes, not %d" % (size, 2 * 80 + 13))
        click_at(find(program.frame, "page tab", "场景编辑器"))
        click_at(find(program.frame, "push button", "通道"))
        dialog = find(program.app, "dialog", "通道")
        press(find(dialog, "list item", "测点数目"))
        editor = wait_for(lambda: next((e for e in find_all(dialog, "text")
                                        if has_state(e, pyatspi.STATE_SHOWING)), None), 5, "the 测点数目 editor")
        editor.queryEditableText().setTextContents("100")
        press(find(dialog, "push button", "确定"))
        wait_for(lambda: sim.endpoint(port)["lastRequestBytes"] == 2 * 100 + 13, 10,
                 "channel 1's requests grown to 100 registers")
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()
    if ini_channel(ws, 0, "tagNum") != "100":
        raise Failure("spring.ini keeps Channel0_tagNum=%s, not 100" % ini_channel(ws, 0, "tagNum"))


def test_the_fine_tune_knob_jogs_a_motor_at_its_controller(args, ws, sim):
    # Spring 9001's Y motor is register 1 of channel 3: holding 0..4 of unit 1.
    port = int(ini_channel(ws, 2, "port"))
    turn_left, turn_right = (6 << 8) | 1, 6 << 8

    def record():
        return [sim.holding(port, 1, a) for a in range(5)]

    program = Program(args.velmora, ws)
    try:
        click_at(find(program.frame, "page tab", "组元素面板"))
        row = wait_for(lambda: next((r for r in find_all(program.frame, "table cell")
                                     if (r.name or "").startswith("[9001]")), None), 10, "the row of spring 9001")
        click_at(row, double=True)
        sheet = find(program.app, "dialog", "属性")
        press(find(sheet, "list item", "Y轴"))
        more = wait_for(lambda: next((b for b in find_all(sheet, "push button", "...")
                                      if has_state(b, pyatspi.STATE_SHOWING)), None), 5, "the Y轴 row's ... button")
        click_at(more)  # opens a modal dialog: clicked, not pressed
        dialog = find(program.app, "dialog", "电机微调面板")
        knob = find(dialog, "dial", "旋钮")
        for name in ["上", "左", "下", "右", "标零"]:
            find(dialog, "push button", name)

        knob.queryValue().currentValue = -10
        wait_for(lambda: record()[1] == turn_left, 10, lambda: "the motor turning left (record %s)" % record())
        knob.queryValue().currentValue = 0
        wait_for(lambda: record()[:2] == [0, 0], 10, lambda: "the motor record gone, knob home (record %s)" % record())
        knob.queryValue().currentValue = 15
        wait_for(lambda: record()[1] == turn_right, 10, lambda: "the motor turning right (record %s)" % record())

        # Closing the dialog with the knob still out stops the motor.
        click_at(knob)
        pyatspi.Registry.generateKeyboardEvent(9, None, pyatspi.KEY_PRESSRELEASE)  # Escape
        wait_for(lambda: not has_state(dialog, pyatspi.STATE_SHOWING), 5, "the fine-tune dialog closed")
        wait_for(lambda: record()[:2] == [0, 0], 10, lambda: "the motor record gone after closing (record %s)" % record())
        press(find(sheet, "push button", "取消"))
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()


def hand_cell(frame, name):
    """The hand panel's button of group `name` (described "开" or "关", then its marks)."""
    return wait_for(lambda: next((n for n in find_all(frame, None, name)
                                  if (n.description or "").split(" ")[0] in ("开", "关")), None),
                    10, "the hand panel's button %r" % name)


def test_the_hand_panel_drives_a_group_and_marks_it_undelivered_without_links(args, ws, sim):
    # 环形喷泉's first member, spring 9001, drives holding register 0 of unit 1 on channel 1.
    port = int(ini_channel(ws, 0, "port"))
    program = Program(args.velmora, ws)
    try:
        wait_for(lambda: (lambda c: c and c[0] == c[1] and c[1] > 0)(program.status_channels()), 40,
                 "every channel connected")
        click_at(find(program.frame, "page tab", "手操面板"))
        cell = hand_cell(program.frame, "环形喷泉")
        if role(cell) != "push button" or cell.description != "关 锁定":
            raise Failure("in watch mode the normal group is a %s reading %r" % (role(cell), cell.description))
        press(find(program.frame, "check box", "手操"))
        wait_for(lambda: cell.description == "关", 5, "the lock to go in hand mode")
        press(cell)
        wait_for(lambda: sim.holding(port, 1, 0) == level_register(100), 10,
                 "the controller holding the hand level 100 of spring 9001")
        wait_for(lambda: cell.description == "开", 5, "the button reading 开")

        sim.crash()
        wait_for(lambda: cell.description == "开 未送达", 15, "the request marked undelivered")
        sim.restart()
        wait_for(lambda: cell.description == "开", 40, "the mark gone once the links are back")
        press(cell)
        wait_for(lambda: (sim.holding(port, 1, 0) or 0) == 0, 10, "the pump off in the controller")
        wait_for(lambda: cell.description == "关", 5, "the button reading 关")
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()


def editor_step_names(editor):
    """The names of the motor editor's step boxes, in order."""
    steps = find(editor, "list", "电机程序")
    return [c.name for c in children(steps) if role(c) == "list item"]


def property_text(dialog, label, text):
    """Opens the property row `label` and types `text` over its value."""
    row = find(dialog, "list item", label)
    press(row)
    field = wait_for(lambda: next((e for e in find_all(dialog, "text")
                                   if has_state(e, pyatspi.STATE_SHOWING)), None), 5, "the %s editor" % label)
    field.queryEditableText().setTextContents(text)
    # Moving to another row commits the text, as leaving the cell does.
    press(find(dialog, "list item", "命令间隔(ms)" if label != "命令间隔(ms)" else "端口"))
    wait_for(lambda: row.description == text, 5, lambda: "%s reading %r (it reads %r)" % (label, text, row.description))


def test_a_motor_program_built_tried_on_the_controller_and_saved_for_a_block(args, ws, sim):
    # The test run goes to channel 1's controller, as unit 9 so that it never
    # meets the records the senders keep writing for unit 1.
    port = int(ini_channel(ws, 0, "port"))
    unit = 9
    name = "e2e_swing"
    program = Program(args.velmora, ws)
    try:
        pane = find(program.frame, "frame", "音乐列表")
        do_action(find(pane, "list item", "demo.mp3"), "Activate")
        wave = find(program.frame, "chart", "波形")
        wait_for(lambda: position_ms(wave), 10, "a position in the wave view")
        press(find(find(program.frame, None, "播放控制"), "push button", "播放/暂停"))
        timeline = find(program.frame, "panel", "时间轴")
        index, = wait_for(lambda: lone_plain_block(timeline), 10, "a plain block in view, clear of the others")
        change_action_type(program.app, timeline, index, "Z轴转动")
        wait_for(lambda: " Z " in (block_name(timeline, index) or ""), 5, "the block named as a Z rotation")

        # Its properties again: the 电机动作 row's button opens the editor.
        block = timeline_blocks(timeline)[index]
        click_at(block, double=True)
        sheet = find(program.app, "dialog", "属性")
        motor_row = find(sheet, "list item", "电机动作")
        press(motor_row)
        picker = wait_for(lambda: next((b for b in find_all(sheet, "push button")
                                        if has_state(b, pyatspi.STATE_SHOWING) and b.name in ("...", "…")), None),
                          5, "the 电机动作 row's button")
        click_at(picker)  # opens a modal dialog: clicked, not pressed
        editor = wait_for(lambda: next((d for d in find_all(program.app, "dialog")
                                        if (d.name or "").startswith("电机程序编辑器")), None), 10, "the motor editor")
        for tool in ["移动", "休息", "循环", "前移", "后移", "删除", "编译", "配置", "打开", "保存", "复位", "撤销", "重做"]:
            find(editor, "push button", tool)
        run = find(editor, None, "运行")
        if role(run) not in ("check box", "toggle button"):
            raise Failure("运行 is a %s, not a button that stays down" % role(run))

        # A loop, then a move, then the move taken between the markers.
        press(find(editor, "push button", "循环"))
        press(find(editor, "push button", "移动"))
        wait_for(lambda: len(editor_step_names(editor)) == 3, 5, "three steps")
        move = find(find(editor, "list", "电机程序"), "list item", "移动 速度100 位移1000")
        press(move)
        wait_for(lambda: has_state(move, pyatspi.STATE_SELECTED), 5, "the move selected")
        press(find(editor, "push button", "前移"))
        wait_for(lambda: editor_step_names(editor) == ["循环 循环5 速度偏移0 位移偏移0", "移动 速度100 位移1000", "循环结束"],
                 5, lambda: "the move between the markers (steps: %s)" % editor_step_names(editor))
        press(find(editor, "push button", "编译"))
        wait_for(lambda: editor_step_names(editor) == ["移动 速度100 位移1000"] * 5, 5,
                 lambda: "the loop expanded five times (steps: %s)" % editor_step_names(editor))
        press(find(editor, "push button", "编译"))
        wait_for(lambda: len(editor_step_names(editor)) == 3, 5, "the editing view back")

        # Steps of 5 s, so the run is still on its first step when looked at;
        # the test controller: the simulator's port, unit 9.
        click_at(find(editor, "push button", "配置"))
        config = find(program.app, "dialog", "配置")
        property_text(config, "命令间隔(ms)", "5000")
        property_text(config, "端口", str(port))
        property_text(config, "站号", str(unit))
        press(find(config, "push button", "确定"))
        wait_for(lambda: not has_state(config, pyatspi.STATE_SHOWING), 5, "the configuration closed")

        click_at(run)  # tells "开始测试" in a message box
        answer(program.app, "开始测试")
        wait_for(lambda: sim.holding(port, unit, 0) == 123, 10,
                 lambda: "the first step's record at the controller (register 0: %s)" % sim.holding(port, unit, 0))
        if (sim.holding(port, unit, 2), sim.holding(port, unit, 3)) != (1000, 100):
            raise Failure("the controller holds displacement %s and speed %s, not 1000 and 100"
                          % (sim.holding(port, unit, 2), sim.holding(port, unit, 3)))
        status = wait_for(lambda: next((l for l in find_all(editor, "label") if "接收" in (l.name or "")), None), 5,
                          "the test run's status line")
        wait_for(lambda: "连接成功" in (status.name or ""), 5, lambda: "the status %r saying 连接成功" % status.name)
        click_at(run)
        answer(program.app, "结束测试")
        wait_for(lambda: not has_state(run, pyatspi.STATE_CHECKED), 5, "运行 released")
        sent = sim.endpoint(port)["requests"]
        time.sleep(1.0)
        # The senders go on (unit 1); unit 9 has stopped changing once the test ended.
        before = sim.holding(port, unit, 0)
        time.sleep(1.0)
        if sim.holding(port, unit, 0) != before or sent == 0:
            raise Failure("the test run went on after 运行 was pressed again")
        press(find(editor, "push button", "编译"))  # stopping checked again: back to editing

        click_at(find(editor, "push button", "保存"))
        files = wait_for(lambda: next((d for d in find_all(program.app, "dialog")
                                       if d.name == "保存" and has_state(d, pyatspi.STATE_SHOWING)), None),
                         10, "the save dialog")
        field = wait_for(lambda: next((e for e in find_all(files, "text")
                                       if has_state(e, pyatspi.STATE_SHOWING)
                                       and has_state(e, pyatspi.STATE_EDITABLE)), None), 5, "the file name field")
        field.queryEditableText().setTextContents(name)
        press(wait_for(lambda: next((b for b in find_all(files, "push button")
                                     if re.match(r"&?(保存|Save)", b.name or "")), None), 5, "the dialog's save button"))
        wait_for(lambda: os.path.exists(ws.file("motor", name + ".motor")), 10, "the motor file written")
        wait_for(lambda: (editor.name or "").startswith("电机程序编辑器 - %s.motor" % name), 5,
                 lambda: "the editor named after the file (%r)" % editor.name)
        pyatspi.Registry.generateKeyboardEvent(9, None, pyatspi.KEY_PRESSRELEASE)  # Escape closes, nothing unsaved
        wait_for(lambda: not has_state(editor, pyatspi.STATE_SHOWING), 5, "the editor closed")
        wait_for(lambda: motor_row.description == name + ".motor", 5,
                 lambda: "the 电机动作 row naming the program (it reads %r)" % motor_row.description)
        press(find(sheet, "push button", "确定"))
        wait_for(lambda: not has_state(sheet, pyatspi.STATE_SHOWING), 5, "the properties closed")
        click_at(find(program.frame, None, "文件(F)"))
        save = find(program.frame, "menu item", "保存(S)")
        wait_for(lambda: has_state(save, pyatspi.STATE_SHOWING), 5, "the 文件 menu open")
        click_at(save)
        answer(program.app, "是否保存被修改的文件？", r"&?(是|Yes)\b")
        if program.close() != 0:
            raise Failure("velmora ended with a non-zero status")
    finally:
        program.kill()
    stored = ini_values(ws.file("Music", "demo.mp3.tlf")).get("timeline", {}).get("tb%d_szmotor" % index)
    if stored != name + ".motor":
        raise Failure("the show file names %r as block %d's motor program" % (stored, index))
    saved = ini_values(ws.file("motor", name + ".motor"))
    if saved.get("main", {}).get("num") != "3" or saved.get("mob1", {}).get("act") != "1":
        raise Failure("the motor file holds %r" % saved)
    cli = os.path.join(os.path.dirname(args.velmora), "velmora-cli")
    out = subprocess.run([cli, "--workspace", ws.path, "asset", "motor", name + ".motor"],
                         check=True, capture_output=True, timeout=60)
    built = json.loads(out.stdout)
    if built["steps"] != [[1, 100, 1000, 0]] * 5:
        raise Failure("velmora-cli built the program as %r" % built)


TESTS = [
    test_frame_shows_its_commands_panes_and_links,
    test_closing_leaves_the_workspace_intact,
    test_a_second_copy_raises_the_first,
    test_links_go_down_with_the_controllers_and_come_back,
    test_a_piece_plays_pauses_seeks_and_its_show_survives_closing,
    test_a_block_edited_undone_and_saved_reaches_the_show_file,
    test_a_batch_exported_edited_imported_undone_and_saved,
    test_the_fine_tune_knob_jogs_a_motor_at_its_controller,
    test_the_hand_panel_drives_a_group_and_marks_it_undelivered_without_links,
    test_a_debug_panel_level_a_dead_link_and_a_grown_channel_reach_the_controllers,
    test_a_motor_program_built_tried_on_the_controller_and_saved_for_a_block,
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("tests", nargs="*")
    args = parser.parse_args()
    # The session's registry starts on its first client. A program started
    # before it is up may never show on the bus, so ask it first, as a
    # screen reader already running on a desktop would have.
    wait_for(lambda: pyatspi.Registry.getDesktop(0) is not None, 20, "the accessibility registry")
    failures = 0
    for test in TESTS:
        if args.tests and test.__name__ not in args.tests:
            continue
        ws = Workspace(args.source)
        sim = Simulator(args.sim, ws)
        started = time.monotonic()
        try:
            test(args, ws, sim)
            print("PASS %s (%.1f s)" % (test.__name__, time.monotonic() - started), flush=True)
        except Exception as error:  # report every test, then fail the run
            failures += 1
            print("FAIL %s: %s" % (test.__name__, error), flush=True)
            if not isinstance(error, Failure):
                traceback.print_exc()
            for log in sorted(os.listdir(ws.root)):
                if log.endswith(".log"):
                    with open(os.path.join(ws.root, log), errors="replace") as f:
                        tail = f.read()[-1500:]
                    if tail.strip():
                        print("---- %s ----\n%s" % (log, tail))
        finally:
            sim.stop()
            ws.remove()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
