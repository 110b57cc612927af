#!/usr/bin/env python3
"""Standard input from a terminal, and runs interrupted while they wait for their net, end to end.

- A net typed at a terminal: the note on standard error comes first, Ctrl-D ends the net.
- Ctrl-C at a terminal, and SIGINT while the net comes through a FIFO that stays open: an
  existing report file is left as it was.

Every wait is bounded; a run that outlives it is killed and counted as failed. Where no
pseudo-terminal can be had, its checks are skipped, said on standard output.
Usage: terminal_and_interrupt.py VANTIRA
"""
import os
import pty
import select
import signal
import subprocess
import sys
import tempfile
import time

# What the terminal shows of the note: its line feed becomes CR LF there.
NOTE = b"vantira: reading a net from standard input (end it with Ctrl-D); vantira -h lists the options\r\n"
OLD_REPORT = b"an old report, to be kept\n"


def old_report(work, file_name):
    """A report file that a run interrupted before its first byte must keep."""
    path = os.path.join(work, file_name)
    with open(path, "wb") as f:
        f.write(OLD_REPORT)
    return path


def check_report_kept(name, path):
    with open(path, "rb") as f:
        if f.read() != OLD_REPORT:
            fail(name, "the report file was changed")
PARTIAL_NET = b"net waiting\ntr a p -> q\n"
WAIT = 20.0

failures = set()  # the names of the checks that failed


def fail(name, what):
    failures.add(name)
    print(f"FAIL {name}: {what}")


def read_until(fd, want, deadline):
    """Reads from `fd` until `want` is among the bytes read, the other end closes, or time is up."""
    seen = b""
    while want not in seen:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            break
        try:
            chunk = os.read(fd, 65536)
        except OSError:  # EIO: the terminal's last user is gone
            break
        if not chunk:
            break
        seen += chunk
    return seen


def wait_bounded(pid, deadline):
    """The wait status of `pid`, killed if it has not ended by `deadline`; None then."""
    while time.monotonic() < deadline:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return status
        time.sleep(0.02)
    os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
    return None


def on_terminal(vantira, work, args):
    """Runs vantira with a new pseudo-terminal as its controlling terminal and its three streams."""
    pid, master = pty.fork()
    if pid == 0:
        try:
            os.chdir(work)
            signal.signal(signal.SIGINT, signal.SIG_DFL)  # whatever the test was started with
            os.execv(vantira, [vantira] + args)
        finally:
            os._exit(127)
    return pid, master


def check_terminal_note(vantira, work):
    name = "terminal-note-then-ctrl-d"
    pid, master = on_terminal(vantira, work, ["-q"])
    deadline = time.monotonic() + WAIT
    first = read_until(master, NOTE, deadline)
    if not first.startswith(NOTE):
        fail(name, f"the terminal shows first {first[:200]!r}")
    os.write(master, b"tr t p -> q\n")
    os.write(master, b"\x04")  # Ctrl-D at the start of a line: the end of the net
    rest = read_until(master, b"DECOMPOSITION COMPLETED", deadline)
    status = wait_bounded(pid, deadline)
    os.close(master)
    if status is None or not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        fail(name, f"wait status {status}, the terminal shows {rest[-300:]!r}")
    elif b"2 places, 1 transitions," not in rest:
        fail(name, f"no report of the net typed: {rest[-300:]!r}")
    elif rest.count(b"vantira: reading") != 0:
        fail(name, "the note came twice")


def check_ctrl_c_at_terminal(vantira, work):
    name = "ctrl-c-at-terminal-keeps-report"
    report = old_report(work, "kept.txt")
    pid, master = on_terminal(vantira, work, ["-", "kept.txt"])
    deadline = time.monotonic() + WAIT
    # The note comes once the report file is open, just before the net is read.
    shown = read_until(master, NOTE, deadline)
    os.write(master, PARTIAL_NET)
    read_until(master, b"tr a p -> q", deadline)  # echoed: it has reached the terminal
    os.write(master, b"\x03")
    status = wait_bounded(pid, deadline)
    os.close(master)
    if NOTE not in shown:
        fail(name, f"no note before the net: {shown[:200]!r}")
    if status is None or not os.WIFSIGNALED(status) or os.WTERMSIG(status) != signal.SIGINT:
        fail(name, f"wait status {status}, not ended by SIGINT")
    check_report_kept(name, report)


def check_interrupt_on_fifo(vantira, work):
    name = "interrupt-on-fifo-keeps-report"
    report = old_report(work, "kept-fifo.txt")
    fifo = os.path.join(work, "net.fifo")
    os.mkfifo(fifo)
    # The reading end first, without waiting for a writer; then the writer,
    # which stays open so that the net never ends.
    read_end = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
    write_end = os.open(fifo, os.O_WRONLY)
    os.set_blocking(read_end, True)
    run = subprocess.Popen([vantira, "-", "kept-fifo.txt"], cwd=work, stdin=read_end, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
    os.close(read_end)
    os.write(write_end, PARTIAL_NET)
    # Interrupted once the report file is open, while the net is awaited.
    deadline = time.monotonic() + WAIT
    opened = False
    while not opened and time.monotonic() < deadline and run.poll() is None:
        try:
            links = [os.readlink(f"/proc/{run.pid}/fd/{fd}") for fd in os.listdir(f"/proc/{run.pid}/fd")]
        except OSError:
            links = []
        opened = report in links
        time.sleep(0.02)
    time.sleep(0.1)
    run.send_signal(signal.SIGINT)
    try:
        out, err = run.communicate(timeout=WAIT)
    except subprocess.TimeoutExpired:
        run.kill()
        out, err = run.communicate()
    os.close(write_end)
    if not opened:
        fail(name, "the report file was never seen open")
    if run.returncode != -signal.SIGINT:
        fail(name, f"status {run.returncode}, not ended by SIGINT")
    if out or err:
        fail(name, f"standard output {out[:200]!r}, standard error {err[:200]!r} (no note for a FIFO)")
    check_report_kept(name, report)


def main():
    vantira = os.path.realpath(sys.argv[1])
    checks = 0
    with tempfile.TemporaryDirectory() as work:
        try:
            for fd in os.openpty():
                os.close(fd)
            have_pty = True
        except OSError as error:
            have_pty = False
            print(f"skip the terminal checks: no pseudo-terminal ({error})")
        if have_pty:
            check_terminal_note(vantira, work)
            check_ctrl_c_at_terminal(vantira, work)
            checks += 2
        check_interrupt_on_fifo(vantira, work)
        checks += 1
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
