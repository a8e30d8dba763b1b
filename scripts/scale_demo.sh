#!/bin/sh
# scale_demo.sh BUILT_DEMO_DIR DEST_DIR N
#
# Makes a copy of the built demo whose play list is N times as long: besides
# its own records it holds N-1 copies of every play record, each with a
# condition that never holds (time==-1 in front of its own), read last so
# that every scenario step searches past all of them before it finds its
# record. The game plays exactly as the demo does; only the search grows.
set -eu
src=$1 dest=$2 n=$3
rm -rf "$dest"
mkdir -p "$dest"
cp -R "$src"/. "$dest"/
# Resource files saved from an earlier run would be loaded instead of the
# data files; slots and logs of earlier runs are left behind too.
rm -f "$dest"/PlayList.res "$dest"/tlibsave.res "$dest"/pixie_char*.res \
  "$dest"/SenELOG.dat "$dest"/*.transcript "$dest"/*.png
filler="$dest"/play_filler.txt
: > "$filler"
i=1
while [ "$i" -lt "$n" ]; do
  # The record blocks of the play list's files, conditions made false. The
  # files are CP932; awk only looks at the ASCII "Compare " prefix.
  for f in playlist.form play_days.txt play_end.txt; do
    awk '/^StartData/ { inrec = 1 }
         inrec && /^Compare / { sub(/^Compare /, "Compare time==-1\\&\\&") }
         inrec { print }
         /^EndData/ { inrec = 0; print "" }' "$src/$f" >> "$filler"
  done
  i=$((i + 1))
done
# The filler is read last, so it stands in front of the other records.
sed -i 's/^\(RES_FILE[^\r]*[^\r ]\)/\1,play_filler.txt/' "$dest"/pixie.res
grep -q '^RES_FILE.*play_filler.txt' "$dest"/pixie.res
