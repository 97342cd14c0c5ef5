#!/usr/bin/env python3
"""Re-encodes the rendered PNGs as 8-bit RGBA with maximum compression and embeds an
sRGB profile in the background and the spinner frames (the program does not apply
it). Prints the total size."""
import io
import os
import struct

from PIL import Image, ImageCms

HERE = os.path.dirname(os.path.abspath(__file__))
IDS = list(range(129, 149)) + list(range(150, 154))
WITH_PROFILE = {129} | set(range(141, 149))


def srgb_profile():
    """An sRGB profile with a fixed creation date, so that rendering twice gives
    byte-identical files."""
    data = bytearray(ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes())
    data[24:36] = struct.pack(">6H", 2026, 1, 1, 0, 0, 0)
    return bytes(data)


def reencode(path, icc=None):
    image = Image.open(path).convert("RGBA")
    buffer = io.BytesIO()
    options = {"optimize": True}
    if icc:
        options["icc_profile"] = icc
    image.save(buffer, "PNG", **options)
    data = buffer.getvalue()
    with open(path, "wb") as f:
        f.write(data)
    return len(data)


def main():
    icc = srgb_profile()
    total = 0
    for image_id in IDS:
        path = os.path.join(HERE, "png", f"{image_id}.png")
        total += reencode(path, icc if image_id in WITH_PROFILE else None)
    total += reencode(os.path.join(HERE, "icon", "app.png"))
    print(f"{len(IDS) + 1} images, {total} bytes in all")


if __name__ == "__main__":
    main()
