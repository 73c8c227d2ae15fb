#!/usr/bin/python3
"""A small scripted FTP server on 127.0.0.1 that misbehaves on request, for the faults a
well-behaved server never shows. Files live under ROOT; the listing is in the DOS/IIS
layout, files sent as text (TYPE A) go with CR LF line ends, files received are kept
as they arrive, and there is no MLSD, TLS or active mode.

Usage: fault_ftp_server.py ROOT USER PASSWORD [faults...]

--refuse-login           530 for every password
--echo-password          530 for every password, quoting it back
--control-reply          530 for every password, in a reply full of terminal control codes
--entries N              LIST answers N made-up files besides the real ones
--deny-cwd PATH          550 for CWD to PATH
--deny-stor NAME         553 for STOR of NAME
--drop NAME              RETR or STOR of NAME: move half the file, then close everything
--refuse-rename          550 for every RNTO
--exit-after-drop        and then stop serving altogether
--stall COMMAND          never answer COMMAND (PASS, LIST, RETR, STOR...)
--stall-data NAME        RETR of NAME: send half the file, then send nothing more

A fault's NAME also matches the names that hold it (".x-NAME"), so that it meets a file
sent beside its target as well.

Prints "PORT <n>" once it listens; serves until it is killed.
"""
import argparse
import datetime
import os
import socket
import socketserver
import sys
import time

ARGS = None


def names(name, fault):
    return fault is not None and fault in name


def stall_forever():
    while True:
        time.sleep(3600)


class Session(socketserver.StreamRequestHandler):
    def setup(self):
        super().setup()
        self.cwd = "/"
        self.text_type = False
        self.logged_in = False
        self.passive = None

    # ---- plumbing ----
    def reply(self, text):
        self.wfile.write((text + "\r\n").encode("utf-8", "surrogateescape"))
        self.wfile.flush()

    def local(self, path):
        full = os.path.normpath(os.path.join(self.cwd, path))
        return os.path.join(ARGS.root, full.lstrip("/")), full

    def open_data(self):
        listener = self.passive
        self.passive = None
        if listener is None:
            return None
        listener.settimeout(10)
        connection, _ = listener.accept()
        listener.close()
        return connection

    def drop_everything(self, data):
        data.close()
        self.connection.shutdown(socket.SHUT_RDWR)
        self.connection.close()
        if ARGS.exit_after_drop:
            os._exit(0)
        raise ConnectionAbortedError

    # ---- commands ----
    def handle(self):
        self.reply("220 scripted server ready")
        try:
            for raw in self.rfile:
                line = raw.decode("utf-8", "surrogateescape").rstrip("\r\n")
                command, _, argument = line.partition(" ")
                command = command.upper()
                if ARGS.stall and command == ARGS.stall:
                    stall_forever()
                handler = getattr(self, "do_" + command, None)
                if handler is None:
                    self.reply("502 Command not implemented.")
                elif command not in ("USER", "PASS", "QUIT") and not self.logged_in:
                    self.reply("530 Log in first.")
                else:
                    handler(argument)
        except (ConnectionError, OSError):
            pass

    def do_USER(self, argument):
        self.user = argument
        self.reply("331 Password required.")

    def do_PASS(self, argument):
        if ARGS.echo_password:
            self.reply("530 Password %s is not right." % argument)
            return
        if ARGS.control_reply:
            # Clear the screen, retitle the terminal, ring, and a C1 control sequence.
            self.reply("530 \x1b[2J\x1b]0;owned\x07Login\x08\x7f \u009b31mrefused.")
            return
        if ARGS.refuse_login or self.user != ARGS.user or argument != ARGS.password:
            self.reply("530 Login incorrect.")
            return
        self.logged_in = True
        self.reply("230 Logged in.")

    def do_QUIT(self, argument):
        self.reply("221 Goodbye.")
        raise ConnectionAbortedError

    def do_PWD(self, argument):
        self.reply('257 "%s" is the current directory.' % self.cwd.replace('"', '""'))

    def do_CWD(self, argument):
        path, full = self.local(argument)
        if ARGS.deny_cwd and full.rstrip("/") == ARGS.deny_cwd.rstrip("/"):
            self.reply("550 %s: No such file or directory." % argument)
        elif not os.path.isdir(path):
            self.reply("550 %s: Not a directory." % argument)
        else:
            self.cwd = full
            self.reply('250 "%s" is the current directory.' % full)

    def do_TYPE(self, argument):
        self.text_type = argument.upper().startswith("A")
        self.reply("200 Type set to %s." % argument)

    def do_SYST(self, argument):
        self.reply("215 Windows_NT")

    def do_NOOP(self, argument):
        self.reply("200 OK.")

    def do_FEAT(self, argument):
        self.reply("211-Features:")
        self.reply(" EPSV")
        self.reply(" PASV")
        self.reply("211 End")

    def do_EPSV(self, argument):
        self.passive = socket.socket()
        self.passive.bind(("127.0.0.1", 0))
        self.passive.listen(1)
        self.reply("229 Entering extended passive mode (|||%d|)." % self.passive.getsockname()[1])

    def do_PASV(self, argument):
        self.do_EPSV(argument)

    def do_LIST(self, argument):
        path, _ = self.local(".")
        data = self.open_data()
        self.reply("150 Here comes the listing.")
        lines = []
        for name in sorted(os.listdir(path)):
            full = os.path.join(path, name)
            stamp = datetime.datetime.fromtimestamp(os.path.getmtime(full)).strftime("%m-%d-%y  %I:%M%p")
            size = "<DIR>         " if os.path.isdir(full) else "%14d" % os.path.getsize(full)
            lines.append("%s       %s %s\r\n" % (stamp, size, name))
        lines.extend("01-05-24  12:00PM                 7 made%d.html\r\n" % n for n in range(ARGS.entries))
        data.sendall("".join(lines).encode("utf-8", "surrogateescape"))
        data.close()
        self.reply("226 Listing sent.")

    def do_SIZE(self, argument):
        path, _ = self.local(argument)
        if os.path.isfile(path):
            self.reply("213 %d" % os.path.getsize(path))
        else:
            self.reply("550 %s: No such file." % argument)

    def do_RETR(self, argument):
        path, _ = self.local(argument)
        if not os.path.isfile(path):
            self.reply("550 %s: No such file." % argument)
            return
        content = open(path, "rb").read()
        if self.text_type:  # text travels with CR LF line ends
            content = content.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        data = self.open_data()
        self.reply("150 Opening data connection (%d bytes)." % len(content))
        name = os.path.basename(path)
        if names(name, ARGS.drop) or names(name, ARGS.stall_data):
            data.sendall(content[: len(content) // 2])
            if names(name, ARGS.drop):
                self.drop_everything(data)
            stall_forever()
        data.sendall(content)
        data.close()
        self.reply("226 Transfer complete.")

    def do_STOR(self, argument):
        path, _ = self.local(argument)
        name = os.path.basename(path)
        if names(name, ARGS.deny_stor):
            if self.passive:
                self.passive.close()
                self.passive = None
            self.reply("553 %s: Could not create file." % argument)
            return
        data = self.open_data()
        self.reply("150 Ok to send data.")
        received = b""
        while True:
            chunk = data.recv(65536)
            if not chunk:
                break
            received += chunk
            if names(name, ARGS.drop) and len(received) > 0:
                self.drop_everything(data)
        data.close()
        with open(path, "wb") as out:
            out.write(received)
        self.reply("226 Transfer complete.")

    def do_RNFR(self, argument):
        path, _ = self.local(argument)
        if not os.path.exists(path):
            self.reply("550 %s: No such file." % argument)
            return
        self.rename_from = path
        self.reply("350 Ready for RNTO.")

    def do_RNTO(self, argument):
        source = getattr(self, "rename_from", None)
        self.rename_from = None
        if source is None:
            self.reply("503 RNFR first.")
        elif ARGS.refuse_rename:
            self.reply("550 Renaming is not allowed.")
        else:
            os.replace(source, self.local(argument)[0])
            self.reply("250 Renamed.")

    def do_DELE(self, argument):
        path, _ = self.local(argument)
        try:
            os.remove(path)
            self.reply("250 Deleted.")
        except OSError as error:
            self.reply("550 %s: %s." % (argument, error.strerror))

    def do_MKD(self, argument):
        path, full = self.local(argument)
        try:
            os.mkdir(path)
            self.reply('257 "%s" created.' % full)
        except OSError as error:
            self.reply("550 %s: %s." % (argument, error.strerror))

    def do_RMD(self, argument):
        path, _ = self.local(argument)
        try:
            os.rmdir(path)
            self.reply("250 Removed.")
        except OSError as error:
            self.reply("550 %s: %s." % (argument, error.strerror))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("--refuse-login", action="store_true")
    parser.add_argument("--echo-password", action="store_true")
    parser.add_argument("--control-reply", action="store_true")
    parser.add_argument("--entries", type=int, default=0)
    parser.add_argument("--exit-after-drop", action="store_true")
    parser.add_argument("--refuse-rename", action="store_true")
    parser.add_argument("--deny-cwd")
    parser.add_argument("--deny-stor")
    parser.add_argument("--drop")
    parser.add_argument("--stall")
    parser.add_argument("--stall-data")
    ARGS = parser.parse_args()
    server = Server(("127.0.0.1", 0), Session)
    print("PORT", server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
