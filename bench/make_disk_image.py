#!/usr/bin/env python3
"""Writes a disk-like image for the copy benchmark: runs of zero blocks, text,
binary-looking data and random (already compressed) data, in 4 KiB-aligned
runs of 64 KiB to 8 MiB. The same size always gives the same bytes.

usage: make_disk_image.py PATH SIZE_MIB
"""

import random
import sys

BLOCK = 4096
POOL_SIZE = 16 << 20
# (kind, share of the runs)
KINDS = [("zero", 35), ("text", 25), ("binary", 20), ("random", 20)]


def text_pool(rng):
    """Words of 2 to 11 letters, the common ones far more common, in lines."""
    letters = "etaoinshrdlcumwfgypbvkjxqz"
    weights = [26 - i for i in range(len(letters))]
    words = ["".join(rng.choices(letters, weights, k=rng.randint(2, 11))) for _ in range(4000)]
    word_weights = [1.0 / (rank + 1) for rank in range(len(words))]
    chosen = rng.choices(words, word_weights, k=POOL_SIZE // 5)
    out = bytearray()
    for start in range(0, len(chosen), 12):
        out += (" ".join(chosen[start:start + 12]) + ".\n").encode()
    return bytes(out[:POOL_SIZE])


def binary_pool(rng):
    """Bytes skewed toward small values, as in program files and tables."""
    weights = [64.0 if value == 0 else 256.0 / (value + 8) for value in range(256)]
    return bytes(rng.choices(range(256), weights, k=POOL_SIZE))


def main():
    path, size_mib = sys.argv[1], int(sys.argv[2])
    size = size_mib << 20
    rng = random.Random(2312)
    pools = {"text": text_pool(rng), "binary": binary_pool(rng)}
    kinds = [kind for kind, _ in KINDS]
    shares = [share for _, share in KINDS]
    zeros = bytes(8 << 20)
    written = 0
    with open(path, "wb") as image:
        while written < size:
            run = min(size - written, rng.randint(16, 2048) * BLOCK)
            kind = rng.choices(kinds, shares)[0]
            if kind == "zero":
                image.write(zeros[:run])
            elif kind == "random":
                image.write(rng.randbytes(run))
            else:
                pool = pools[kind]
                offset = rng.randrange(0, len(pool) - run + 1)
                image.write(pool[offset:offset + run])
            written += run


if __name__ == "__main__":
    main()
