#!/bin/sh
# The page in Debian's chromium through playwright-core (installed by
# "run.sh test" into tests/web/browser/node_modules). Skipped, with the
# reason, only where no browser can be had.
#   browser.sh KEL_WEB DRILL ANSWERS.json [PACKS]
here=$(cd "$(dirname "$0")/browser" && pwd)
if [ ! -x /usr/bin/chromium ]; then
  echo "browser test skipped: /usr/bin/chromium is not installed (apt-get install chromium)"
  exit 77
fi
if ! command -v node >/dev/null 2>&1; then
  echo "browser test skipped: node is not installed"
  exit 77
fi
if [ ! -d "$here/node_modules/playwright-core" ]; then
  echo "browser test skipped: playwright-core is not installed (npm ci in $here, or sh ./run.sh test)"
  exit 77
fi
exec node "$here/browser_test.js" "$@"
