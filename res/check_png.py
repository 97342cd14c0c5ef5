#!/usr/bin/env python3
"""Checks the committed PNGs against what the program relies on: every id of the
image table present (and no 149), 8-bit RGBA at the exact size, the background
opaque on its panel with only a thin shadow ring and nothing beyond it, the
spinner frames turning clockwise from the left, and transparent corners where the
picture should float on the window. Prints each problem; exits 1 if there is any."""
import math
import os
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))

SIZES = {129: (1560, 1240), 134: (30, 30), 135: (1448, 568), 136: (48, 43)}
SIZES.update({i: (76, 76) for i in range(130, 134)})
SIZES.update({i: (368, 76) for i in range(137, 141)})
SIZES.update({i: (132, 132) for i in range(141, 149)})
SIZES.update({i: (508, 76) for i in range(150, 154)})

# Background: the opaque panel and the outer edge of its shadow, as x0, y0, x1, y1
# (x1, y1 exclusive): 4 px of shadow at the sides and top, 6 px below.
PANEL = (20, 20, 1540, 1220)
SHADOW = (16, 16, 1544, 1226)

# Spinner dots: centre and ring radius; dot 0 is at the left, numbered clockwise
# on screen (y grows downwards).
SPINNER_CENTRE = 66.0
SPINNER_RING = 47.0

# Images whose four corners must be fully transparent.
FLOATING = [130, 134, 135, 136] + list(range(141, 149))


def png_header(path):
    """Bit depth and colour type straight from the IHDR chunk."""
    with open(path, "rb") as f:
        head = f.read(26)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return head[24], head[25]


def check_background(image):
    alpha = image.getchannel("A").load()
    width, height = image.size
    for y in range(height):
        for x in range(width):
            a = alpha[x, y]
            in_panel = PANEL[0] <= x < PANEL[2] and PANEL[1] <= y < PANEL[3]
            in_shadow = SHADOW[0] <= x < SHADOW[2] and SHADOW[1] <= y < SHADOW[3]
            if in_panel and a != 255:
                return f"panel pixel {x},{y} has alpha {a}"
            if not in_shadow and a != 0:
                return f"margin pixel {x},{y} has alpha {a}"
    # The shadow must be there: some of it on every side.
    for name, (x, y) in {"left": (18, 600), "right": (1541, 600), "top": (780, 18),
                         "bottom": (780, 1222)}.items():
        if alpha[x, y] == 0:
            return f"no shadow on the {name} at {x},{y}"
    return None


def check_spinner(image, frame):
    alpha = image.getchannel("A").load()
    opaque = []
    for dot in range(8):
        angle = math.pi + dot * math.pi / 4
        x = round(SPINNER_CENTRE + SPINNER_RING * math.cos(angle))
        y = round(SPINNER_CENTRE + SPINNER_RING * math.sin(angle))
        a = alpha[x, y]
        if a == 0:
            return f"no dot {dot} at {x},{y}"
        if a == 255:
            opaque.append(dot)
    expected = sorted({frame % 8, (frame - 1) % 8})
    if opaque != expected:
        return f"opaque dots {opaque}, expected {expected}"
    return None


def check_corners(image):
    alpha = image.getchannel("A")
    w, h = image.size
    for x, y in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
        if alpha.getpixel((x, y)) != 0:
            return f"corner {x},{y} is not transparent"
    return None


def check(image_id, size):
    path = os.path.join(HERE, "png", f"{image_id}.png")
    if not os.path.exists(path):
        return "missing"
    header = png_header(path)
    if header != (8, 6):
        return f"not an 8-bit RGBA PNG (depth, colour type {header})"
    image = Image.open(path)
    if image.size != size:
        return f"size {image.size}, expected {size}"
    image = image.convert("RGBA")
    if image_id == 129:
        return check_background(image)
    if 141 <= image_id <= 148:
        problem = check_spinner(image, image_id - 141)
        if problem:
            return problem
    if image_id in FLOATING:
        return check_corners(image)
    return None


def main():
    problems = []
    for image_id, size in sorted(SIZES.items()):
        problem = check(image_id, size)
        if problem:
            problems.append(f"{image_id}.png: {problem}")
    if os.path.exists(os.path.join(HERE, "png", "149.png")):
        problems.append("149.png: there is no image 149")
    icon = os.path.join(HERE, "icon", "app.png")
    if png_header(icon) != (8, 6) or Image.open(icon).size != (256, 256):
        problems.append("icon/app.png: not a 256 x 256 RGBA PNG")
    for problem in problems:
        print(problem, file=sys.stderr)
    print(f"{len(SIZES) + 1} images checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
