#!/usr/bin/env bash
# Fetches the Oswald Regular font (SIL Open Font License) that the plug-in embeds, from the npm
# registry, checks it against the expected SHA-256 and places it where the build looks for it:
# .deps/fonts/Oswald-Regular.ttf, with the licence beside it. The font is not kept in git.
# Idempotent: a font already in place with the right checksum is left alone.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

package="@expo-google-fonts/oswald"
version="0.4.2"
member="package/400Regular/Oswald_400Regular.ttf"
licence_member="package/LICENSE_FONT"
expected_size=87248
expected_sha256="147373bfe10a9b1e0eb649bcf6408566d0cb7334271845f24d4c224cca1c4412"

fonts_dir="$here/.deps/fonts"
target="$fonts_dir/Oswald-Regular.ttf"

sha256_of() { sha256sum "$1" | cut -d' ' -f1; }

if [ -f "$target" ] && [ "$(sha256_of "$target")" = "$expected_sha256" ]; then
  echo "fetch-font: $target is in place"
  exit 0
fi

command -v npm >/dev/null || { echo "fetch-font: npm is needed (scripts/setup.sh installs it)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/kalvorin-font.XXXXXX")"
trap 'rm -rf "$work"' EXIT

echo "fetch-font: fetching $package@$version"
tarball="$(cd "$work" && npm pack --silent "$package@$version" | tail -n 1)"
tar -xzf "$work/$tarball" -C "$work" "$member" "$licence_member"

font="$work/$member"
size="$(stat -c %s "$font")"
sha="$(sha256_of "$font")"

if [ "$size" -ne "$expected_size" ] || [ "$sha" != "$expected_sha256" ]; then
  echo "fetch-font: $member of $package@$version is not the expected file" >&2
  echo "  size $size (expected $expected_size), SHA-256 $sha (expected $expected_sha256)" >&2
  exit 1
fi

mkdir -p "$fonts_dir"
cp "$work/$licence_member" "$fonts_dir/Oswald-OFL.txt"
# Copy then rename, so a build never sees a half-written font.
cp "$font" "$target.partial"
mv -f "$target.partial" "$target"
echo "fetch-font: placed $target"
