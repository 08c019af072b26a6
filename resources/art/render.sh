#!/usr/bin/env bash
# Re-render every bitmap in resources/ from the SVG sources in this folder.
#
# The PNGs and app.ico are committed, so building Velmora never needs this;
# run it only after editing an SVG.  Needs rsvg-convert (librsvg2-bin) and
# ImageMagick 6 (imagemagick).  Output is byte-for-byte repeatable: every
# PNG is forced to 8-bit RGBA and stripped of text/time chunks.
set -euo pipefail

ART="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
OUT="$(cd "$ART/.." && pwd)"

RSVG=rsvg-convert
# Call ImageMagick by its Debian path; some boxes shadow "convert" with
# something else earlier in PATH.
IM=/usr/bin/convert
[ -x "$IM" ] || IM=convert

for tool in "$RSVG" "$IM"; do
    command -v "$tool" >/dev/null || { echo "render.sh: $tool not found" >&2; exit 1; }
done

TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

# Same inputs must give the same bytes: no timestamps, no comments, and
# fixed zlib settings.
PNGOPTS=(-strip
         -define png:exclude-chunk=all
         -define png:compression-level=9
         -define png:compression-strategy=1
         -define png:compression-filter=5)

# svg -> PNG32 at the given pixel size.
render() { # src.svg width height dest.png
    "$RSVG" --format=png --width="$2" --height="$3" --keep-aspect-ratio \
        "$ART/$1" --output "$TMP/raw.png"
    "$IM" "$TMP/raw.png" -background none -gravity center -extent "$2x$3" \
        "${PNGOPTS[@]}" "PNG32:$4"
}

render convert.svg  32 32  "$OUT/convert.png"
render remove.svg   32 32  "$OUT/remove.png"
render add.svg      32 32  "$OUT/add.png"
render clear.svg    32 32  "$OUT/clear.png"
render drophint.svg 280 32 "$OUT/drophint.png"

# Application icon: the simplified drawing for 16/32, the detailed one above.
render app-icon-small.svg 16 16 "$TMP/icon-16.png"
render app-icon-small.svg 32 32 "$TMP/icon-32.png"
for s in 48 64 128 256; do
    render app-icon.svg "$s" "$s" "$TMP/icon-$s.png"
done

# ImageMagick writes 32-bit BMP entries for the small sizes and a PNG entry
# for 256, which is what Windows expects.
"$IM" "$TMP"/icon-{16,32,48,64,128,256}.png \
    "${PNGOPTS[@]}" -define png:format=png32 "ICO:$OUT/app.ico"

echo "rendered into $OUT"
