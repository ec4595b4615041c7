#!/bin/sh
# Decodes the public test pictures with varnesk-cli and compares them with independent decoders
# (make-expected.py's pictures, made once per build folder and reused).
# Usage: corpus_check.sh CLI CORPUS_DIR EXPECTED_DIR MINIMUM_OK
# Fails unless at least MINIMUM_OK files decode as expected and none crashes, hangs or writes
# malformed output; a sanitizer report is a crash. Exits 77 (skip) when the corpus is absent.
set -u
cli=$1 corpus=$2 expected=$3 minimum=$4
python=/usr/bin/python3
if [ ! -f "$corpus/check-decoder.py" ]; then
  echo "no test pictures at $corpus: skipped"
  exit 77
fi
if [ ! -f "$expected/manifest.tsv" ]; then
  rm -rf "$expected.partial"
  "$python" "$corpus/make-expected.py" --out "$expected.partial" >/dev/null || exit 1
  rm -rf "$expected" && mv "$expected.partial" "$expected" || exit 1
fi
# sanitizers slow the biggest pictures down several times over
out=$("$python" "$corpus/check-decoder.py" "$cli" --expected "$expected" --timeout 120 -v)
status=$?
printf '%s\n' "$out" | grep -v '^ok '
[ $status -eq 0 ] || { echo "FAIL: a decode crashed, hung or wrote malformed output"; exit 1; }
ok=$(printf '%s\n' "$out" | grep -c '^ok ')
if [ "$ok" -lt "$minimum" ]; then
  echo "FAIL: $ok files decode as expected, fewer than $minimum"
  exit 1
fi
echo "$ok files decode as expected (at least $minimum wanted)"
