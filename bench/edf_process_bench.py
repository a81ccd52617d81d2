#!/usr/bin/python3
# The EDF+ export as a user runs it: `ambview export FILE --format edf` of a week of every
# channel of mode "@" (acceleration, X/Y/Z, tilt, heart rate) at 1 s, and of one day of it
# (peak memory must not grow with the length), against floors measured in the same runs:
# writing as many bytes as the .edf holds with dd (synced, as the export syncs), and
# `ambview info` on the same file (start-up and the header). The text export of the week is
# measured beside it. Medians of several interleaved runs (process_bench.py's measuring).
#   edf_process_bench.py [--bin DIR] [--runs N] [--data DIR]
import argparse
import os
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from process_bench import ROOT, run_once  # noqa: E402

LENGTHS = {"week": ["--days", "7"], "day": ["--days", "1"]}


def main():
    parser = argparse.ArgumentParser(description="Whole-process benchmark of the EDF+ export.")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bench"),
                        help="folder with ambview and movilog_gen (default build/bench)")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--data", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "movilog_edf_process_bench"))
    args = parser.parse_args()

    ambview = os.path.join(args.bin, "ambview")
    out = os.path.join(args.data, "out")
    os.makedirs(out, exist_ok=True)
    for name, length in LENGTHS.items():
        stamp = os.path.join(args.data, name + ".done")
        if not os.path.exists(stamp):
            run_once([os.path.join(args.bin, "movilog_gen"), "--out", os.path.join(args.data, name), "--family",
                      "per-channel", "--mode", "@", "--interval", "1"] + length, os.environ)
            open(stamp, "w").close()
    first = {name: os.path.join(args.data, name.ljust(7, "_") + "0") for name in LENGTHS}

    def edf(name):
        return [ambview, "export", first[name], "--format", "edf", "--out", os.path.join(out, name + ".edf")]

    cases = {"edf_week": edf("week"), "edf_day": edf("day"),
             "prn_week": [ambview, "export", first["week"], "--out", out],
             "info_week": [ambview, "info", first["week"]]}
    env = dict(os.environ)
    for argv in cases.values():  # warm-up, and the .edf whose size the floor writes
        run_once(argv, env)
    edf_bytes = os.path.getsize(os.path.join(out, "week.edf"))
    block = 1 << 16
    cases["dd_floor"] = ["dd", "if=/dev/zero", "of=" + os.path.join(out, "floor.bin"), f"bs={block}",
                         f"count={(edf_bytes + block - 1) // block}", "conv=fsync", "status=none"]

    load_before = os.getloadavg()
    samples = {name: [] for name in cases}
    names = list(cases)
    for r in range(args.runs):
        for name in names[r % len(names):] + names[:r % len(names)]:
            samples[name].append(run_once(cases[name], env))
    load_after = os.getloadavg()
    med = {name: tuple(statistics.median(s[i] for s in runs) for i in range(3)) for name, runs in samples.items()}

    print(f"edf_process_bench: {args.runs} runs, median of each; load average {load_before[0]:.1f} before, "
          f"{load_after[0]:.1f} after; {os.cpu_count()} CPUs; week.edf {edf_bytes / 1e6:.1f} MB")
    print(f"{'case':12} {'wall ms':>9} {'cpu ms':>9} {'peak kB':>9}")
    for name in names:
        wall, cpu, rss = med[name]
        print(f"{name:12} {wall * 1e3:9.1f} {cpu * 1e3:9.1f} {rss:9.0f}")

    def ratio(a, b, i):
        return med[a][i] / med[b][i] if med[b][i] > 0 else float("nan")

    print()
    print(f"EDF+ week / dd floor (same bytes):  wall {ratio('edf_week', 'dd_floor', 0):.2f}"
          f"  cpu {ratio('edf_week', 'dd_floor', 1):.2f}")
    print(f"EDF+ week / info (start-up floor):  wall {ratio('edf_week', 'info_week', 0):.2f}"
          f"  cpu {ratio('edf_week', 'info_week', 1):.2f}  peak memory {ratio('edf_week', 'info_week', 2):.2f}")
    print(f"EDF+ week / day:                    wall {ratio('edf_week', 'edf_day', 0):.2f}"
          f"  peak memory {ratio('edf_week', 'edf_day', 2):.2f}   (target: memory 1.00)")
    print(f"EDF+ week / text export of it:      wall {ratio('edf_week', 'prn_week', 0):.2f}"
          f"  cpu {ratio('edf_week', 'prn_week', 1):.2f}")
    print(f"EDF+ week, wall:                    {med['edf_week'][0]:.3f} s   (target < 1 s)")


if __name__ == "__main__":
    main()
