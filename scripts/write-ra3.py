#!/usr/bin/env python3
"""write-ra3.py FRAMES OUT.ra [TITLE]

Wraps raw RealAudio 1.0 (14.4K) frames, 20 bytes each as ffmpeg's real_144 encoder writes
them, in a version-3 .ra header: the only RealAudio layout that both the GStreamer
demuxer and ffmpeg read back as a plain audio file.
"""
import struct
import sys

FRAME_BYTES = 20  # 160 samples at 8 kHz: 20 ms, so the data plays at 1000 bytes a second


def str8(text: str) -> bytes:
    data = text.encode("latin-1")[:255]
    return bytes([len(data)]) + data


def main() -> int:
    if len(sys.argv) not in (3, 4):
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    frames_path, out_path = sys.argv[1], sys.argv[2]
    title = sys.argv[3] if len(sys.argv) == 4 else ""
    with open(frames_path, "rb") as f:
        frames = f.read()
    if not frames or len(frames) % FRAME_BYTES:
        print(f"{frames_path}: {len(frames)} bytes is not a whole number of 14.4K frames", file=sys.stderr)
        return 1

    # After the 8-byte signature/version/size prefix: 8 unused bytes, bytes per minute,
    # data size, four length-prefixed texts (title, author, copyright, comment), one unused
    # byte and the length-prefixed codec tag.
    header = bytes(8) + struct.pack(">HI", FRAME_BYTES * 50 * 60, len(frames))
    header += str8(title) + str8("") + str8("") + str8("") + b"\0" + str8("lpcJ")
    with open(out_path, "wb") as f:
        f.write(b".ra\xfd" + struct.pack(">HH", 3, len(header)) + header + frames)
    return 0


if __name__ == "__main__":
    sys.exit(main())
