"""Reads an animation with Pillow, as the tests' independent reader: prints the frame count, the
loop count and each frame's duration in milliseconds, one line each, and writes every frame as
shown (composed by Pillow) as raw RGBA to OUT-<k>.rgba.

    read_animation.py FILE OUT
"""
import sys

from PIL import Image


def main(path, out):
    with Image.open(path) as image:
        frames = getattr(image, "n_frames", 1)
        print(image.format, frames, image.info.get("loop", "none"))
        for k in range(frames):
            image.seek(k)
            print(image.info.get("duration", "none"))
            with open("%s-%d.rgba" % (out, k), "wb") as f:
                f.write(image.convert("RGBA").tobytes())


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
