#!/usr/bin/env python3
"""Prints the start of every tone in a raw recording (signed 16-bit little-endian mono), in
seconds from the start of the recording, one a line: a tone starts where 10 ms of sound rises
above a tenth of full scale after at least 30 ms below it.
    tone_onsets.py RECORDING RATE"""
import array
import math
import sys

samples = array.array("h")
with open(sys.argv[1], "rb") as recording:
    samples.frombytes(recording.read())
if sys.byteorder != "little":
    samples.byteswap()
rate = int(sys.argv[2])
window = rate // 100
quiet_windows = 0
sounding = False
for start in range(0, len(samples) - window, window):
    block = samples[start:start + window]
    loud = math.sqrt(sum(s * s for s in block) / window) > 3276
    if loud and not sounding and quiet_windows >= 3:
        print(f"{start / rate:.3f}")
    sounding = loud
    quiet_windows = 0 if loud else quiet_windows + 1
