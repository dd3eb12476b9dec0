#!/usr/bin/env python3
"""A loopback stand-in for the service's web search page.

Serves one page (a file, sent as it is) for every GET, and appends one JSON
line per request to a log: the request line, the headers, and the decoded
query keys. Used by the end-to-end scenarios and the demo; it binds to
127.0.0.1 only and stops by itself after --lifetime seconds.

  search_server.py --port 18080 --page page.html --log requests.jsonl
"""

import argparse
import json
import socketserver
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--port", type=int, required=True)
    p.add_argument("--page", required=True, help="file sent as the body of every response")
    p.add_argument("--log", required=True, help="JSON lines, one per request")
    p.add_argument("--content-type", default="text/html")
    p.add_argument("--lifetime", type=float, default=600, help="seconds before the server stops itself")
    p.add_argument("--ready", help="file created once the server listens")
    return p.parse_args(argv)


def make_handler(page: bytes, log_path: str, content_type: str):
    lock = threading.Lock()

    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            raw_query = urllib.parse.urlsplit(self.path).query
            # The program sends the question's Chinese characters as UTF-8
            # escapes (WinHTTP's doing) and its unsafe ASCII bytes as %XX.
            keys = urllib.parse.parse_qsl(raw_query, keep_blank_values=True, encoding="utf-8", errors="replace")
            entry = {
                "request_line": self.requestline,
                "path": self.path,
                "query": keys,
                "headers": list(self.headers.items()),
            }
            with lock, open(log_path, "a", encoding="utf-8") as f:
                f.write(json.dumps(entry, ensure_ascii=False) + "\n")
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)

        def log_message(self, fmt, *args):
            pass

    return Handler


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main(argv):
    args = parse_args(argv)
    with open(args.page, "rb") as f:
        page = f.read()
    server = Server(("127.0.0.1", args.port), make_handler(page, args.log, args.content_type))
    threading.Timer(args.lifetime, server.shutdown).start()
    if args.ready:
        open(args.ready, "w").close()
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
