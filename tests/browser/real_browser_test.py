#!/usr/bin/env python3
"""Real-browser test of the extension: headless Chromium loads it unpacked, opens an order page
from examples/ served on 127.0.0.1, runs the extension's keyboard command through its handler,
and checks that the page text arrived, GBK, at a receiver on the single-instance channel.

Two rounds: with a receiver already running and a selection on the page; then with no copy
running, where the host starts the stand-in `tallivo` beside it and the whole page arrives.

A context-menu click cannot be simulated from outside the browser, so the command's handler is
called in the service worker over the DevTools protocol (Runtime.evaluate), the same code the
shortcut and the menu entry run. Exit 77 (a skip for CTest) when Chromium is not installed.

usage: real_browser_test.py HOST PEER EXTENSION_DIR EXAMPLES_DIR
"""

import html
import http.server
import json
import os
import shutil
import socketserver
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
EXTENSION_ID = "iogolapccnnkjbmmbonbhdbhocngokkc"
HOST_NAME = "com.example.tallivo"
PAGE = "taobao-order-detail.txt"


def find_chromium():
    for name in (os.environ.get("CHROMIUM"), "chromium", "chromium-browser"):
        if name and shutil.which(name):
            return shutil.which(name)
    return None


class DevTools:
    """The DevTools protocol over --remote-debugging-pipe: fd 3 in, fd 4 out, NUL-separated."""

    def __init__(self, chromium, args, env):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def hand_pipes():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        self.process = subprocess.Popen(
            [chromium, "--remote-debugging-pipe"] + args,
            # Python's own descriptors are not inherited; only the two made here reach Chromium.
            close_fds=False, preexec_fn=hand_pipes, env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.next_id = 0
        self.pending = b""
        self.events = []

    def call(self, method, params=None, session=None, timeout=30):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        try:
            os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        except BrokenPipeError:
            raise RuntimeError("the browser ended: " + self._stderr()) from None
        deadline = time.time() + timeout
        while time.time() < deadline:
            reply = self._read()
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self.events.append(reply)
        raise RuntimeError(f"{method}: no answer in {timeout} s")

    def _read(self):
        while b"\0" not in self.pending:
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise RuntimeError("the browser closed the DevTools pipe: " + self._stderr())
            self.pending += chunk
        message, self.pending = self.pending.split(b"\0", 1)
        return json.loads(message)

    def _stderr(self):
        self.process.wait(timeout=10)
        return self.process.stderr.read().decode(errors="replace")[-3000:]

    def close(self):
        try:
            self.call("Browser.close", timeout=5)
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def serve(page_html):
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            body = page_html.encode("utf-8")
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = socketserver.TCPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def wait_for(condition, timeout, what):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise RuntimeError(f"timed out waiting for {what}")


def evaluate(devtools, session, expression):
    result = devtools.call("Runtime.evaluate", {
        "expression": expression, "awaitPromise": True, "returnByValue": True}, session)
    if "exceptionDetails" in result:
        raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
    return result["result"].get("value")


def read_record(path, url):
    """The tag and the page text of the record written by the receiver; the page's address
    must come first in it."""
    with open(path, "rb") as f:
        tag, _, data = f.read().partition(b"\n")
    address, _, text = data.partition(b"\n")
    if address != url.encode():
        raise RuntimeError(f"the record names the address {address!r}, not {url}")
    return int(tag), text


def stand_in_folders(prefix, host, peer):
    """A folder of the test's own: a private runtime folder, the host with the stand-in
    `tallivo` it starts beside it, and the file the stand-in writes its record to."""
    work = tempfile.mkdtemp(prefix=prefix)
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    program = os.path.join(work, "program")
    os.mkdir(program)
    shutil.copy(host, os.path.join(program, "tallivo-browser-host"))
    shutil.copy(peer, os.path.join(program, "tallivo"))
    return work, runtime, program, os.path.join(work, "record")


def main():
    host, peer, extension, examples = sys.argv[1:5]
    chromium = find_chromium()
    if not chromium:
        print("SKIP: Chromium is not installed (scripts/setup installs Debian's chromium)")
        return SKIP

    work, runtime, program, record = stand_in_folders("tallivo-browser-", host, peer)

    profile = os.path.join(work, "profile")
    os.makedirs(os.path.join(profile, "NativeMessagingHosts"))
    with open(os.path.join(profile, "NativeMessagingHosts", HOST_NAME + ".json"), "w") as f:
        json.dump({"name": HOST_NAME, "description": "Tallivo test host",
                   "path": os.path.join(program, "tallivo-browser-host"), "type": "stdio",
                   "allowed_origins": [f"chrome-extension://{EXTENSION_ID}/"]}, f)

    # A real click or shortcut grants the extension the page (activeTab); a call over the
    # DevTools protocol does not, so the test's copy is granted this one origin instead.
    unpacked = os.path.join(work, "extension")
    shutil.copytree(extension, unpacked)
    with open(os.path.join(unpacked, "manifest.json")) as f:
        manifest = json.load(f)
    manifest["host_permissions"] = ["http://127.0.0.1/*"]
    with open(os.path.join(unpacked, "manifest.json"), "w") as f:
        json.dump(manifest, f)

    with open(os.path.join(examples, PAGE), "rb") as f:
        page_text = f.read().decode("gbk").replace("\r\n", "\n")
    server = serve("<!doctype html><html><head><title>order</title></head><body>"
                   f"<pre id='order'>{html.escape(page_text)}</pre></body></html>")
    url = f"http://127.0.0.1:{server.server_address[1]}/order.html"

    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, TALLIVO_PEER_RECORD_FILE=record)
    args = ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--no-default-browser-check", "--enable-unsafe-extension-debugging",
            f"--user-data-dir={profile}", "about:blank"]
    devtools = DevTools(chromium, args, env)
    receiver = None
    try:
        loaded = devtools.call("Extensions.loadUnpacked", {"path": unpacked})
        if loaded.get("id") != EXTENSION_ID:
            raise RuntimeError(f"extension loaded as {loaded}, expected {EXTENSION_ID}")

        target = devtools.call("Target.createTarget", {"url": url})["targetId"]
        page = devtools.call("Target.attachToTarget",
                             {"targetId": target, "flatten": True})["sessionId"]
        # The tab starts on about:blank, itself complete: wait for the order itself.
        wait_for(lambda: evaluate(devtools, page, "document.readyState === 'complete' && "
                                  "document.getElementById('order') !== null"),
                 20, "the order page")

        def worker_session():
            for info in devtools.call("Target.getTargets")["targetInfos"]:
                if info["type"] == "service_worker" and EXTENSION_ID in info["url"]:
                    return devtools.call("Target.attachToTarget",
                                         {"targetId": info["targetId"], "flatten": True})["sessionId"]
            return None

        worker = wait_for(worker_session, 20, "the extension's service worker")
        # The worker shows up as a target before its script has run.
        wait_for(lambda: evaluate(devtools, worker, "typeof tallivo !== 'undefined'"), 20,
                 "the extension's script")

        def run_command():
            devtools.call("Target.activateTarget", {"targetId": target})
            return evaluate(devtools, worker, "tallivo.onCommand('capture-page')")

        # Round 1: a receiver runs already; a selection goes over, not the page.
        receiver = subprocess.Popen([peer], env=env, stdout=subprocess.PIPE)
        if receiver.stdout.readline() != b"listening\n":
            raise RuntimeError("the receiver did not start listening")
        selected = evaluate(devtools, page, """(() => {
            const line = document.getElementById('order').firstChild;
            const range = document.createRange();
            range.setStart(line, 0);
            range.setEnd(line, 40);
            getSelection().removeAllRanges();
            getSelection().addRange(range);
            return String(getSelection());
        })()""")
        reply = run_command()
        if not reply or not reply.get("ok"):
            raise RuntimeError(f"the command answered {reply}")
        receiver.wait(timeout=10)
        tag, text = read_record(record, url)
        if tag != 0x12345A7A or text != selected.encode("gbk"):
            raise RuntimeError(f"round 1 received tag {tag:#x}, {text[:80]!r}")
        print("round 1: the selection arrived at the running receiver")

        # Round 2: nobody runs; the host starts `tallivo`, and the whole page goes over.
        os.remove(record)
        evaluate(devtools, page, "getSelection().removeAllRanges()")
        reply = run_command()
        if not reply or not reply.get("ok"):
            raise RuntimeError(f"the command answered {reply}")
        wait_for(lambda: os.path.exists(record) and os.path.getsize(record) > 0, 15,
                 "the started copy's record")
        tag, text = read_record(record, url)
        inner = evaluate(devtools, page, "document.documentElement.innerText")
        if tag != 0x12345A7A or text != inner.encode("gbk") or page_text.strip().encode("gbk") not in text:
            raise RuntimeError(f"round 2 received tag {tag:#x}, {text[:80]!r}")
        print("round 2: the whole page arrived at the copy the host started")
        return 0
    finally:
        if receiver and receiver.poll() is None:
            receiver.kill()
        devtools.close()
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
