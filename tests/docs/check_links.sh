#!/bin/sh
# Every link between the README and the pages in docs/ leads to a file of
# the repository (links to the web are left alone), every page in docs/ is
# reached from the README or from another page, and every part of the README
# that a message of the program points to ("see \"...\" in the README") is
# there.
#
#   tests/docs/check_links.sh SOURCE_DIR
set -eu
cd "$1"
status=0
pages="README.md $(ls docs/*.md)"
for page in $pages; do
  folder=$(dirname "$page")
  # Each [text](target) of the page, less an anchor after #.
  for target in $(grep -o '](\([^)]*\))' "$page" | sed -e 's/^](//' -e 's/)$//' -e 's/#.*//'); do
    case $target in
    http://* | https://* | '') continue ;;
    esac
    if [ ! -e "$folder/$target" ]; then
      echo "$page: $target does not exist"
      status=1
    fi
  done
done
for page in docs/*.md; do
  name=$(basename "$page")
  if ! grep -q "](docs/$name)\|]($name)" $pages; then
    echo "$page: no page links to it"
    status=1
  fi
done
# The program's messages name the part in escaped quotes, in C++ string
# literals that may be split over lines: joined first.
parts=$(cat $(find src -name '*.cpp' -o -name '*.h') | perl -0777 -ne '
  s/"\s*\n\s*"//g;
  print "$1\n" while /see \\"([^\\]+)\\" in the README/g' | sort -u)
[ -n "$parts" ] || { echo "no message points into the README"; status=1; }
echo "$parts" | while read -r part; do
  [ -z "$part" ] || grep -qF "$part" README.md ||
    { echo "README.md: no part \"$part\", which a message points to"; exit 1; }
done || status=1
exit $status
