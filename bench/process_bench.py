#!/usr/bin/python3
# Whole processes, as a user runs them: `ambview render --view trend` to PNG of a week of four
# channels at 2 s against a numpy script that only reads and reduces the same files, the text
# export's throughput and its ratio to a process that only reads the same files (`cat`), four
# weeks against one week (time and peak memory), and the start-up of the commands. Medians of
# several runs, interleaved so that a change of machine load hits every case alike; wall and
# CPU time (user + system) and peak resident memory from wait4.
# With --base, a second build is measured in the same runs and compared case by case.
#   process_bench.py [--bin DIR] [--base DIR] [--runs N] [--python PATH] [--data DIR]
import argparse
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PEER = os.path.join(ROOT, "bench", "numpy_trend_peer.py")

# Mode "0" per-channel files: acceleration, X, Y, Z, 302 400 samples a week at 2 s; "brief"
# (100 samples) shows what a render costs before any data: start-up, frame, captions, image.
RECORDINGS = {"week": ["--days", "7"], "month": ["--days", "28"], "brief": ["--samples", "100"]}


def recording_files(data, name):
    base = os.path.join(data, name.ljust(7, "_"))
    return [base + c for c in "0123"]


def ensure_recordings(data, gen):
    os.makedirs(data, exist_ok=True)
    for name, length in RECORDINGS.items():
        stamp = os.path.join(data, name + ".done")
        if os.path.exists(stamp):
            continue
        subprocess.run([gen, "--out", os.path.join(data, name), "--family", "per-channel", "--mode", "0",
                        "--interval", "2"] + length, check=True, stdout=subprocess.DEVNULL)
        open(stamp, "w").close()


def run_once(argv, env):
    """Wall seconds, CPU seconds and peak resident kB of one process."""
    start = time.perf_counter()
    child = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    err = child.stderr.read().decode(errors="replace")
    child.stderr.close()
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"process_bench: {' '.join(argv)} exited {child.returncode}: {err.strip()}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def cases_for(label, bin_dir, data, out):
    ambview = os.path.join(bin_dir, "ambview")
    os.makedirs(os.path.join(out, label), exist_ok=True)
    week = recording_files(data, "week")
    month = recording_files(data, "month")

    def render(files, ext, name):
        return [ambview, "render", files[0], "--view", "trend", "--out", os.path.join(out, label, name + ext)]

    def export(files, name):
        folder = os.path.join(out, label, name)
        os.makedirs(folder, exist_ok=True)
        return [ambview, "export", files[0], "--out", folder]

    return {
        f"{label}:version": [ambview, "--version"],
        f"{label}:info": [ambview, "info", week[0]],
        f"{label}:trend_brief_png": render(recording_files(data, "brief"), ".png", "trend_brief"),
        f"{label}:trend_week_png": render(week, ".png", "trend_week"),
        f"{label}:trend_week_bmp": render(week, ".bmp", "trend_week"),
        f"{label}:trend_month_png": render(month, ".png", "trend_month"),
        f"{label}:export_week": export(week, "export_week"),
        f"{label}:export_month": export(month, "export_month"),
    }


def text_bytes(folder):
    return sum(os.path.getsize(os.path.join(folder, f)) for f in os.listdir(folder) if f.endswith(".prn"))


def main():
    parser = argparse.ArgumentParser(description="Whole-process benchmark of ambview against a numpy peer.")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bench"),
                        help="folder with ambview and movilog_gen (default build/bench)")
    parser.add_argument("--base", help="a second build's folder, measured side by side")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--python", default="/usr/bin/python3", help="the Python with numpy (Debian's python3-numpy)")
    parser.add_argument("--data", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "movilog_process_bench"))
    args = parser.parse_args()

    ensure_recordings(args.data, os.path.join(args.bin, "movilog_gen"))
    out = os.path.join(args.data, "out")
    env = dict(os.environ)

    labels = [("new", args.bin)] + ([("base", args.base)] if args.base else [])
    cases = {}
    for label, bin_dir in labels:
        cases.update(cases_for(label, bin_dir, args.data, out))
    # The export's read floor: a process that only reads the week's four files once.
    cases["floor:read_week"] = ["cat"] + recording_files(args.data, "week")
    cases["numpy:peer_week"] = [args.python, PEER] + recording_files(args.data, "week")
    cases["numpy:peer_month"] = [args.python, PEER] + recording_files(args.data, "month")

    load_before = os.getloadavg()
    for argv in cases.values():  # warm-up: page cache, lazy binding, Python's byte code
        run_once(argv, env)
    samples = {name: [] for name in cases}
    names = list(cases)
    for r in range(args.runs):
        order = names[r % len(names):] + names[:r % len(names)]
        for name in order:
            samples[name].append(run_once(cases[name], env))
    load_after = os.getloadavg()

    med = {name: tuple(statistics.median(s[i] for s in runs) for i in range(3)) for name, runs in samples.items()}
    print(f"process_bench: {args.runs} runs, median of each; load average {load_before[0]:.1f} before, "
          f"{load_after[0]:.1f} after; {os.cpu_count()} CPUs")
    print(f"{'case':26} {'wall ms':>9} {'cpu ms':>9} {'peak kB':>9}")
    for name in names:
        wall, cpu, rss = med[name]
        print(f"{name:26} {wall * 1e3:9.1f} {cpu * 1e3:9.1f} {rss:9.0f}")

    def ratio(a, b, i):
        return med[a][i] / med[b][i] if med[b][i] > 0 else float("nan")

    print()
    for label, _ in labels:
        p = label + ":"
        week_text = text_bytes(os.path.join(out, label, "export_week")) / 1e6
        month_text = text_bytes(os.path.join(out, label, "export_month")) / 1e6
        print(f"[{label}] trend week to PNG / numpy peer:     wall {ratio(p + 'trend_week_png', 'numpy:peer_week', 0):.2f}"
              f"  cpu {ratio(p + 'trend_week_png', 'numpy:peer_week', 1):.2f}   (target <= 0.5)")
        print(f"[{label}] text export of the week:            {week_text:.1f} MB, "
              f"{week_text / med[p + 'export_week'][0]:.0f} MB/s wall, {week_text / med[p + 'export_week'][1]:.0f} MB/s cpu"
              f"   (target >= 100)")
        print(f"[{label}] text export of the week / read floor: "
              f"wall {ratio(p + 'export_week', 'floor:read_week', 0):.2f}"
              f"  cpu {ratio(p + 'export_week', 'floor:read_week', 1):.2f}")
        print(f"[{label}] four weeks / week, trend:           wall {ratio(p + 'trend_month_png', p + 'trend_week_png', 0):.2f}"
              f"  cpu {ratio(p + 'trend_month_png', p + 'trend_week_png', 1):.2f}"
              f"  peak memory {ratio(p + 'trend_month_png', p + 'trend_week_png', 2):.2f}   (targets <= 4.5, <= 1.10)")
        print(f"[{label}] four weeks / week, export:          wall {ratio(p + 'export_month', p + 'export_week', 0):.2f}"
              f"  cpu {ratio(p + 'export_month', p + 'export_week', 1):.2f}"
              f"  peak memory {ratio(p + 'export_month', p + 'export_week', 2):.2f}   ({month_text:.1f} MB of text)")
        print(f"[{label}] PNG against BMP (the encoding):     wall {ratio(p + 'trend_week_png', p + 'trend_week_bmp', 0):.2f}"
              f"  cpu {ratio(p + 'trend_week_png', p + 'trend_week_bmp', 1):.2f}")
        print(f"[{label}] start-up (wall / cpu ms): --version {med[p + 'version'][0] * 1e3:.1f} / {med[p + 'version'][1] * 1e3:.1f},"
              f" info {med[p + 'info'][0] * 1e3:.1f} / {med[p + 'info'][1] * 1e3:.1f},"
              f" render of 100 samples {med[p + 'trend_brief_png'][0] * 1e3:.1f} / {med[p + 'trend_brief_png'][1] * 1e3:.1f}")
    print(f"[numpy] four weeks / week:                 wall {ratio('numpy:peer_month', 'numpy:peer_week', 0):.2f}"
          f"  cpu {ratio('numpy:peer_month', 'numpy:peer_week', 1):.2f}")
    if args.base:
        print()
        print("new / base, case by case:")
        for name in names:
            if name.startswith("new:"):
                other = "base:" + name[4:]
                print(f"  {name[4:]:22} wall {ratio(name, other, 0):.2f}  cpu {ratio(name, other, 1):.2f}"
                      f"  peak memory {ratio(name, other, 2):.2f}")


if __name__ == "__main__":
    main()
