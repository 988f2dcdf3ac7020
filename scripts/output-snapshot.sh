#!/usr/bin/env bash
# Writes what one build makes of a fixed set of documents, so that two builds can be compared
# byte for byte (a refactoring must not change a pixel):
#
#   scripts/output-snapshot.sh BUILD OUTDIR
#   diff -r OUTDIR-before OUTDIR-after
#
# Documents: every form of the demo package (pages drawn as the window draws them and with the
# printer look, as 1-bit and palette images, their text), the demo's print job and PDF; PCL
# written by Ghostscript's laser-printer devices, groff and TeX's dvilj/dvilj4; the PCL seeds of
# the fuzz targets and a few hundred inputs mutated from them with a fixed seed. Each document's
# outputs: `render --page all` (pbm and png), `reemit`, `text` and `pdf` (kept as its objects,
# without its date and ID). A command that fails
# leaves its exit status and messages in a .status file, which is compared too.
set -uo pipefail

build=${1:?usage: output-snapshot.sh BUILD OUTDIR}
out=${2:?usage: output-snapshot.sh BUILD OUTDIR}
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(cd "$build" && pwd)/src/cli/pagellan-cli
[ -x "$cli" ] || { echo "no pagellan-cli in $build" >&2; exit 2; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"

# run NAME COMMAND...: the command's exit status and stderr go to NAME.status.
run() {
  local name=$1
  shift
  timeout 120 "$@" >"$out/$name.stdout" 2>"$out/$name.stderr"
  echo "exit $?" >"$out/$name.status"
  # Messages name the work folder; keep them comparable between runs.
  sed -i "s|$work|WORK|g; s|$out|OUT|g" "$out/$name.stdout" "$out/$name.stderr"
}

# A PDF holds its creation date and a random ID: keep its objects uncompressed, in a fixed
# order, without those two, so that two runs compare.
normalize_pdfs() {
  find "$out" -name '*.pdf' -print0 | while IFS= read -r -d '' pdf; do
    qpdf --qdf --object-streams=disable --deterministic-id "$pdf" "$pdf.qdf" >/dev/null 2>&1
    sed -i -e '/CreationDate/d' -e '/ModDate/d' -e '/^ *\/ID \[/d' "$pdf.qdf" 2>/dev/null
    rm -f "$pdf"
  done
}

# Every output of one PCL document.
pcl_outputs() {
  local name=$1 file=$2
  mkdir -p "$out/$name"
  run "$name/render-pbm" "$cli" render "$file" --page all --format pbm -o "$out/$name/p-%d.pbm"
  run "$name/render-print" "$cli" render "$file" --page all --print-mode --format pbm -o "$out/$name/print-%d.pbm"
  run "$name/render-png" "$cli" render "$file" --page 1 -o "$out/$name/p1.png"
  run "$name/reemit" "$cli" reemit "$file" -o "$out/$name/reemit.pcl"
  run "$name/text" "$cli" text "$file"
  run "$name/pdf" "$cli" pdf "$file" -o "$out/$name/out.pdf"
}

# The demo package.
demo=$root/samples/demo.qdx
forms=$("$cli" pages "$demo" | grep -c . || true)
for ((f = 1; f <= forms; f++)); do
  d=demo/form$f
  mkdir -p "$out/$d"
  run "$d/render-pbm" "$cli" render "$demo" --form $f --page all --format pbm -o "$out/$d/p-%d.pbm"
  run "$d/render-print" "$cli" render "$demo" --form $f --page all --print-mode --format pbm -o "$out/$d/print-%d.pbm"
  run "$d/render-png" "$cli" render "$demo" --form $f --page all -o "$out/$d/p-%d.png"
  run "$d/render-black" "$cli" render "$demo" --form $f --page 1 --fill-color black -o "$out/$d/black.png"
  run "$d/text" "$cli" text "$demo" --form $f
done
run demo/job "$cli" job "$demo" -o "$out/demo/job.pcl" --barcodes --form-names
run demo/pdf "$cli" pdf "$demo" -o "$out/demo/demo.pdf"
pcl_outputs demo-job "$out/demo/job.pcl"

# PCL from other writers.
gen=$work/gen
mkdir -p "$gen"
cat >"$gen/page.ps" <<'EOF'
%!PS
/Times-Roman findfont 24 scalefont setfont
72 700 moveto (Loan documents, page one) show
0.5 setgray 72 500 300 100 rectfill 0 setgray
4 setlinewidth 100 300 moveto 500 450 lineto stroke
200 200 60 0 360 arc fill
showpage
/Helvetica-Bold findfont 18 scalefont setfont
72 720 moveto (Second page) show
showpage
EOF
for device in ljet2p ljet3 ljet4 ljet4pjl laserjet; do
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=$device -r300 -sOutputFile="$gen/gs-$device.pcl" "$gen/page.ps" >/dev/null 2>&1 &&
    pcl_outputs "gs-$device" "$gen/gs-$device.pcl"
done
printf '.TL\nA title\n.PP\nSome text in a paragraph, long enough to wrap onto a second line of the page.\n.PP\n\\(bu A bullet and \\fBbold\\fP and \\fIitalic\\fP.\n' >"$gen/doc.ms"
groff -ms -Tlj4 "$gen/doc.ms" >"$gen/groff-ms.pcl" 2>/dev/null && pcl_outputs groff-ms "$gen/groff-ms.pcl"
printf '.PS\nbox "one"; arrow; circle "two"; arrow; ellipse "three"\n.PE\n' >"$gen/pic.tr"
(cd "$gen" && groff -p -Tlj4 -P-pletter pic.tr >groff-pic.pcl 2>/dev/null) && pcl_outputs groff-pic "$gen/groff-pic.pcl"
printf 'Hello from plain \\TeX, with $x^2+y^2=z^2$ and some more words.\\par\\vfill\\eject Page two.\\bye\n' >"$gen/doc.tex"
if (cd "$gen" && tex -interaction=batchmode doc.tex >/dev/null 2>&1); then
  (cd "$gen" && dvilj -e"$gen/dvilj.pcl" doc.dvi >/dev/null 2>&1) && pcl_outputs tex-dvilj "$gen/dvilj.pcl"
  (cd "$gen" && dvilj4 -e"$gen/dvilj4.pcl" doc.dvi >/dev/null 2>&1) && pcl_outputs tex-dvilj4 "$gen/dvilj4.pcl"
fi

# Fuzz seeds, and inputs mutated from them (fixed seed: the same inputs every run).
seeds=$work/seeds
mkdir -p "$seeds"
for f in "$root"/fuzz/corpus/fuzz_pcl_draw/* "$root"/fuzz/corpus/fuzz_pcl_parse/* "$root"/fuzz/corpus/fuzz_pdf/*; do
  [ -f "$f" ] && cp "$f" "$seeds/$(basename "$(dirname "$f")")-$(basename "$f")"
done
python3 - "$seeds" <<'EOF'
import os, random, sys
folder = sys.argv[1]
rng = random.Random(20261209)
originals = sorted(os.listdir(folder))
tokens = [b"\x1b*c100a50b0P", b"\x1b*c2P", b"\x1b*c3g25P", b"\x1b&l1O", b"\x1b&l0O", b"\x1bE",
          b"\x0c", b"\x1b%0B", b"PM0;PA100,100;PD200,200;PM2;FP;", b"\x1b%0A", b"\x1b*r1A",
          b"\x1b*b3W\xff\x00\xff", b"\x1b*rB", b"\x1b&f1X", b"\x1b(s3B", b"\x1b&l2A", b"\x1b*v1N"]
for n in range(300):
    name = rng.choice(originals)
    data = bytearray(open(os.path.join(folder, name), "rb").read())
    for _ in range(rng.randint(1, 6)):
        op = rng.random()
        at = rng.randint(0, len(data))
        if op < 0.4:
            data[at:at] = rng.choice(tokens)
        elif op < 0.7 and data:
            data[min(at, len(data) - 1)] = rng.randint(0, 255)
        elif data:
            del data[at:at + rng.randint(1, 16)]
    open(os.path.join(folder, "mut%03d-%s" % (n, name)), "wb").write(bytes(data))
EOF
for f in "$seeds"/*; do
  name=seeds/$(basename "$f")
  mkdir -p "$out/$name"
  run "$name/render" "$cli" render "$f" --page all --format pbm -o "$out/$name/p-%d.pbm"
  run "$name/reemit" "$cli" reemit "$f" -o "$out/$name/reemit.pcl"
  run "$name/text" "$cli" text "$f"
  run "$name/pdf" "$cli" pdf "$f" -o "$out/$name/out.pdf"
done
normalize_pdfs
echo "snapshot of $(find "$out" -type f | wc -l) files in $out"
