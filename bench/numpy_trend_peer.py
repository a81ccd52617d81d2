#!/usr/bin/python3
# The peer process_bench.sh measures the trend render against: what a straightforward numpy
# script does to reduce the same channel files for a plot (read each file whole, decode the
# four hex digits of every sample, min and max per pixel column), without drawing anything.
# Usage: numpy_trend_peer.py [--width W] FILE...   (per-channel files of 50-sample records)
import sys

import numpy as np

RECORD = 256
SAMPLES_PER_RECORD = 50


def hex_table():
    table = np.zeros(256, dtype=np.uint32)
    for i, c in enumerate(b"0123456789ABCDEF"):
        table[c] = i
    for i, c in enumerate(b"abcdef"):
        table[c] = 10 + i
    return table


def sample_count(header):
    count = int(header[10:14], 16)
    return int(header[112:120], 16) if count == 0xFFFF else count


def reduce_file(path, width, table):
    data = np.fromfile(path, dtype=np.uint8)
    records = data[: len(data) // RECORD * RECORD].reshape(-1, RECORD)
    n = sample_count(records[0].tobytes())
    digits = table[records[1:, 2 : 2 + 4 * SAMPLES_PER_RECORD].reshape(-1, 4)]
    values = (digits[:, 0] << 12 | digits[:, 1] << 8 | digits[:, 2] << 4 | digits[:, 3])[:n] * 2
    per_pixel = -(-n // width)
    padded = np.pad(values, (0, per_pixel * width - n), mode="edge").reshape(width, per_pixel)
    return padded.min(axis=1), padded.max(axis=1)


def main(argv):
    width = 930  # the trend's time axis in a 1000-pixel image
    if len(argv) > 1 and argv[0] == "--width":
        width, argv = int(argv[1]), argv[2:]
    if not argv:
        sys.exit("usage: numpy_trend_peer.py [--width W] FILE...")
    table = hex_table()
    checksum = 0
    for path in argv:
        low, high = reduce_file(path, width, table)
        checksum += int(low.sum()) + int(high.sum())
    print(checksum)


if __name__ == "__main__":
    main(sys.argv[1:])
