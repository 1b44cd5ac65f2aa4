"""Headless Chromium driven through the DevTools protocol over --remote-debugging-pipe: open a
page, evaluate script in it, take a screenshot. Python's standard library only."""
import base64
import fcntl
import json
import os
import shutil
import subprocess
import tempfile
import time

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--remote-debugging-pipe"]

# Recorded before any script of the page runs: what the page's policy refused, and whether a
# handler of the page's own ran at all.
_WATCH = """
window.__refused = [];
document.addEventListener('securitypolicyviolation', function (e) {
  window.__refused.push(e.violatedDirective + ' ' + e.blockedURI);
});
"""


def executable():
    return shutil.which("chromium") or shutil.which("chromium-browser")


class ChromiumError(AssertionError):
    pass


class Chromium:
    def __init__(self, width=1280, height=900, timeout=60):
        path = executable()
        if not path:
            raise ChromiumError("chromium not found: scripts/install-deps.sh installs it")
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix="sorvik-chromium-")
        # Chromium reads commands on fd 3 and answers on fd 4.
        to_chrome_r, self._to_chrome = os.pipe()
        self._from_chrome, from_chrome_w = os.pipe()
        # Out of the way of 3 and 4, which the child's dup2 calls overwrite.
        high_r = fcntl.fcntl(to_chrome_r, fcntl.F_DUPFD_CLOEXEC, 10)
        high_w = fcntl.fcntl(from_chrome_w, fcntl.F_DUPFD_CLOEXEC, 10)

        def child_fds():
            os.dup2(high_r, 3)
            os.dup2(high_w, 4)

        self.process = subprocess.Popen(
            [path] + FLAGS + ["--user-data-dir=" + self.profile,
                              "--window-size=%d,%d" % (width, height), "about:blank"],
            pass_fds=(3, 4), preexec_fn=child_fds,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        for fd in (to_chrome_r, from_chrome_w, high_r, high_w):
            os.close(fd)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        self.session = None

    def close(self):
        try:
            os.close(self._to_chrome)
        except OSError:
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stderr.close()
        os.close(self._from_chrome)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def _read_message(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise ChromiumError("no answer from Chromium within %d s" % self.timeout)
            chunk = os.read(self._from_chrome, 1 << 16)
            if not chunk:
                raise ChromiumError("Chromium closed the pipe: " +
                                    self.process.stderr.read().decode("utf-8", "replace")[-2000:])
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=True):
        self._next_id += 1
        command = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self.session:
            command["sessionId"] = self.session
        os.write(self._to_chrome, json.dumps(command).encode() + b"\0")
        deadline = time.monotonic() + self.timeout
        while True:
            message = self._read_message(deadline)
            if message.get("id") == self._next_id:
                if "error" in message:
                    raise ChromiumError("%s: %s" % (method, message["error"]))
                return message["result"]
            if "method" in message:
                self.events.append(message)

    def wait_event(self, method):
        deadline = time.monotonic() + self.timeout
        for index, event in enumerate(self.events):
            if event["method"] == method:
                return self.events.pop(index)
        while True:
            message = self._read_message(deadline)
            if message.get("method") == method:
                return message
            if "method" in message:
                self.events.append(message)

    def open(self, path):
        """Opens a local file in a new tab and waits until it has loaded; returns the load time
        in milliseconds as the page's own navigation timing gives it."""
        target = self.call("Target.createTarget", {"url": "about:blank"}, session=False)
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": target["targetId"], "flatten": True},
                                 session=False)["sessionId"]
        self.call("Page.enable")
        self.call("Page.addScriptToEvaluateOnNewDocument", {"source": _WATCH})
        self.call("Page.navigate", {"url": "file://" + os.path.abspath(path)})
        self.wait_event("Page.loadEventFired")
        return self.evaluate("performance.getEntriesByType('navigation')[0].loadEventEnd")

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise ChromiumError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def screenshot(self, path):
        metrics = self.call("Page.getLayoutMetrics")["cssContentSize"]
        data = self.call("Page.captureScreenshot", {
            "format": "png", "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": metrics["width"],
                     "height": min(metrics["height"], 6000), "scale": 1}})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
