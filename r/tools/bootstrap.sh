#!/bin/sh
# Copies the core of the repository into the package: the folders that
# cmake/core.cmake lists as MORVANE_SUBSYSTEMS and include/ go to
# src/core/, the agency's grid table to src/core/grids/ and its credit to
# inst/GRIDS-NOTICE.md.  Run from the package folder (r/) of a checkout;
# the copies are git-ignored, and R CMD build puts them into the tarball,
# which then builds on its own.  The package compiles these very sources:
# there is no conversion code of its own.
set -eu
root=..
core_cmake="$root/cmake/core.cmake"
if [ ! -f "$core_cmake" ]; then
  echo "morvane: $core_cmake is not there: bootstrap from r/ in a checkout of the repository" >&2
  exit 1
fi
# The one set(MORVANE_SUBSYSTEMS ...) of core.cmake, comments aside.
subsystems=$(sed -e 's/#.*//' "$core_cmake" | tr '\n' ' ' |
  sed -n 's/.*set( *MORVANE_SUBSYSTEMS \([^)]*\)).*/\1/p')
if [ -z "$subsystems" ]; then
  echo "morvane: $core_cmake does not set MORVANE_SUBSYSTEMS" >&2
  exit 1
fi
fp_flags=$(sed -e 's/#.*//' "$core_cmake" | tr '\n' ' ' |
  sed -n 's/.*set( *MORVANE_FP_FLAGS \([^)]*\)).*/\1/p')
if [ -z "$fp_flags" ]; then
  echo "morvane: $core_cmake does not set MORVANE_FP_FLAGS" >&2
  exit 1
fi
# The sources are copied again each time, with their times (cp -p), so
# that an object compiled from an unchanged source is not compiled again;
# a source gone from the repository goes from the copy too.
mkdir -p src/core/include src/core/grids inst
find src/core \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' \) \
  ! -name morvane_grid_table.cpp -exec rm -f {} +
for dir in $subsystems; do
  mkdir -p "src/core/$dir"
  for f in "$root/$dir"/*.cpp "$root/$dir"/*.hpp; do
    [ -f "$f" ] && cp -p "$f" "src/core/$dir/"
  done
done
cp -pR "$root/include/morvane" src/core/include/
cp -p "$root/data/grids/morvane_grids.bin" src/core/grids/
cp -p "$root/data/be_ign/NOTICE.md" inst/GRIDS-NOTICE.md
# What configure reads: the folders and the floating-point rules.
printf '%s\n' $subsystems > src/core/SUBSYSTEMS
printf '%s\n' $fp_flags > src/core/FP_FLAGS
echo "morvane: copied the core ($subsystems) into src/core"
