#!/usr/bin/env python3
"""Real-browser test of the extension in Firefox ESR: headless Firefox, a profile of the test's
own with the extension installed unsigned (ESR allows it with xpinstall.signatures.required off),
the native-messaging manifest where 安装 writes it (~/.mozilla/native-messaging-hosts, HOME
being the test's folder), an order page from examples/ served on 127.0.0.1, and a receiver on
the single-instance channel.

Firefox offers no protocol that reaches an extension's background script from outside, so the
test's copy of the extension runs the same capture the menu entry, the shortcut and the button
run, once, on the first page of 127.0.0.1 that has loaded. Two rounds as with Chromium: the
receiver running, then none running, where the host starts the stand-in `tallivo` beside it.
Exit 77 (a skip for CTest) when Firefox is not installed.

usage: firefox_test.py HOST PEER EXTENSION_DIR EXAMPLES_DIR
"""

import html
import json
import os
import shutil
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from real_browser_test import (  # noqa: E402
    HOST_NAME, PAGE, SKIP, read_record, serve, stand_in_folders, wait_for)

EXTENSION_ID = "tallivo@tallivo.example.com"

# Appended to the test copy's background script: the capture of the served page, once per load.
TRIGGER = """
(async () => {
  const done = new Set();
  for (;;) {
    for (const tab of await api.tabs.query({})) {
      if (tab.status === 'complete' && (tab.url ?? '').startsWith('http://127.0.0.1') &&
          !done.has(tab.url)) {
        done.add(tab.url);
        await capture(tab);
      }
    }
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
})();
"""

PREFS = {
    "xpinstall.signatures.required": False,
    "extensions.autoDisableScopes": 0,
    "extensions.enabledScopes": 15,
    "extensions.startupScanScopes": 15,
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.enabled": False,
    "extensions.update.enabled": False,
    "browser.safebrowsing.update.enabled": False,
    "network.connectivity-service.enabled": False,
    "network.captive-portal-service.enabled": False,
}


def find_firefox():
    for name in (os.environ.get("FIREFOX"), "firefox-esr", "firefox"):
        if name and shutil.which(name):
            return shutil.which(name)
    return None


def make_profile(work, extension, program, name):
    profile = os.path.join(work, name)
    os.makedirs(os.path.join(profile, "extensions"))
    with open(os.path.join(profile, "user.js"), "w") as f:
        for key, value in PREFS.items():
            f.write(f"user_pref({json.dumps(key)}, {json.dumps(value)});\n")

    with open(os.path.join(extension, "manifest.json")) as f:
        manifest = json.load(f)
    # Granted up front: the test has no click to grant the page, nor a user to allow the origin.
    manifest["permissions"] = sorted(set(manifest["permissions"]) | {"tabs"})
    manifest["host_permissions"] = ["http://127.0.0.1/*"]
    with open(os.path.join(extension, "background.js")) as f:
        background = f.read() + TRIGGER
    with zipfile.ZipFile(os.path.join(profile, "extensions", EXTENSION_ID + ".xpi"), "w") as xpi:
        xpi.writestr("manifest.json", json.dumps(manifest))
        xpi.writestr("background.js", background)

    hosts = os.path.join(work, "home", ".mozilla", "native-messaging-hosts")
    os.makedirs(hosts, exist_ok=True)
    with open(os.path.join(hosts, HOST_NAME + ".json"), "w") as f:
        json.dump({"name": HOST_NAME, "description": "Tallivo test host",
                   "path": os.path.join(program, "tallivo-browser-host"), "type": "stdio",
                   "allowed_extensions": [EXTENSION_ID]}, f)
    return profile


def stop(browser):
    browser.terminate()
    try:
        browser.wait(timeout=15)
    except subprocess.TimeoutExpired:
        browser.kill()
        browser.wait()


def main():
    host, peer, extension, examples = sys.argv[1:5]
    firefox = find_firefox()
    if not firefox:
        print("SKIP: Firefox is not installed (scripts/setup installs Debian's firefox-esr)")
        return SKIP

    work, runtime, program, record = stand_in_folders("tallivo-firefox-", host, peer)

    with open(os.path.join(examples, PAGE), "rb") as f:
        page_text = f.read().decode("gbk").replace("\r\n", "\n")
    server = serve("<!doctype html><html><head><title>order</title></head><body>"
                   f"<pre id='order'>{html.escape(page_text)}</pre></body></html>")
    base = f"http://127.0.0.1:{server.server_address[1]}"

    env = dict(os.environ, HOME=os.path.join(work, "home"), XDG_RUNTIME_DIR=runtime,
               TALLIVO_PEER_RECORD_FILE=record, MOZ_CRASHREPORTER_DISABLE="1")
    env.pop("DISPLAY", None)
    browser = receiver = None
    try:
        def run_firefox(url, profile):
            return subprocess.Popen(
                [firefox, "--headless", "--no-remote", "--profile", profile, url], env=env,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        # Round 1: a receiver runs already.
        receiver = subprocess.Popen([peer], env=env, stdout=subprocess.PIPE)
        if receiver.stdout.readline() != b"listening\n":
            raise RuntimeError("the receiver did not start listening")
        url = base + "/order.html"
        browser = run_firefox(url, make_profile(work, extension, program, "profile"))
        receiver.wait(timeout=120)
        tag, text = read_record(record, url)
        if tag != 0x12345A7A or page_text.strip().encode("gbk") not in text:
            raise RuntimeError(f"round 1 received tag {tag:#x}, {text[:80]!r}")
        print("round 1: the page arrived at the running receiver")

        # Round 2: nobody runs; a Firefox started cold on the page (a new profile, so no
        # restored session stands in the way) starts `tallivo` through the host.
        stop(browser)
        os.remove(record)
        url = base + "/again.html"
        browser = run_firefox(url, make_profile(work, extension, program, "profile2"))
        wait_for(lambda: os.path.exists(record) and os.path.getsize(record) > 0, 60,
                 "the started copy's record")
        tag, text = read_record(record, url)
        if tag != 0x12345A7A or page_text.strip().encode("gbk") not in text:
            raise RuntimeError(f"round 2 received tag {tag:#x}, {text[:80]!r}")
        print("round 2: the page arrived at the copy the host started")
        return 0
    finally:
        if receiver and receiver.poll() is None:
            receiver.kill()
        if browser:
            stop(browser)
        server.shutdown()
        # The started stand-in exits after one record; give it a moment before the folder goes.
        time.sleep(0.5)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
