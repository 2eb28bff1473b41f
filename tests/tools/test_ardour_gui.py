"""Tests of tools/ardour_gui.py: the session edits and the window search of the GUI check."""
import os
import sys
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import ardour_gui  # noqa: E402

SESSION = """<?xml version="1.0" encoding="UTF-8"?>
<Session version="7003" name="gui">
  <EngineHints backend="Dummy" input-device="Silence" output-device="Silence"/>
  <Routes>
    <Route id="32" name="Master">
      <Processor id="62" name="Amp" type="amp"/>
    </Route>
    <Route id="125" name="Q">
      <Processor id="175" name="Amp" type="trim"/>
      <Processor id="195" name="Limiter Stereo" type="lxvst">
        <lxvst>
          <chunk program="0">QUJD
REVG</chunk>
        </lxvst>
        <Controllable name="bypass" id="197" value="0" parameter="0"/>
        <Controllable name="th" id="213" value="1" parameter="8"/>
        <Controllable name="bypass-ctl" id="300" value="1"/>
      </Processor>
    </Route>
  </Routes>
  %s
</Session>
"""


def session(extra=""):
    return ET.fromstring(SESSION % extra)


def windows(root):
    return [(w.get("name"), w.get("visible"), w.get("custom-ui")) for w in root.iter("Window")]


class PrepareTest(unittest.TestCase):
    def test_opens_the_editor_on_load(self):
        cases = [  # extra XML already in the session, windows expected after
            ("", [("P-125-195", "1", "1")]),
            ("<Extra><UI><Window name=\"P-125-195\" visible=\"0\"/></UI></Extra>",
             [("P-125-195", "1", "1")]),
            ("<Extra><UI><Window name=\"editor\" visible=\"1\"/></UI><Other/></Extra>",
             [("editor", "1", None), ("P-125-195", "1", "1")]),
        ]
        for extra, want in cases:
            with self.subTest(extra=extra):
                root = session(extra)
                self.assertEqual(ardour_gui.prepare(root, "Q", "Limiter Stereo"), "195")
                # Written and read back, as the script does.
                root = ET.fromstring(ET.tostring(root, encoding="unicode"))
                self.assertEqual(windows(root), want)
                self.assertEqual(root.findall("EngineHints"), [])
                self.assertEqual(len(root.findall("Extra")), 1)

    def test_refuses_sessions_without_one_such_plugin(self):
        cases = [  # session edit, what the error names
            (lambda s: s.replace('name="Q"', 'name="R"'), "0 tracks"),
            (lambda s: s.replace('name="Master"', 'name="Q"'), "2 tracks"),
            (lambda s: s.replace('type="lxvst"', 'type="lv2"'), "0 VST processors"),
            (lambda s: s.replace('name="Amp" type="trim"', 'name="Limiter Stereo" type="lxvst"'),
             "2 VST processors"),
            (lambda s: s.replace('<Processor id="195"', '<Processor'), "no id"),
            (lambda s: s.replace('<Route id="125"', '<Route'), "no id"),
        ]
        for edit, message in cases:
            with self.subTest(message=message):
                root = ET.fromstring(edit(SESSION % ""))
                with self.assertRaisesRegex(ardour_gui.Failure, message):
                    ardour_gui.prepare(root, "Q", "Limiter Stereo")
                self.assertEqual(windows(root), [])


class StateTest(unittest.TestCase):
    def test_changes(self):
        cases = [  # edit of the saved session, changed items
            (lambda s: s, []),
            (lambda s: s.replace("QUJD\nREVG", "QUJDREVG"), []),   # line breaks only
            (lambda s: s.replace("QUJD", "QUJE"), ["chunk 0"]),
            (lambda s: s.replace('value="1" parameter="8"', 'value="0.89" parameter="8"'),
             ["parameter 8 (th)"]),
            (lambda s: s.replace('id="300" value="1"', 'id="300" value="0"'), []),  # no parameter
            (lambda s: s.replace('<Controllable name="bypass" id="197" value="0" parameter="0"/>', ""),
             ["parameter 0 (bypass)"]),
        ]
        before = ardour_gui.plugin_state(session(), "195")
        for edit, want in cases:
            with self.subTest(want=want):
                after = ardour_gui.plugin_state(ET.fromstring(edit(SESSION % "")), "195")
                changes = ardour_gui.state_changes(before, after)
                self.assertEqual([c.split(":")[0] for c in changes], want)

    def test_unknown_processor(self):
        for proc_id in ("196", ""):
            with self.subTest(proc_id=proc_id), self.assertRaises(ardour_gui.Failure):
                ardour_gui.plugin_state(session(), proc_id)


TREE = """
xwininfo: Window id: 0x1e1 (the root window) (has no name)

  Root window id: 0x1e1 (the root window) (has no name)
  Parent window id: 0x0 (none)
     6 children:
     0x4004bf "Q: Limiter Stereo (by LSP VST) [VST]": ("ardour-7.3.0~ds0" "Ardour-7.3.0~ds0")  690x581+455+210  +455+210
        2 children:
        0x4004c4 (has no name): ()  690x40+0+0  +455+210
        0x4004c2 (has no name): ()  690x541+0+40  +455+250
           1 child:
           0x4004c3 (has no name): ()  690x541+0+0  +455+250
              1 child:
              0x60023f "Begrenzer Stereo": ("limiter_stereo" "lsp-plugins")  690x541+0+0  +455+250
                 1 child:
                 0x600250 (has no name): ()  690x541+0+0  +455+250
     0x400500 "Q: Other (by Someone) [VST]": ("ardour-7.3.0~ds0" "Ardour-7.3.0~ds0")  400x300+0+0  +0+0
        1 child:
        0x400501 (has no name): ()  400x300+0+0  +0+0
     0x400600 "Q: Nested (by Someone) [VST]": ("ardour-7.3.0~ds0" "Ardour-7.3.0~ds0")  400x300+0+0  +0+0
        2 children:
        0x700001 "outer": ("outer" "Outer")  400x300+0+0  +0+0
        0x400601 (has no name): ()  400x300+0+0  +0+0
           1 child:
           0x400602 (has no name): ()  400x300+0+0  +0+0
              1 child:
              0x700003 "inner": ("inner" "Inner")  400x300+0+0  +0+0
     0x600240 "Update notification": ()  715x455+-12+43  +-12+43
     0x40046f "Ardour": ()  10x10+-100+-100  +-100+-100
     0x400228 "*gui - Ardour": ("ardour_ardour" "Ardour")  1348x713+0+0  +0+0
"""


class WindowTest(unittest.TestCase):
    def test_tree(self):
        top = ardour_gui.parse_tree(TREE)
        self.assertEqual([(w["id"], w["name"]) for w in top],
                         [("0x4004bf", "Q: Limiter Stereo (by LSP VST) [VST]"),
                          ("0x400500", "Q: Other (by Someone) [VST]"),
                          ("0x400600", "Q: Nested (by Someone) [VST]"),
                          ("0x600240", "Update notification"), ("0x40046f", "Ardour"),
                          ("0x400228", "*gui - Ardour")])
        self.assertEqual([c["id"] for c in top[0]["children"]], ["0x4004c4", "0x4004c2"])
        self.assertEqual((top[4]["w"], top[4]["h"]), (10, 10))

    def test_find_editor(self):
        top = ardour_gui.parse_tree(TREE)
        cases = [  # title prefix, class regex, host found, editor found
            ("Q: Limiter Stereo", "", "0x4004bf", "0x60023f"),
            ("Q: Limiter Stereo", "lsp-plugins", "0x4004bf", "0x60023f"),
            ("Q: Limiter Stereo", "quillmere", "0x4004bf", None),
            ("Q: Other", "", "0x400500", None),      # the host's generic controls only
            ("Q: Nested", "", "0x400600", "0x700003"),
            ("Q: Nested", "Outer", "0x400600", "0x700001"),
            ("Q: Missing", "", None, None),
            ("*gui", "", None, None),               # not a plug-in's window
        ]
        for prefix, klass, host, editor in cases:
            with self.subTest(prefix=prefix, klass=klass):
                found = ardour_gui.find_editor(top, prefix, klass)
                got = (found[0]["id"], found[1] and found[1]["id"]) if found else (None, None)
                self.assertEqual(got, (host, editor))

    def test_dialogs(self):
        cases = [
            ("_NET_WM_STATE(ATOM) = _NET_WM_STATE_MODAL, _NET_WM_STATE_SKIP_TASKBAR", True),
            ("_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG", True),
            ("WM_TRANSIENT_FOR(WINDOW): window id # 0x60023f", True),
            ("WM_TRANSIENT_FOR(WINDOW): window id # 0x0\n_NET_WM_STATE(ATOM) = ", False),
            ("_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_UTILITY\n"
             "WM_TRANSIENT_FOR:  not found.", False),
        ]
        for props, want in cases:
            with self.subTest(props=props):
                self.assertEqual(ardour_gui.is_dialog(props), want)


def picture(rows, colours):
    """Packed RGB from rows of one character per pixel."""
    return b"".join(bytes(colours[c]) for row in rows for c in row)


class ColourTest(unittest.TestCase):
    COLOURS = {".": (0, 0, 0), "a": (200, 80, 200), "b": (208, 72, 192), "c": (209, 80, 200),
               "d": (10, 10, 10)}

    def test_first_patch(self):
        cases = [  # rows, centre of the first patch of colour a (within 8 per channel)
            (["......", "..aa..", "..aa..", "......"], (2, 1)),
            (["......", "...a..", "..aaa.", "...a.."], (3, 2)),
            (["..b...", "..a...", "......", "..aaaa"], (2, 0)),      # b is near enough
            (["..c...", "......", "...aaa", "...aaa"], (4, 2)),      # c is not
            ([".a....", "..a...", "......", "......"], (1, 0)),      # no diagonal steps
            (["......", "a.....", "aaaaaa", "d....a"], (2, 2)),
            (["......", "..d...", "......", "......"], None),
        ]
        for rows, want in cases:
            with self.subTest(rows=rows):
                self.assertEqual(ardour_gui.find_colour(picture(rows, self.COLOURS), 6, 4,
                                                        bytes((200, 80, 200))), want)

    def test_refuses_a_wrong_size(self):
        pixels = picture(["aa", "aa"], self.COLOURS)
        for width, height, data in ((2, 2, pixels[:-1]), (3, 2, pixels), (0, 4, b""),
                                    (-2, -2, pixels)):
            with self.subTest(width=width, height=height), self.assertRaises(ardour_gui.Failure):
                ardour_gui.find_colour(data, width, height, bytes(3))


if __name__ == "__main__":
    unittest.main()
