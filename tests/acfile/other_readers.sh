#!/bin/sh
# Every sample model the writer writes must load in Assimp and in
# OpenSceneGraph with the same vertex and face counts as the file it came
# from. Usage: acfile_other_readers.sh AC-RESAVE MODELS-DIR
# Exit 77 (skipped) when the models or the tools are absent outside CI
# (CI=true makes either a failure).
resave=$1
models=$2

skip() {
    echo "SKIP: $1"
    if [ "$CI" = true ]; then echo "FAIL: required under CI"; exit 1; fi
    exit 77
}
[ -d "$models" ] || skip "no sample models at $models (cmake -DRILO_MODELS_DIR=DIR sets the folder)"
command -v assimp >/dev/null 2>&1 || skip "assimp not found (package assimp-utils; run scripts/setup.sh)"
command -v osgconv >/dev/null 2>&1 || skip "osgconv not found (package openscenegraph; run scripts/setup.sh)"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

assimp_counts() {
    assimp info "$1" 2>/dev/null | awk '/^Vertices:/{v=$2} /^Faces:/{f=$2} END{if (v == "") exit 1; print v, f}'
}

# Vertices in vertex arrays and indices in primitive sets of the .osgt text.
osg_counts() {
    osgconv "$1" "$tmp/out.osgt" >/dev/null 2>&1 || return 1
    awk '/VertexArray TRUE/{c="v"} /osg::DrawElements|osg::DrawArrays/{c="p"}
         /vector [0-9]+ \{/{ if (c == "v") v += $2; if (c == "p") p += $2; c = "" }
         END{print v + 0, p + 0}' "$tmp/out.osgt"
}

status=0
checked=0
for model in "$models"/*.ac; do
    name=$(basename "$model")
    out="$tmp/$name"
    if ! "$resave" "$model" "$out" >"$tmp/counts" 2>"$tmp/warnings"; then
        grep -q "\.acc dialect" "$tmp/warnings" && continue   # refused by design
        echo "FAIL $name: not read"; cat "$tmp/warnings"; status=1; continue
    fi
    repaired=$(grep -c warning "$tmp/warnings")
    empty=$(awk '{print ($4 == 0)}' "$tmp/counts")
    for tool in assimp osg; do
        if ! written=$(${tool}_counts "$out"); then
            if [ "$empty" = 1 ] && ! ${tool}_counts "$model" >/dev/null; then
                echo "ok   $name: no geometry, and $tool loads neither the original nor the written file"
            else
                echo "FAIL $name: $tool cannot load the written file"; status=1
            fi
            continue
        fi
        if original=$(${tool}_counts "$model"); then
            if [ "$original" = "$written" ]; then
                echo "ok   $name: $tool $written"
            elif [ "$repaired" -gt 0 ]; then
                echo "ok   $name: $tool $written (repaired; the original reads as $original)"
            else
                echo "FAIL $name: $tool reads $original from the original, $written from the written file"; status=1
            fi
        else
            echo "ok   $name: $tool $written (the original does not load in $tool)"
        fi
    done
    checked=$((checked + 1))
done
echo "$checked models checked"
exit $status
