#!/bin/sh
# Fills FOLDER with the pictures orrisbay_bench_dither_quality measures: 19
# tileable textures from OpenArena and 5 photos from MATE's backgrounds.
#   sudo apt install openarena-081-textures mate-backgrounds unzip
#   bench/quality_set.sh /tmp/quality
set -eu
folder=${1:?usage: quality_set.sh FOLDER}
pack=/usr/share/games/openarena/baseoa/pak4-textures.pk3
photos=/usr/share/backgrounds/mate/nature
mkdir -p "$folder"
for texture in base_wall/concrete.jpg base_wall/bluemetal2.jpg base_wall/rusted.jpg \
    base_wall/redmet.jpg base_floor/diamond2.jpg base_floor/tilefloor7.jpg \
    gothic_wall/streetbricks.jpg gothic_wall/gold_brick.jpg gothic_wall/slateroofc.jpg \
    gothic_block/blocks15.jpg ice/icefloor.jpg ice/snowey.jpg ice/icecube.jpg \
    stone/pjrock1.jpg organics/grass3.jpg organics/dirt.jpg liquids/slime7.jpg \
    liquids/lavahell.tga skies/bluedimclouds.jpg; do
    unzip -p "$pack" "textures/$texture" > "$folder/$(echo "$texture" | tr / -)"
done
for photo in Dune Storm LadyBird Wood Aqua; do
    cp "$photos/$photo.jpg" "$folder/photo-$photo.jpg"
done
ls "$folder" | wc -l
