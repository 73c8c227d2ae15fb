#!/usr/bin/python3
"""pagewright as a screen reader meets it: read through the accessibility bus (pyatspi,
the library Orca reads with) and worked only through it. Every button of the main menu,
the builder, the FTP login and the publisher has a name and a press action; pressing
"Upload Your Web Site (FTP)" opens the FTP login, which connects to a real FTP server on
127.0.0.1 and opens the publisher; "Upload ALL Files" sends the site; a message is a
dialog that says its text.

Usage: screen_reader_test.py PROGRAM_FOLDER SERVER_SCRIPT
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session  # noqa: E402
from desktop_session import check, wait_for  # noqa: E402

MAIN_MENU = [
    "Page 1", "Page 2", "Page 3",
    "Click to go to the Build/Edit page", "Click to go to Name Pages",
    "Click to build or edit your web site", "Click to start online tutorial",
    "Click here to view online tutorial", "Change to another web site design",
    "Click to publish your web site online", "Low cost web site hosting", "KW5 Sitewell",
]
BUILDER = [
    "Page 2", "Page 3", "Click to go to the Start page", "Click to go to the Name Pages",
    "Click to Edit  section A", "Click on Edit section B", "Click to Edit section B",
    "Click to Edit Section B", "Text A", "Text B", "Edit Meta Tag Text", "Save or preview site",
]
FTP_LOGIN = ["Cancel", "Upload Site", "Quick Help"]
PUBLISHER = [
    "Upload ALL Files", "Upload Selected File", "Download File", "Exit / Main Menu", "Main Menu", "Quit FTP",
    "DEL", "CD", "RD", "MD",
]


def names_of(nodes):
    return [node.name for node in nodes]


def check_buttons(desktop, window, expected):
    """Every button showing has a name, and a press action unless it is disabled; the
    expected ones are there."""
    buttons = desktop.buttons(window)
    for button in buttons:
        check(button.name.strip() != "",
              f'a button without a name in "{window.name}" among {names_of(buttons)}')
        check(button.name == button.name.strip(), f'"{button.name}" is not trimmed')
        if not button.getState().contains(desktop.pyatspi.STATE_ENABLED):
            continue  # the builder's button for the page it is on: nothing to press
        action = button.queryAction()
        actions = [action.getName(i).lower() for i in range(action.nActions)]
        check("press" in actions, f'"{button.name}" has no press action: {actions}')
    missing = [name for name in expected if name not in names_of(buttons)]
    check(not missing, f'"{window.name}" lacks buttons {missing}; it has {names_of(buttons)}')


def button(desktop, window, name):
    return wait_for(f'"{name}" in "{window.name}"',
                    lambda: next((b for b in desktop.buttons(window) if b.name == name), None))


def check_pane(desktop, window, name):
    panes = [node for node in desktop.descendants(window) if node.name == name and desktop.showing(node)]
    check(panes, f'no pane named "{name}" in "{window.name}"')


def type_into(desktop, window, field_name, text):
    fields = [node for node in desktop.descendants(window, {desktop.pyatspi.ROLE_TEXT,
                                                              desktop.pyatspi.ROLE_PASSWORD_TEXT})
              if node.name == field_name]
    check(fields, f'no field named "{field_name}" in "{window.name}"')
    fields[0].queryEditableText().setTextContents(text)


def main():
    program_folder, server_script = sys.argv[1], sys.argv[2]
    desktop_session.under_session_bus()
    with desktop_session.Desktop(program_folder) as desktop:
        root = desktop.ftp_root()
        port = desktop.start_ftp_server(server_script, root, "maria", "secret")
        desktop.start_pagewright()

        menu = desktop.window("KW5 Sitewell", timeout=60)
        check_buttons(desktop, menu, MAIN_MENU)
        check_pane(desktop, menu, "Your site in three steps")

        desktop.press(button(desktop, menu, "Page 1"))
        builder = desktop.window("KW5 Sitewell", desktop.holding("Save or preview site"))
        check_buttons(desktop, builder, BUILDER)
        check_pane(desktop, builder, "Preview")

        desktop.press(button(desktop, builder, "Click to go to the Start page"))
        menu = desktop.window("KW5 Sitewell", desktop.holding("Click to publish your web site online"))
        desktop.press(button(desktop, menu, "Click to publish your web site online"))

        login = desktop.window("FTP Login")
        check(login.getRole() == desktop.pyatspi.ROLE_DIALOG, f"the login is a {login.getRoleName()}")
        check_buttons(desktop, login, FTP_LOGIN)
        type_into(desktop, login, "Host:", f"ftp://127.0.0.1:{port}")
        type_into(desktop, login, "Username:", "maria")
        type_into(desktop, login, "Password:", "secret")
        desktop.press(button(desktop, login, "Upload Site"))

        publisher = desktop.window("Publish site tool ( FTP Client)", timeout=60)
        check_buttons(desktop, publisher, PUBLISHER)
        check_pane(desktop, publisher, "Preview")

        desktop.press(button(desktop, publisher, "Upload ALL Files"))
        wait_for("the site on the server", lambda: os.path.exists(os.path.join(root, "www", "graf1.gif")), timeout=60)

        # Nothing is selected: the message says so, as a dialog a screen reader announces.
        time.sleep(1)
        desktop.press(button(desktop, publisher, "Upload Selected File"))
        message = desktop.window("Error: No Selected Items")
        check(message.getRole() in (desktop.pyatspi.ROLE_DIALOG, desktop.pyatspi.ROLE_ALERT),
              f"the message is a {message.getRoleName()}")
        said = [message.description] + names_of(desktop.descendants(message))
        check(any("No items selected. Cannot continue." in text for text in said), f"the message says {said}")
        desktop.press(button(desktop, message, "OK"))
        wait_for("the message to close", lambda: not any(
            w.name == "Error: No Selected Items" and desktop.showing(w)
            for w in [desktop.application().getChildAtIndex(i) for i in range(desktop.application().childCount)]
            if w is not None))
    print("screen reader walk: passed")


if __name__ == "__main__":
    main()
