"""A desktop for pagewright's tests, as a user would have it: an X server (Xvfb) with a
window manager (openbox), the session bus with the accessibility bus that screen readers
read through, a scratch installation, and pagewright started in it.

Used by screen_reader_test.py and keyboard_walk_test.py; run them with Debian's
/usr/bin/python3, the one that has pyatspi.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

PROGRAMS = ("pagewright", "pagewright-gui", "designpack", "mkdesignpack")


def under_session_bus():
    """Runs this script again inside its own session bus, once."""
    if os.environ.get("PW_TEST_SESSION_BUS") != "1":
        os.environ["PW_TEST_SESSION_BUS"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)


def wait_for(what, condition, timeout=30.0, step=0.2):
    """Polls condition() until it returns something true; fails the test after timeout.
    A condition that raises counts as not yet true."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = condition()
        except Exception as error:  # an object gone while it was read: windows come and go
            result, last = None, error
        else:
            last = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}") from last
        time.sleep(step)


class Desktop:
    """Xvfb, openbox, the accessibility bus and a scratch installation of pagewright;
    stops everything it started, in reverse order."""

    def __init__(self, program_folder, scale=1):
        self.program_folder = program_folder
        self.scale = scale  # QT_SCALE_FACTOR; the screen grows with it
        self.processes = []
        self.folder = tempfile.mkdtemp(prefix="pw-desktop-")
        self.inst = os.path.join(self.folder, "inst")
        self.opened = os.path.join(self.folder, "opened.txt")

    def __enter__(self):
        try:
            self._start_display()
            self._start_accessibility_bus()
            self._start(["openbox", "--sm-disable"])
            self._install()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *_):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def _start(self, command, **options):
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, **options)
        self.processes.append(process)
        return process

    def _start_display(self):
        read, write = os.pipe()
        screen = f"{1280 * self.scale}x{1024 * self.scale}x24"
        self._start(["Xvfb", "-displayfd", str(write), "-screen", "0", screen, "-nolisten", "tcp"],
                    pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise AssertionError("Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number
        runtime = os.path.join(self.folder, "runtime")
        os.mkdir(runtime, 0o700)
        os.environ["XDG_RUNTIME_DIR"] = runtime

    def _start_accessibility_bus(self):
        self._start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        import pyatspi  # only now: it finds the bus through the session bus
        self.pyatspi = pyatspi
        wait_for("the accessibility bus", lambda: self._desktop_answers())

    def _desktop_answers(self):
        """The registry answers on the bus (the desktop object alone is made locally), so
        the program finds the bus when it starts."""
        try:
            return self.pyatspi.Registry.getDesktop(0).childCount >= 0
        except Exception:
            return False

    def _install(self):
        """The installation's content without its programs, as a first start finds it;
        the desktop's "open" lands in a list instead of a browser."""
        os.mkdir(self.inst)
        for name in os.listdir(self.program_folder):
            if name in PROGRAMS:
                continue
            source = os.path.join(self.program_folder, name)
            target = os.path.join(self.inst, name)
            (shutil.copytree if os.path.isdir(source) else shutil.copy)(source, target)
        tools = os.path.join(self.folder, "bin")
        os.mkdir(tools)
        opener = os.path.join(tools, "xdg-open")
        with open(opener, "w") as script:
            script.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{self.opened}"\n')
        os.chmod(opener, 0o755)
        self.path = tools + os.pathsep + os.environ.get("PATH", "")

    def start_pagewright(self):
        environment = dict(os.environ,
                           PAGEWRIGHT_HOME=self.inst,
                           PAGEWRIGHT_VENDOR_SITE="https://vendor.example",
                           PATH=self.path,
                           QT_QPA_PLATFORM="xcb",
                           QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                           QT_ACCESSIBILITY="1",
                           QT_SCALE_FACTOR=str(self.scale),
                           QTWEBENGINE_DISABLE_SANDBOX="1",
                           QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu",
                           XDG_CURRENT_DESKTOP="X-Generic")
        return self._start([os.path.join(self.program_folder, "pagewright")], env=environment)

    def ftp_root(self):
        """A folder for the FTP server to serve, holding an empty web folder "www"."""
        root = tempfile.mkdtemp(prefix="pw-ftp-", dir=self.folder)
        os.chmod(root, 0o755)
        os.mkdir(os.path.join(root, "www"))
        return root

    def start_ftp_server(self, server_script, root, user, password, *options):
        """pyftpdlib on 127.0.0.1, as the publisher's own tests run it, with the script's
        `options` ("--delay", "30"); its port."""
        server = self._start(["/usr/bin/python3", server_script, root, user, password, *options],
                             stdout=subprocess.PIPE, text=True)
        line = server.stdout.readline().split()
        if len(line) != 2 or line[0] != "PORT":
            raise AssertionError("the FTP server did not start")
        return int(line[1])

    # ---- reading the program through the accessibility bus ----

    def application(self):
        def find():
            desktop = self.pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                app = desktop.getChildAtIndex(index)
                if app is not None and app.name.startswith("pagewright"):
                    return app
            return None
        return wait_for("pagewright on the accessibility bus", find, timeout=60)

    def window(self, name, where=None, timeout=30):
        """The showing top-level window (frame or dialog) of that name, and for which
        where(window) holds when given."""
        def find():
            app = self.application()
            for index in range(app.childCount):
                window = app.getChildAtIndex(index)
                if window is not None and window.name == name and self.showing(window) and (
                        where is None or where(window)):
                    return window
            return None
        return wait_for(f'the window "{name}"', find, timeout=timeout)

    def showing(self, node):
        try:
            return node.getState().contains(self.pyatspi.STATE_SHOWING)
        except Exception:
            return False

    def descendants(self, node, roles=None):
        """Every object below node, depth first; of the given roles when named. Web
        documents are not entered: they are the pages', not the program's."""
        found = []
        stack = [node]
        while stack:
            current = stack.pop()
            try:
                children = [current.getChildAtIndex(i) for i in range(current.childCount)]
            except Exception:
                continue
            for child in reversed(children):
                try:
                    role = child.getRole()
                except Exception:  # gone since it was listed: a window closing
                    continue
                if roles is None or role in roles:
                    found.append(child)
                if role not in (self.pyatspi.ROLE_DOCUMENT_WEB, self.pyatspi.ROLE_DOCUMENT_FRAME):
                    stack.append(child)
        return found

    def buttons(self, window):
        return [b for b in self.descendants(window, {self.pyatspi.ROLE_PUSH_BUTTON}) if self.showing(b)]

    def focused(self, window):
        """The window's widget with the keyboard focus. A web document says it is focused
        whenever it holds its own focus, so it counts only among the program's widgets."""
        documents = (self.pyatspi.ROLE_DOCUMENT_WEB, self.pyatspi.ROLE_DOCUMENT_FRAME)
        for node in self.descendants(window):
            try:
                if node.getRole() not in documents and node.getState().contains(self.pyatspi.STATE_FOCUSED):
                    return node
            except Exception:
                continue
        return None

    def holding(self, button_name):
        """A test for windows that show a button of that name."""
        return lambda window: any(b.name == button_name for b in self.buttons(window))

    def press(self, node):
        action = node.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        for index, name in enumerate(names):
            if name.lower() == "press":
                action.doAction(index)
                return
        raise AssertionError(f'"{node.name}" has no press action, only {names}')


def check(condition, message):
    if not condition:
        raise AssertionError(message)
