#!/usr/bin/python3
# damage.py SRC DST SEED COUNT: DST is SRC with COUNT bytes replaced at random.
import random, sys
src, dst, seed, count = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
data = bytearray(open(src, 'rb').read())
rng = random.Random(seed)
for _ in range(count):
    data[rng.randrange(len(data))] = rng.randrange(256)
open(dst, 'wb').write(data)
