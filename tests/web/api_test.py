#!/usr/bin/env python3
"""kel-web's API and its defences, over loopback, with the stand-in drill:
paths, body sizes, cookies, the session cap, a drill that dies, idle ends
and the end at SIGTERM (checked in the process table).
    api_test.py KEL_WEB FAKE_DRILL"""
import concurrent.futures
import http.client
import json
import os
import re
import secrets
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

KEL_WEB, FAKE = sys.argv[1], sys.argv[2]


class Server:
    def __init__(self, *args):
        self.tmp = tempfile.TemporaryDirectory()
        self.log = open(os.path.join(self.tmp.name, "log"), "w+")
        self.sessions = os.path.join(self.tmp.name, "tmp")
        os.mkdir(self.sessions)
        env = dict(os.environ, TMPDIR=self.sessions)
        packs = os.path.join(os.path.dirname(os.path.abspath(FAKE)), "packs")
        self.proc = subprocess.Popen([KEL_WEB, "--port", "0", "--drill", FAKE, "--packs", packs,
                                      "--seed", "0", *args],
                                     stdout=subprocess.PIPE, stderr=self.log, text=True, env=env)
        line = self.proc.stdout.readline()
        m = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
        assert m, "no address printed: %r" % line
        self.port = int(m.group(1))

    def children(self):
        """Processes whose parent is the server, from the process table."""
        kids = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/stat" % pid) as f:
                    stat = f.read()
            except OSError:
                continue
            if int(stat.rsplit(")", 1)[1].split()[1]) == self.proc.pid:
                kids.append(int(pid))
        return kids

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        status = self.proc.wait(timeout=20)
        self.log.seek(0)
        return status, self.log.read()

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.proc.stdout.close()
        self.log.close()
        self.tmp.cleanup()


class Client:
    """One learner: keeps the session cookie the server sets."""

    def __init__(self, server, cookie=None):
        self.port, self.cookie = server.port, cookie

    def call(self, method, path, body=None):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        headers = {"Cookie": "kel_session=" + self.cookie} if self.cookie else {}
        if body is not None and not isinstance(body, bytes):
            body = json.dumps(body).encode()
        if method == "POST":
            headers["Content-Type"] = "application/json"
        c.request(method, path, body=body, headers=headers)
        r = c.getresponse()
        data = r.read()
        setc = r.getheader("Set-Cookie")
        if setc:
            self.setcookie = setc
            self.cookie = re.match(r"kel_session=([0-9a-f]+);", setc).group(1)
        c.close()
        try:
            data = json.loads(data)
        except ValueError:
            data = data.decode("utf-8", "replace")
        return r.status, data

    def answer(self, text):
        return self.call("POST", "/api/answer", {"answer": text})


def rawstatus(port, request, body=b""):
    """The status of a request sent as raw bytes, however early the server
    answers (a large body may be refused before it is all sent)."""
    s = socket.create_connection(("127.0.0.1", port), timeout=10)
    try:
        s.sendall(request)
        for i in range(0, len(body), 65536):
            s.sendall(body[i:i + 65536])
    except OSError:
        pass
    reply = b""
    try:
        while b"\r\n" not in reply:
            chunk = s.recv(4096)
            if not chunk:
                break
            reply += chunk
    except OSError:
        pass
    s.close()
    m = re.match(rb"HTTP/1\.1 (\d+)", reply)
    return int(m.group(1)) if m else 0


class WebTest(unittest.TestCase):
    def setUp(self):
        self.server = Server()

    def tearDown(self):
        self.server.close()

    def test_page_and_paths(self):
        c = Client(self.server)
        for path in ("/", "/app.js", "/style.css"):
            status, _ = c.call("GET", path)
            self.assertEqual(status, 200, path)
        status, page = c.call("GET", "/")
        for ident in ("question", "answer", "feedback", "score", "summary"):
            self.assertIn('id="%s"' % ident, page)
        for path in ("/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/..%2f..%2fetc%2fpasswd",
                     "/%252e%252e%252fetc%252fpasswd", "/app.js/../../../etc/passwd",
                     "/static/..%2f..%2f..%2fetc/passwd", "/.%2e/.%2e/etc/passwd",
                     "/offer.json", "/index.html", "/appXjs", "/app.js%00.png"):
            conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
            conn.putrequest("GET", path, skip_accept_encoding=True)
            conn.endheaders()
            r = conn.getresponse()
            body = r.read()
            self.assertEqual(r.status, 404, path)
            self.assertNotIn(b"root:", body, path)
            conn.close()

    def test_bodies(self):
        port = self.server.port
        big = b"x" * (1 << 20)
        head = ("POST /api/answer HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
                "Content-Length: %d\r\n\r\n" % len(big)).encode()
        self.assertEqual(rawstatus(port, head, big), 413)
        c = Client(self.server)
        self.assertEqual(c.call("GET", "/api/state")[0], 200)
        self.assertEqual(c.answer("a" * 5000)[0], 413)
        self.assertEqual(c.call("POST", "/api/answer", b"{not json")[0], 400)
        # A line break would hand the drill two answers for one.
        status, data = c.answer("nous finissons\nnous finissez")
        self.assertEqual(status, 400)
        self.assertEqual(c.call("GET", "/api/state")[1]["score"]["answered"], 0)
        self.assertEqual(c.call("POST", "/api/start", {"pack": "../../etc", "tense": "present"})[0], 400)
        self.assertEqual(c.call("POST", "/api/start", {"pack": "fr", "tense": "--help"})[0], 400)

    def test_sessions(self):
        a, b = Client(self.server), Client(self.server)
        # A drill that hangs holds up its own learner only, until it is ended.
        h = Client(self.server)
        h.call("GET", "/api/state")
        hung = concurrent.futures.ThreadPoolExecutor(1).submit(h.answer, "hang")
        status, st = a.call("GET", "/api/state")
        self.assertEqual(status, 200)
        self.assertRegex(a.setcookie, r"^kel_session=[0-9a-f]{64}; Path=/; HttpOnly; SameSite=Strict$")
        self.assertEqual(st["question"], {"n": 1, "question": "nous (finir)"})   # no expected answer
        b.call("GET", "/api/state")
        self.assertNotEqual(a.cookie, b.cookie)

        status, st = a.answer("nous finissons")
        self.assertEqual((status, st["result"]["correct"]), (200, True))
        status, st = a.answer("j'aimes")
        self.assertEqual([w["class"] for w in st["result"]["words"]], ["APPROX"])
        self.assertEqual(st["result"]["expected"], "j'aime")
        status, st = a.answer("vous prenons")
        self.assertEqual([(w["class"], w["detail"]) for w in st["result"]["words"]],
                         [("EXACT", ""), ("MORPH", "p1p")])
        status, st = a.answer("elles viennent œ")
        self.assertEqual(status, 422)
        self.assertIn("Latin-1", st["refused"])
        status, st = a.answer("elles viennent")
        self.assertEqual(st["score"], {"answered": 4, "right": 2})
        self.assertEqual(b.call("GET", "/api/state")[1]["score"], {"answered": 0, "right": 0})

        # Forged, malformed and missing cookies: a new session each time.
        for forged in (secrets.token_hex(32), "0" * 64, b.cookie[:-1] + "g", b.cookie + "0"):
            f = Client(self.server, forged)
            status, st = f.call("GET", "/api/state")
            self.assertEqual((status, st["score"]["answered"]), (200, 0))
            self.assertNotIn(f.cookie, (forged, a.cookie, b.cookie))
        f = Client(self.server, secrets.token_hex(32))
        status, st = f.answer("nous finissons")
        self.assertEqual(status, 200)
        self.assertNotIn("result", st)      # a new session's question was not yet asked

        # A drill that dies touches no other session.
        status, st = b.answer("crash")
        self.assertEqual(status, 502)
        self.assertIn("stopped", st["error"])
        self.assertEqual(a.answer("tu es")[1]["result"]["correct"], True)

        status, st = hung.result(timeout=30)
        self.assertEqual(status, 504)
        self.assertIn("in time", st["error"])

        status, st = a.call("POST", "/api/end", b"")
        self.assertEqual(st["summary"]["questions"], 5)
        self.assertIsNone(st["question"])
        self.assertEqual(a.answer("tu es")[0], 409)
        status, log = self.server.stop()
        self.assertEqual(status, 0)
        self.assertRegex(log, r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ %s POST /api/answer 200 [\d.]+ms" % a.cookie[:8])

    def test_cap_and_sigterm(self):
        clients = [Client(self.server) for _ in range(65)]
        with concurrent.futures.ThreadPoolExecutor(8) as pool:
            results = list(pool.map(lambda c: c.call("GET", "/api/state"), clients[:64]))
        self.assertEqual([r[0] for r in results], [200] * 64)
        status, st = clients[64].call("GET", "/api/state")
        self.assertEqual((status, st["error"]), (503, "busy"))
        self.assertIsNone(clients[64].cookie)
        with concurrent.futures.ThreadPoolExecutor(8) as pool:
            answers = list(pool.map(lambda c: c.answer("nous finissons"), clients[:64]))
        self.assertTrue(all(s == 200 and st["result"]["correct"] for s, st in answers))
        kids = self.server.children()
        self.assertEqual(len(kids), 64)
        self.assertEqual(len(os.listdir(self.server.sessions)[0:1]), 1)
        status, _ = self.server.stop()
        self.assertEqual(status, 0)
        self.assertEqual(self.server.children(), [])
        left = [k for k in kids if os.path.exists("/proc/%d" % k)]
        self.assertEqual(left, [])
        self.assertEqual(os.listdir(self.server.sessions), [])

    def test_idle_end(self):
        self.server.close()
        self.server = Server("--idle", "1s")
        c = Client(self.server)
        c.call("GET", "/api/state")
        first = c.cookie
        self.assertEqual(len(self.server.children()), 1)
        deadline = time.time() + 10
        while self.server.children() and time.time() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.server.children(), [])
        c.call("GET", "/api/state")
        self.assertNotEqual(c.cookie, first)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
