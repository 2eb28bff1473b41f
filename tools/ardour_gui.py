#!/usr/bin/env python3
"""Session-file and X window helpers of tools/ardour-gui-check.sh.

  ardour_gui.py prepare SESSION.ardour TRACK PLUGIN
      Makes a session written by ardour7-lua open PLUGIN's editor on TRACK when Ardour's GUI
      loads it, and prints the plug-in processor's id.
  ardour_gui.py changed BEFORE.ardour AFTER.ardour PROCESSOR_ID
      Prints what differs in the plug-in's saved state; exit status 0 when something does,
      1 when nothing does, 2 when a file does not hold the processor.
  ardour_gui.py editor TITLE_PREFIX [CLASS_REGEX]
      Finds the host's plug-in window (a top-level window titled "TITLE_PREFIX ... [VST]") and
      the plug-in's own editor in it; prints "HOST_WINDOW EDITOR_WINDOW WIDTH HEIGHT". Exit
      status 0 when found, 3 without the host's window, 4 with it but no editor in it.
  ardour_gui.py modals
      Prints the mapped top-level windows that are dialogs; exit status 0 when there are none.
  ardour_gui.py find-colour PICTURE RRGGBB
      Prints "X Y", the centre of the first patch of colour RRGGBB (each channel within 8 of it)
      in the picture, in reading order; exit status 1 when the picture has no such pixel.

Only Python's standard library and the X command-line tools (xwininfo, xprop) are used.
"""
import hashlib
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

# Processor types Ardour gives VST 2.x plug-ins in a session file.
VST_TYPES = ("lxvst", "windows-vst", "mac-vst")


class Failure(Exception):
    pass


def find_plugin(root, track, plugin):
    """The route named TRACK and the one VST processor named PLUGIN on it."""
    routes = [r for r in root.iter("Route") if r.get("name") == track]
    if len(routes) != 1:
        raise Failure("the session holds %d tracks named %r" % (len(routes), track))
    procs = [p for p in routes[0].findall("Processor")
             if p.get("name") == plugin and p.get("type") in VST_TYPES]
    if len(procs) != 1:
        raise Failure("track %r holds %d VST processors named %r" % (track, len(procs), plugin))
    for node, what in ((routes[0], "track"), (procs[0], "processor")):
        if not node.get("id"):
            raise Failure("the %s has no id" % what)
    return routes[0], procs[0]


def prepare(root, track, plugin):
    """Edits the session tree in place; returns the processor's id."""
    route, proc = find_plugin(root, track, plugin)
    # ardour7-lua records the device it ran on; Ardour's GUI names the dummy backend's device
    # differently and would greet the session with a modal "device has changed" warning.
    for hints in root.findall("EngineHints"):
        root.remove(hints)
    # Ardour reopens on load each plug-in window that the session's UI state lists as visible.
    extra = root.find("Extra")
    if extra is None:
        extra = ET.SubElement(root, "Extra")
    ui = extra.find("UI")
    if ui is None:
        ui = ET.SubElement(extra, "UI")
    name = "P-%s-%s" % (route.get("id"), proc.get("id"))
    for old in [w for w in ui.findall("Window") if w.get("name") == name]:
        ui.remove(old)
    ET.SubElement(ui, "Window", {"name": name, "visible": "1", "custom-ui": "1"})
    return proc.get("id")


def plugin_state(root, proc_id):
    """What the host saves of the plug-in: its chunks (by digest) and its parameter values."""
    procs = [p for p in root.iter("Processor") if p.get("id") == proc_id]
    if len(procs) != 1:
        raise Failure("the session holds %d processors with id %s" % (len(procs), proc_id))
    state = {}
    for chunk in procs[0].iter("chunk"):
        data = "".join((chunk.text or "").split())
        state["chunk %s" % chunk.get("program", "")] = hashlib.sha1(data.encode()).hexdigest()
    for ctl in procs[0].findall("Controllable"):
        if ctl.get("parameter") is not None:
            state["parameter %s (%s)" % (ctl.get("parameter"), ctl.get("name"))] = ctl.get("value")
    return state


def state_changes(before, after):
    keys = sorted(set(before) | set(after))
    return ["%s: %s -> %s" % (k, before.get(k, "none"), after.get(k, "none"))
            for k in keys if before.get(k) != after.get(k)]


# One window of `xwininfo -root -tree`: indentation, id, name, class hint, geometry.
TREE_LINE = re.compile(r'^(\s*)(0x[0-9a-fA-F]+) (.*?): \((.*)\)\s+(\d+)x(\d+)[+-]')


def parse_tree(text):
    """Windows of `xwininfo -root -tree` as dicts with children; returns the top-level ones."""
    top, stack = [], []
    for line in text.splitlines():
        m = TREE_LINE.match(line)
        if not m:
            continue
        indent, wid, name, klass, w, h = m.groups()
        name = name[1:-1] if name.startswith('"') and name.endswith('"') else None
        win = {"id": wid, "name": name, "class": klass.strip(), "w": int(w), "h": int(h),
               "children": []}
        while stack and stack[-1][0] >= len(indent):
            stack.pop()
        (stack[-1][1]["children"] if stack else top).append(win)
        stack.append((len(indent), win))
    return top


def deepest_classed(win, class_re, depth=0):
    """The deepest window below WIN whose class hint matches; (depth, window) or None."""
    best = None
    for child in win["children"]:
        if child["class"] and class_re.search(child["class"]):
            if best is None or depth + 1 > best[0]:
                best = (depth + 1, child)
        found = deepest_classed(child, class_re, depth + 1)
        if found and (best is None or found[0] > best[0]):
            best = found
    return best


def find_editor(top, title_prefix, class_regex=""):
    """(host window, editor window or None), or None without the host's window."""
    hosts = [w for w in top if w["name"] and w["name"].startswith(title_prefix)
             and w["name"].endswith("[VST]")]
    if not hosts:
        return None
    class_re = re.compile(class_regex)
    for host in hosts:
        found = deepest_classed(host, class_re)
        if found:
            return host, found[1]
    return hosts[0], None


def is_dialog(props):
    """Whether `xprop` output shows a modal window, a dialog or a window that belongs to another."""
    if "_NET_WM_STATE_MODAL" in props or "_NET_WM_WINDOW_TYPE_DIALOG" in props:
        return True
    m = re.search(r"WM_TRANSIENT_FOR\(WINDOW\): window id # (0x[0-9a-fA-F]+)", props)
    return bool(m and int(m.group(1), 16) != 0)


def find_colour(pixels, width, height, rgb, tolerance=8):
    """Centre of the bounding box of the first 4-connected patch of RGB in packed 8-bit RGB."""
    if width <= 0 or height <= 0 or len(pixels) != width * height * 3:
        raise Failure("a %dx%d picture needs %d bytes, not %d"
                      % (width, height, max(width * height * 3, 0), len(pixels)))

    def near(i):
        return all(abs(pixels[3 * i + c] - rgb[c]) <= tolerance for c in range(3))

    start = next((i for i in range(width * height) if near(i)), None)
    if start is None:
        return None
    seen, todo = {start}, [start]
    left, top, right, bottom = width, height, -1, -1
    while todo:
        i = todo.pop()
        x, y = i % width, i // width
        left, top, right, bottom = min(left, x), min(top, y), max(right, x), max(bottom, y)
        for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
            j = ny * width + nx
            if 0 <= nx < width and 0 <= ny < height and j not in seen and near(j):
                seen.add(j)
                todo.append(j)
    return (left + right) // 2, (top + bottom) // 2


def read_picture(path):
    """Width, height and packed 8-bit RGB of a picture file, through ImageMagick."""
    size = run(["identify", "-format", "%w %h", path]).split()
    if len(size) != 2:
        raise Failure("cannot read %s" % path)
    pixels = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                            timeout=20).stdout
    return int(size[0]), int(size[1]), pixels


def run(args):
    return subprocess.run(args, capture_output=True, text=True, timeout=20).stdout


def modals():
    found = []
    for win in parse_tree(run(["xwininfo", "-root", "-tree"])):
        if "IsViewable" not in run(["xwininfo", "-id", win["id"]]):
            continue
        if is_dialog(run(["xprop", "-id", win["id"], "_NET_WM_STATE", "_NET_WM_WINDOW_TYPE",
                          "WM_TRANSIENT_FOR"])):
            found.append('%s "%s"' % (win["id"], win["name"] or ""))
    return found


def main(argv):
    cmd = argv[1] if len(argv) > 1 else ""
    try:
        if cmd == "prepare" and len(argv) == 5:
            tree = ET.parse(argv[2])
            print(prepare(tree.getroot(), argv[3], argv[4]))
            tree.write(argv[2], encoding="UTF-8", xml_declaration=True)
            return 0
        if cmd == "changed" and len(argv) == 5:
            before = plugin_state(ET.parse(argv[2]).getroot(), argv[4])
            after = plugin_state(ET.parse(argv[3]).getroot(), argv[4])
            changes = state_changes(before, after)
            print("\n".join(changes) if changes else "no change in %d saved items" % len(after))
            return 0 if changes else 1
        if cmd == "editor" and len(argv) in (3, 4):
            found = find_editor(parse_tree(run(["xwininfo", "-root", "-tree"])), argv[2],
                                argv[3] if len(argv) == 4 else "")
            if not found:
                return 3
            host, editor = found
            if not editor:
                print(host["id"])
                return 4
            print(host["id"], editor["id"], editor["w"], editor["h"])
            return 0
        if cmd == "find-colour" and len(argv) == 4 and re.fullmatch(r"[0-9a-fA-F]{6}", argv[3]):
            width, height, pixels = read_picture(argv[2])
            found = find_colour(pixels, width, height, bytes.fromhex(argv[3]))
            if not found:
                return 1
            print(*found)
            return 0
        if cmd == "modals" and len(argv) == 2:
            found = modals()
            print("\n".join(found))
            return 1 if found else 0
    except (Failure, ET.ParseError, OSError, subprocess.SubprocessError) as e:
        print("ardour_gui: %s" % e, file=sys.stderr)
        return 2
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
