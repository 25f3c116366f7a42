#!/usr/bin/python3
"""Runs the examples that the README and the manual pages mark as runnable,
against simulated projectors, so that an example cannot drift from the
programs.

Usage: run-examples.py --program NAME=PATH... [--man-path DIR]... DOCUMENT...

Marks, on the line before an example:
  Markdown: <!-- runnable --> before a fenced block (<!-- runnable, with: LINE -->
            when it needs a server that another block starts, LINE starting
            it); <!-- example file --> before
            a block whose first line, a comment, names the file it shows
            ("# /etc/rm740/projectors", "# rooms"), which is then written there.
  roff:     .\\" runnable or .\\" example file before an .nf ... .fi block.

A runnable block runs in bash (set -euo pipefail) in a folder of its own, with
the programs first on PATH, and must end with status 0 and print nothing on
standard error. A line of it that starts rm740-sim or rm740-bridge (but not
--check, --help or --version) is a server, as in the documents, which say to
run it in a terminal of its own: it is started first, waited for until it
serves, and stopped when the rest of the block is done.

The documents name real projectors; each stands in for one here:
  COMn                        the panel's settings map it to a simulated projector
  /dev/ttyUSB0, /dev/serial/by-id/...
                              a link to a simulated projector's pseudo-terminal
  socket://, rfc2217://HOST:PORT (HOST not this machine)
                              a simulated projector listening on loopback
  /etc/rm740/, /tmp/          folders of the test's own
  4001, 2217, 4352, 8080      the listen ports of the examples, each a free
                              port of this machine
A password file of ${CREDENTIALS_DIRECTORY} is there, as under the service.
Exit status 0 when every example ran, 1 otherwise.
"""

import argparse
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

RUNNABLE, FILE = "runnable", "example file"
MARKDOWN_MARK = re.compile(r"^\s*<!-- (runnable|example file)(?:, with: (.+?))? -->\s*$")
ROFF_MARK = re.compile(r'^\.\\" (runnable|example file)\s*$')
LISTEN_PORTS = ("4001", "2217", "4352", "8080")
SERVER = re.compile(r"^(rm740-sim|rm740-bridge)\s")
STEP_SECONDS = 60


class Example:
    def __init__(self, document, line, kind, text):
        self.document, self.line, self.kind, self.text = document, line, kind, text

    def where(self):
        return f"{os.path.basename(self.document)}:{self.line}"


def markdown_examples(path, lines):
    examples, i = [], 0
    while i < len(lines):
        mark = MARKDOWN_MARK.match(lines[i])
        i += 1
        if not mark:
            continue
        if i >= len(lines) or not lines[i].strip().startswith("```"):
            sys.exit(f"{path}:{i}: a mark is not followed by a fenced block")
        indent = lines[i][: len(lines[i]) - len(lines[i].lstrip())]
        start, body = i + 1, []
        i += 1
        while i < len(lines) and not lines[i].strip().startswith("```"):
            body.append(lines[i][len(indent):] if lines[i].startswith(indent) else lines[i].lstrip())
            i += 1
        # "with: LINE": a server the block needs that the document starts in another.
        servers = [mark.group(2)] if mark.group(2) else []
        examples.append(Example(path, start, mark.group(1), "\n".join(servers + body) + "\n"))
    return examples


def unroff(line):
    for escape, text in ((r"\-", "-"), (r"\(aq", "'"), (r"\(dq", '"'), (r"\&", ""), (r"\e", "\\")):
        line = line.replace(escape, text)
    return line


def roff_examples(path, lines):
    examples, i = [], 0
    while i < len(lines):
        mark = ROFF_MARK.match(lines[i])
        i += 1
        if not mark:
            continue
        while i < len(lines) and lines[i].strip() != ".nf":
            if not lines[i].startswith("."):
                sys.exit(f"{path}:{i + 1}: a mark is not followed by an .nf block")
            i += 1
        start, body = i + 2, []
        i += 1
        while i < len(lines) and lines[i].strip() != ".fi":
            if not lines[i].startswith("."):
                body.append(unroff(lines[i]))
            i += 1
        examples.append(Example(path, start, mark.group(1), "\n".join(body) + "\n"))
    return examples


def examples_of(path):
    with open(path, encoding="utf-8") as document:
        lines = document.read().split("\n")
    return markdown_examples(path, lines) if path.endswith(".md") else roff_examples(path, lines)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for_port(port, process, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and process.poll() is None:
        with socket.socket() as probe:
            if probe.connect_ex(("127.0.0.1", port)) == 0:
                return True
        time.sleep(0.05)
    return False


class Sandbox:
    """The folders, the settings and the simulated projectors the examples meet."""

    def __init__(self, programs, man_path):
        self.root = tempfile.mkdtemp(prefix="rm740-examples.")
        self.programs = programs
        self.simulators = {}   # what a document names -> what stands in for it
        self.processes = []
        for folder in ("bin", "home", "config", "etc/rm740", "tmp", "dev", "work", "credentials"):
            os.makedirs(os.path.join(self.root, folder), exist_ok=True)
        for name, path in programs.items():
            os.symlink(path, os.path.join(self.root, "bin", name))
        password = os.path.join(self.root, "credentials", "pjlink-password")
        with open(password, "w", encoding="ascii") as file:
            file.write("projector\n")
        os.chmod(password, 0o600)
        self.env = {
            "PATH": os.path.join(self.root, "bin") + ":/usr/bin:/bin",
            "HOME": os.path.join(self.root, "home"),
            "XDG_CONFIG_HOME": os.path.join(self.root, "config"),
            "CREDENTIALS_DIRECTORY": os.path.join(self.root, "credentials"),
            "MANPATH": ":".join(man_path),
            "LANG": "C.UTF-8",
            "TMPDIR": os.path.join(self.root, "tmp"),
        }
        self.com_ports = {}
        self.com_port(1)  # the port the panel stored

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def simulator(self, arguments):
        process = subprocess.Popen([self.programs["rm740-sim"], "--warmup", "0", "--cooldown", "0"] + arguments,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=self.env, text=True)
        self.processes.append(process)
        where = process.stdout.readline().strip()
        if not where:
            raise RuntimeError(f"rm740-sim {' '.join(arguments)} did not start")
        return where

    def device(self, name):
        if name not in self.simulators:
            link = self.path("dev", name.replace("/", "_"))
            self.simulator(["--link", link])
            self.simulators[name] = link
        return self.simulators[name]

    def network(self, url):
        if url not in self.simulators:
            scheme = url.split(":", 1)[0]
            port = free_port()
            self.simulator(["--tcp" if scheme == "socket" else "--rfc2217", str(port)])
            self.simulators[url] = f"{scheme}://127.0.0.1:{port}"
        return self.simulators[url]

    def com_port(self, number):
        if number not in self.com_ports:
            self.com_ports[number] = self.device(f"COM{number}")
            with open(self.path("config", "ORVA.conf"), "w", encoding="utf-8") as store:
                store.write("[Ports]\n")
                for com, link in sorted(self.com_ports.items()):
                    store.write(f'COM{com}="{link}"\n')
                store.write("\n[StartUP]\nBaudRate=192\nComPort=1\n")

    def stand_ins(self, text):
        """The example's text with this sandbox's stand-ins for what it names."""
        # The listen ports first, before anything puts a path or a port of the
        # sandbox's own into the text.
        ports = {port: str(free_port()) for port in LISTEN_PORTS}
        # A port after another machine's address is that machine's (the one
        # of a network URL, a listen address in a configuration that is only
        # checked), not one to listen on here.
        here = "|".join(r"(?<=%s)" % before for before in (r"[\s'\"=]", r"127\.0\.0\.1:", r"localhost:", r"\*:",
                                                            r"0\.0\.0\.0:", r"\[::1\]:"))
        text = re.sub(r"(?:%s)(%s)(?!\w)" % (here, "|".join(LISTEN_PORTS)), lambda m: ports[m.group(1)], text)
        text = re.sub(r"(?<![\w.])/tmp/", self.path("tmp") + "/", text)
        for number in re.findall(r"\bCOM(\d+)\b", text):
            self.com_port(int(number))
        text = re.sub(r"(?<![\w/])/dev/(ttyUSB\d+|ttyACM\d+|serial/by-id/[\w.:-]+)",
                      lambda m: self.device(m.group(0)), text)
        text = re.sub(r"\b(socket|rfc2217)://(?!127\.0\.0\.1|localhost|\[::1\])[\w.:\[\]-]+:\d+",
                      lambda m: self.network(m.group(0)), text)
        return text.replace("/etc/rm740/", self.path("etc", "rm740") + "/")

    def close(self):
        for process in self.processes:
            stop(process)
        shutil.rmtree(self.root, ignore_errors=True)


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def write_file(sandbox, example):
    first, _, body = sandbox.stand_ins(example.text).partition("\n")
    name = re.match(r"^#\s+(\S+)", first)
    if not name:
        raise RuntimeError("an example file's first line must be a comment naming the file")
    path = name.group(1)
    target = path if path.startswith(sandbox.root) else sandbox.path("work", path)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target, "w", encoding="utf-8") as file:
        file.write(first + "\n" + body)


def start_server(sandbox, line):
    process = subprocess.Popen(["bash", "-c", "exec " + line], cwd=sandbox.path("work"), env=sandbox.env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    sandbox.processes.append(process)
    ports = [int(p) for p in re.findall(r"--(?:pjlink|http|tcp|rfc2217)[ =]'?(?:[\w.*\[\]:]*:)?(\d+)", line)]
    if line.startswith("rm740-bridge") and "--pjlink" not in line and "--config" not in line:
        ports.append(4352)  # where it listens unless told
    if not ports:  # a simulator on a pseudo-terminal says where it is
        ready = bool(process.stdout.readline())
    else:
        ready = all(wait_for_port(port, process) for port in ports)
    if not ready:
        stop(process)
        raise RuntimeError(f"the server did not start: {line}\n{process.stderr.read()}")
    return process


def run(sandbox, example):
    text = sandbox.stand_ins(example.text)
    lines = text.split("\n")
    servers = [line for line in lines
               if SERVER.match(line) and not re.search(r"--(check|help|version)\b", line)]
    script = "\n".join("" if line in servers else line for line in lines)
    started = []
    try:
        for line in servers:
            started.append(start_server(sandbox, line))
        result = subprocess.run(["bash", "-c", "set -euo pipefail\n" + script], cwd=sandbox.path("work"),
                                env=sandbox.env, capture_output=True, text=True, timeout=STEP_SECONDS)
    finally:
        for process in started:
            stop(process)
    if result.returncode != 0 or result.stderr:
        raise RuntimeError(f"exit status {result.returncode}\n--- as run:\n{text}--- its output:\n"
                           f"{result.stdout}--- on standard error:\n{result.stderr}")
    return result.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", action="append", default=[], help="NAME=PATH")
    parser.add_argument("--man-path", action="append", default=[])
    parser.add_argument("documents", nargs="+")
    arguments = parser.parse_args()
    programs = dict(entry.split("=", 1) for entry in arguments.program)
    missing = [tool for tool in ("nc", "curl") if not shutil.which(tool)]
    if missing:
        print(f"SKIP: the examples call {' and '.join(missing)} (netcat-openbsd, curl; test.sh installs them)")
        return 77

    failures = count = 0
    sandbox = Sandbox(programs, arguments.man_path)
    try:
        for document in arguments.documents:
            examples = examples_of(document)
            # A document's files first: its commands read them.
            for example in (e for e in examples if e.kind == FILE):
                write_file(sandbox, example)
            for example in (e for e in examples if e.kind == RUNNABLE):
                count += 1
                try:
                    run(sandbox, example)
                    print(f"ran {example.where()}")
                except (RuntimeError, subprocess.TimeoutExpired) as problem:
                    failures += 1
                    print(f"FAIL: {example.where()}: {problem}")
    finally:
        sandbox.close()
    if count == 0:
        print("no runnable example found")
        return 1
    print(f"{count - failures} of {count} examples ran as written")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
