#!/usr/bin/python3
"""pyftpdlib on 127.0.0.1 and a free port, for the publisher's tests and benchmark.

Usage: ftp_server.py ROOT USER PASSWORD [--cert PEM] [--require-tls] [--no-mlsd] [--log FILE] [--port N]
                     [--delay MS] [--max-per-ip N] [--drop-after K]

--cert PEM      offer TLS (AUTH TLS) with the certificate and key in PEM
--require-tls   refuse logins and transfers without TLS
--no-mlsd       leave MLST/MLSD out, so clients fall back to LIST
--log FILE      append each command received to FILE, one a line (a password as PASS alone)
--port N        listen on port N rather than a free one
--delay MS      send every reply MS milliseconds late, as a host some way off does
--max-per-ip N  at most N connections from one address (421 for more)
--drop-after K  close the first connection that has received K files, once, just
                after the K-th (the file is there, the client hears no more)

Prints "PORT <n>" once it listens; serves until it is killed.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("--cert")
    parser.add_argument("--require-tls", action="store_true")
    parser.add_argument("--no-mlsd", action="store_true")
    parser.add_argument("--log")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--delay", type=int, default=0)
    parser.add_argument("--max-per-ip", type=int, default=0)
    parser.add_argument("--drop-after", type=int, default=0)
    args = parser.parse_args()

    logging.basicConfig(level=logging.CRITICAL)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    base = FTPHandler
    if args.cert:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
        base = TLS_FTPHandler

        class DataHandler(TLS_DTPHandler):
            # libcurl starts TLS on a data connection before it sends the transfer
            # command; pyftpdlib takes a data connection that is readable before its
            # transfer for a closed one. Let the handshake run instead.
            def readable(self):
                if not self.receive and not self._initialized:
                    return self._ssl_accepting or self._ssl_want_read
                return super().readable()

            # OpenSSL may hold more decrypted bytes than one read took, and the socket
            # does not wake the loop for those: read them before the peer's close does.
            def handle_read(self):
                super().handle_read()
                while self.receive and not self._closed and self.socket.pending():
                    super().handle_read()

    class Handler(base):
        # Logged before the command runs, so a client that has its answer finds it logged.
        def pre_process_command(self, line, cmd, arg):
            if args.log:
                with open(args.log, "a", encoding="utf-8", errors="surrogateescape") as log:
                    log.write(cmd if cmd == "PASS" or not arg else cmd + " " + arg)
                    log.write("\n")
            return super().pre_process_command(line, cmd, arg)

        # On the event loop, so the server goes on with other connections meanwhile.
        def respond(self, resp, logfun=logging.debug):
            if not args.delay:
                return super().respond(resp, logfun)
            send = super().respond
            self.ioloop.call_later(args.delay / 1000, lambda: None if self._closed else send(resp, logfun))

        received = 0
        dropped = False

        def on_file_received(self, file):
            self.received += 1
            if args.drop_after and not Handler.dropped and self.received == args.drop_after:
                Handler.dropped = True
                self.ioloop.call_later(0, self.close)  # once the transfer's own closing is done

    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = 0.1  # a refused password answers at once, keeping tests quick
    if args.cert:
        Handler.certfile = args.cert
        Handler.tls_control_required = args.require_tls
        Handler.tls_data_required = args.require_tls
        Handler.dtp_handler = DataHandler
    if args.no_mlsd:
        Handler.proto_cmds = {name: info for name, info in base.proto_cmds.items() if name not in ("MLSD", "MLST")}

    server = FTPServer(("127.0.0.1", args.port), Handler)
    if args.max_per_ip:
        server.max_cons_per_ip = args.max_per_ip
    print("PORT", server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
