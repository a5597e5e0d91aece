#!/usr/bin/env bash
# Prints the report of the demo log (or of the folders given by DIALTALLY_PROGRAM_DIR,
# DIALTALLY_WINDOWS_DIR and XDG_CONFIG_HOME) into OUTDIR/report.pdf with dialtally-cli and
# renders its pages to OUTDIR/report-N.png with pdftoppm (poppler-utils), so that the printed
# report can be looked at without a printer. Further arguments go to the report command, e.g.
# --from 2026-06-01 --to-end.
#     tools/report-pages.sh OUTDIR [report options]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: tools/report-pages.sh OUTDIR [report options]}
shift
if [ -z "${DIALTALLY_PROGRAM_DIR:-}" ]; then
    [ -d demo ] || { echo "no demo/ yet: run ./run once, or set DIALTALLY_PROGRAM_DIR" >&2; exit 2; }
    export DIALTALLY_PROGRAM_DIR="$PWD/demo/program"
    export DIALTALLY_WINDOWS_DIR="$PWD/demo/windows"
    export XDG_CONFIG_HOME="$PWD/demo/config"
fi
command -v pdftoppm >/dev/null || { echo "pdftoppm is missing: apt-get install poppler-utils" >&2; exit 2; }
mkdir -p "$out"
build/bin/dialtally-cli report "$out/report.pdf" "$@"
pdftoppm -r "${DPI:-80}" -png "$out/report.pdf" "$out/report"
ls "$out"/report*.png
