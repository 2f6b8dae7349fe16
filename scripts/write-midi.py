#!/usr/bin/env python3
"""write-midi.py OUT.mid [SECONDS]

Writes a small Standard MIDI File (format 0, one track, piano): an arpeggio around A4 in
half-second beats that ends exactly after SECONDS (default 3.5, rounded to whole beats).
"""
import struct
import sys

TICKS_PER_BEAT = 480
BEAT_SECONDS = 0.5  # tempo 120 beats a minute
NOTES = [69, 72, 76, 81, 76, 72]  # A4 C5 E5 A5 E5 C5, repeated


def vlq(value: int) -> bytes:
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def main() -> int:
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    seconds = float(sys.argv[2]) if len(sys.argv) == 3 else 3.5
    beats = max(1, round(seconds / BEAT_SECONDS))
    held = TICKS_PER_BEAT * 7 // 8

    track = bytearray()
    track += vlq(0) + b"\xff\x51\x03" + int(BEAT_SECONDS * 1_000_000).to_bytes(3, "big")
    track += vlq(0) + b"\xc0\x00"  # program 0: acoustic grand piano
    delta = 0
    for beat in range(beats):
        note = NOTES[beat % len(NOTES)]
        track += vlq(delta) + bytes([0x90, note, 110])
        track += vlq(held) + bytes([0x80, note, 64])
        delta = TICKS_PER_BEAT - held
    track += vlq(delta) + b"\xff\x2f\x00"  # end of track, on the last beat's boundary

    with open(sys.argv[1], "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS_PER_BEAT))
        f.write(b"MTrk" + struct.pack(">I", len(track)) + track)
    return 0


if __name__ == "__main__":
    sys.exit(main())
