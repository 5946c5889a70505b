#!/bin/sh
# The manual page passes a lint: mandoc's when it is installed, otherwise
# groff's warnings. Without either the test is skipped (status 77).
#   tests/manlint.sh <page>
page=$1
if command -v mandoc > /dev/null 2>&1; then
  out=$(mandoc -T lint -W warning "$page" 2>&1)
  tool=mandoc
elif command -v groff > /dev/null 2>&1; then
  out=$(groff -ww -man -z "$page" 2>&1)
  tool=groff
else
  echo "manlint: skipped: neither mandoc nor groff is installed"
  exit 77
fi
if [ -n "$out" ]; then
  echo "manlint ($tool):"
  echo "$out"
  exit 1
fi
echo "manlint ($tool): clean"
