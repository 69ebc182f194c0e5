#!/usr/bin/env python3
"""Checks of what a call left behind, for the desktop tests.

  media_checks.py tone WAV HZ OTHER_HZ   the sound holds HZ, far above OTHER_HZ
  media_checks.py kinds DIR              the call-log kinds of every day file, oldest first
"""
import math
import pathlib
import struct
import sys


def pcm_samples(path):
    """16-bit mono samples after the 'data' chunk (a file still being written
    may not have its sizes filled in yet)."""
    data = pathlib.Path(path).read_bytes()
    at = data.find(b"data")
    if at < 0:
        raise SystemExit(f"{path}: no data chunk")
    body = data[at + 8:]
    body = body[: len(body) // 2 * 2]
    return struct.unpack(f"<{len(body) // 2}h", body), struct.unpack("<I", data[24:28])[0]


def power(samples, rate, hz):
    """Goertzel power of one frequency over the samples."""
    coeff = 2 * math.cos(2 * math.pi * hz / rate)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coeff * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coeff * s1 * s2


def tone(path, hz, other):
    samples, rate = pcm_samples(path)
    loud = [x for x in samples if x != 0]
    if len(loud) < rate:  # less than a second of sound
        print(f"{path}: only {len(loud)} samples of sound")
        return 1
    wanted, unwanted = power(loud, rate, float(hz)), power(loud, rate, float(other))
    print(f"{path}: {hz} Hz {wanted:.3g}, {other} Hz {unwanted:.3g}, {len(loud)} samples")
    return 0 if wanted > 20 * unwanted else 1


def kinds(folder):
    out = []
    for f in sorted(pathlib.Path(folder).glob("*.txt")):
        data = f.read_bytes()
        for i in range(0, len(data) - len(data) % 72, 72):
            out.append(str(struct.unpack("<I", data[i + 44:i + 48])[0]))
    print(" ".join(out))
    return 0


if __name__ == "__main__":
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "tone" and len(sys.argv) == 5:
        sys.exit(tone(*sys.argv[2:]))
    if command == "kinds" and len(sys.argv) == 3:
        sys.exit(kinds(sys.argv[2]))
    sys.exit(__doc__)
