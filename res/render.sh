#!/bin/sh
# Renders every SVG of svg/ into the PNGs the program compiles in (png/<id>.png and
# icon/app.png), re-encodes them as compact 8-bit RGBA and checks them.
# Needs rsvg-convert (Debian librsvg2-bin) and python3 with PIL (python3-pil).
# The spinner frames, close-button faces and bars are generated: run gen_svg.py
# first when its palette changed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

python=""
for candidate in "${PYTHON:-}" python3 /usr/bin/python3; do
  if [ -n "$candidate" ] && "$candidate" -c "import PIL" 2>/dev/null; then
    python=$candidate
    break
  fi
done
if [ -z "$python" ]; then
  echo "render.sh: needs python3 with PIL (python3-pil)" >&2
  exit 1
fi

mkdir -p png icon
for id in 129 130 131 132 133 134 135 136 137 138 139 140 \
          141 142 143 144 145 146 147 148 150 151 152 153; do
  rsvg-convert --format=png "svg/$id.svg" -o "png/$id.png"
done
rsvg-convert --format=png -w 256 -h 256 svg/app.svg -o icon/app.png
cp svg/app.svg icon/app.svg

"$python" finish_png.py
"$python" check_png.py
