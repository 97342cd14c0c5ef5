#!/usr/bin/env python3
"""Re-encodes the rendered PNGs as 8-bit RGBA with maximum compression, embeds an
sRGB profile in the background and the spinner frames, and checks every image:
the exact size of its table entry, RGBA mode, and for the background a panel that is
opaque with only a thin shadow around it and nothing beyond. Exits non-zero on the
first image that is wrong."""
import io
import os
import struct
import sys

from PIL import Image, ImageCms

HERE = os.path.dirname(os.path.abspath(__file__))

SIZES = {129: (1560, 1240), 134: (30, 30), 135: (1448, 568), 136: (48, 43)}
SIZES.update({i: (76, 76) for i in range(130, 134)})
SIZES.update({i: (368, 76) for i in range(137, 141)})
SIZES.update({i: (132, 132) for i in range(141, 149)})
SIZES.update({i: (508, 76) for i in range(150, 154)})
WITH_PROFILE = {129} | set(range(141, 149))

# Background geometry: the opaque panel and the shadow ring around it (x0, y0, x1, y1).
PANEL = (20, 20, 1540, 1220)
SHADOW = (16, 16, 1544, 1226)


def srgb_profile():
    """An sRGB profile with a fixed creation date, so that rendering twice gives
    byte-identical files."""
    data = bytearray(ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes())
    data[24:36] = struct.pack(">6H", 2026, 1, 1, 0, 0, 0)
    return bytes(data)


def save(image, path, icc=None):
    buffer = io.BytesIO()
    options = {"optimize": True}
    if icc:
        options["icc_profile"] = icc
    image.save(buffer, "PNG", **options)
    data = buffer.getvalue()
    with open(path, "wb") as f:
        f.write(data)
    return len(data)


def check_background(image):
    alpha = image.getchannel("A")
    width, height = image.size
    px = alpha.load()
    for y in range(height):
        for x in range(width):
            a = px[x, y]
            in_panel = PANEL[0] <= x < PANEL[2] and PANEL[1] <= y < PANEL[3]
            in_shadow = SHADOW[0] <= x < SHADOW[2] and SHADOW[1] <= y < SHADOW[3]
            if in_panel and a != 255:
                return f"panel pixel {x},{y} has alpha {a}"
            if not in_shadow and a != 0:
                return f"margin pixel {x},{y} has alpha {a}"
    return None


def main():
    failures = 0
    total = 0
    icc = srgb_profile()
    for image_id, size in sorted(SIZES.items()):
        path = os.path.join(HERE, "png", f"{image_id}.png")
        image = Image.open(path).convert("RGBA")
        problem = None
        if image.size != size:
            problem = f"size {image.size}, expected {size}"
        elif image_id == 129:
            problem = check_background(image)
        total += save(image, path, icc if image_id in WITH_PROFILE else None)
        reread = Image.open(path)
        if problem is None and (reread.mode != "RGBA" or reread.size != size):
            problem = f"re-read as {reread.mode} {reread.size}"
        if problem:
            print(f"{image_id}.png: {problem}", file=sys.stderr)
            failures += 1
    icon_path = os.path.join(HERE, "icon", "app.png")
    icon = Image.open(icon_path).convert("RGBA")
    if icon.size != (256, 256):
        print(f"app.png: size {icon.size}, expected (256, 256)", file=sys.stderr)
        failures += 1
    total += save(icon, icon_path)
    print(f"{len(SIZES) + 1} images, {total} bytes in all")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
