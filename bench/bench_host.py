#!/usr/bin/env python3
"""Host benchmarks of the SDL window under Xvfb.

  1. start-up: wall time from the moment vadu is started until its first
     frame has been handed to the display (the host reports that moment when
     VADU_REPORT_FIRST_FRAME is set); target 45 ms;
  2. peak resident memory of a run that starts, idles and closes; target
     30 MiB;
  3. CPU use while idle on the first screen, over a few seconds; target
     0.5% of one core.

Usage: bench/bench_host.py [--runs N] [--idle-seconds S] VADU [GAME_DIR]
(default GAME_DIR: the demo directory beside VADU in the build tree). Needs
Xvfb and xdotool. The machine is often shared: the CPU time until the first
frame is steadier than the wall time, and more runs steady the medians.

VADU may also be any program that opens a window titled "TARN" and reports
its first frame the same way, such as the bare SDL program that gives this
machine's floor (see docs/PERFORMANCE.md).
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

RUNS = 9
IDLE_SECONDS = 5.0


def start_xvfb():
    r, w = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(r, 16)
        if not chunk:
            raise SystemExit("Xvfb did not start")
        number += chunk
    os.close(r)
    return proc, ":" + number.decode().strip()


def copy_game(src):
    work = tempfile.mkdtemp(prefix="vadu_bench_")
    for name in ("VADU.ini", "SYSTEM.msg"):
        if os.path.exists(os.path.join(src, name)):
            shutil.copy(os.path.join(src, name), work)
    return work


def window_id(env, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        out = subprocess.run(["xdotool", "search", "--name", "^TARN$"], env=env, capture_output=True, text=True)
        if out.stdout.strip():
            return out.stdout.split()[0]
        time.sleep(0.05)
    raise SystemExit("no TARN window")


def close(proc):
    proc.send_signal(signal.SIGINT)  # SDL turns it into the close request
    try:
        return proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        return proc.wait()


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def vm_hwm_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=RUNS)
    parser.add_argument("--idle-seconds", type=float, default=IDLE_SECONDS)
    parser.add_argument("vadu")
    parser.add_argument("game", nargs="?")
    args = parser.parse_args()
    runs = max(1, args.runs)
    vadu = os.path.abspath(args.vadu)
    game = args.game or os.path.join(os.path.dirname(vadu), "..", "games", "demo")
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            raise SystemExit(f"{tool} is not installed")
    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, VADU_REPORT_FIRST_FRAME="1")
    try:
        # 1. Start-up to the first frame.
        times = []
        cpu = []
        for _ in range(runs):
            work = copy_game(game)
            t0 = time.time()
            proc = subprocess.Popen([vadu, work], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                    text=True)
            line = ""
            while "first frame at" not in line:
                line = proc.stderr.readline()
                if not line:
                    raise SystemExit("vadu ended before its first frame")
            words = line.replace(",", " ").split()
            times.append((float(words[words.index("at") + 1]) - t0) * 1000)
            cpu.append(int(words[words.index("ms") - 1]))
            window_id(env)
            close(proc)
            shutil.rmtree(work)
        print(f"start-up to first frame: median {statistics.median(times):.1f} ms "
              f"(min {min(times):.1f}, max {max(times):.1f}, {runs} runs; target 45 ms); "
              f"CPU time of the process until then: median {statistics.median(cpu)} ms")

        # 2 and 3. Idle CPU on the first screen, and the peak resident memory
        # of that run (start-up, first screen, idling).
        work = copy_game(game)
        proc = subprocess.Popen([vadu, work], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window_id(env)
        time.sleep(1.0)  # let start-up settle
        c0, t0 = cpu_seconds(proc.pid), time.time()
        time.sleep(args.idle_seconds)
        c1, t1 = cpu_seconds(proc.pid), time.time()
        peak_kib = vm_hwm_kib(proc.pid)
        rc = close(proc)
        shutil.rmtree(work)
        print(f"idle CPU on the first screen: {100 * (c1 - c0) / (t1 - t0):.2f}% of one core "
              f"over {t1 - t0:.1f} s (target 0.5%)")
        print(f"peak resident memory: {peak_kib / 1024:.1f} MiB (target 30 MiB); exit code {rc}")
    finally:
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    main()
