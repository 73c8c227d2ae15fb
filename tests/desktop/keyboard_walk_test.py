#!/usr/bin/python3
"""pagewright without a mouse: from start-up, the Tab and Enter keys alone (typed with
xdotool into the real X server) reach page 1, section A in the editor, Go Back, "Save or
preview site" and the FTP login. The accessibility bus is only read, to see where the
focus is, as a screen reader would say it.

Usage: keyboard_walk_test.py PROGRAM_FOLDER
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session  # noqa: E402
from desktop_session import wait_for  # noqa: E402

MOST_TABS = 40  # more than any window has stops


def key(name):
    subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)


def moved_from(desktop, window, before):
    """The focus once it has left `before`: one key at a time, so none is skipped."""
    try:
        return wait_for("the focus to move", lambda: (lambda now: now if now != before else None)(
            desktop.focused(window)), timeout=5)
    except AssertionError:
        return before  # a window of one stop


def tab_to(desktop, window_name, name, where=None):
    """Tabs until the focus is on the button called name in that window."""
    seen = []
    window = desktop.window(window_name, where)
    focused = desktop.focused(window)
    for _ in range(MOST_TABS):
        if focused is not None and focused.name == name:
            return
        seen.append(focused.name if focused is not None else None)
        key("Tab")
        focused = moved_from(desktop, window, focused)
    raise AssertionError(f'Tab never reached "{name}" in "{window_name}"; the focus went {seen}')


def main():
    program_folder = sys.argv[1]
    desktop_session.under_session_bus()
    with desktop_session.Desktop(program_folder) as desktop:
        desktop.start_pagewright()
        desktop.window("KW5 Sitewell", timeout=60)

        tab_to(desktop, "KW5 Sitewell", "Page 1")
        key("Return")
        in_builder = desktop.holding("Save or preview site")
        desktop.window("KW5 Sitewell", in_builder)

        tab_to(desktop, "KW5 Sitewell", "Click to Edit  section A", in_builder)
        key("Return")
        desktop.window("Page Editor", timeout=60)

        tab_to(desktop, "Page Editor", "Go Back")
        key("Return")
        desktop.window("KW5 Sitewell", in_builder)

        tab_to(desktop, "KW5 Sitewell", "Save or preview site", in_builder)
        key("Return")
        page = os.path.join(desktop.inst, "default", "index.html")
        wait_for("the generated page", lambda: os.path.exists(page))
        wait_for("the page opened in the browser",
                 lambda: os.path.exists(desktop.opened) and page in open(desktop.opened).read())

        tab_to(desktop, "KW5 Sitewell", "Click to go to the Start page", in_builder)
        key("Return")
        in_menu = desktop.holding("Click to publish your web site online")
        desktop.window("KW5 Sitewell", in_menu)
        tab_to(desktop, "KW5 Sitewell", "Click to publish your web site online", in_menu)
        key("Return")
        desktop.window("FTP Login")
    print("keyboard walk: passed")


if __name__ == "__main__":
    main()
