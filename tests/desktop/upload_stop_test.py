#!/usr/bin/python3
"""Stopping an upload on a real X server, as a user does: the publisher's "Upload ALL
Files" sends many pages to an FTP server whose replies come late, Esc is typed with
xdotool, and the upload ends well before the last page, its count and Stop button gone.
Keys typed into the real server come through the window system's queue, which a test's
own key events skip.

Usage: upload_stop_test.py PROGRAM_FOLDER FTP_SERVER_SCRIPT
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session  # noqa: E402
from desktop_session import check, wait_for  # noqa: E402
from screen_reader_test import button, type_into  # noqa: E402

PAGES = 300


def main():
    program_folder, server_script = sys.argv[1], sys.argv[2]
    desktop_session.under_session_bus()
    with desktop_session.Desktop(program_folder) as desktop:
        root = desktop.ftp_root()
        www = os.path.join(root, "www")
        port = desktop.start_ftp_server(server_script, root, "maria", "secret", "--delay", "30")
        desktop.start_pagewright()

        menu = desktop.window("KW5 Sitewell", timeout=60)
        desktop.press(button(desktop, menu, "Click to publish your web site online"))
        login = desktop.window("FTP Login")
        site = os.path.join(desktop.inst, "default")
        for index in range(PAGES):
            with open(os.path.join(site, f"page{index}.html"), "w") as page:
                page.write(f"<p>page {index}</p>\n")
        type_into(desktop, login, "Host:", f"ftp://127.0.0.1:{port}")
        type_into(desktop, login, "Username:", "maria")
        type_into(desktop, login, "Password:", "secret")
        desktop.press(button(desktop, login, "Upload Site"))
        publisher = desktop.window("Publish site tool ( FTP Client)", timeout=60)

        desktop.press(button(desktop, publisher, "Upload ALL Files"))
        wait_for("the first pages on the server", lambda: len(os.listdir(www)) >= 5, timeout=60)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "Escape"], check=True)
        wait_for("the upload to end", lambda: not any(b.name == "Stop" for b in desktop.buttons(publisher)),
                 timeout=60)
        sent = len(os.listdir(www))
        time.sleep(2)
        check(len(os.listdir(www)) == sent, "pages still arrive after the upload ended")
        check(sent < PAGES, f"Esc did not stop the upload: {sent} files on the server")
    print(f"upload stop walk: passed ({sent} of {PAGES} pages sent before the stop)")


if __name__ == "__main__":
    main()
