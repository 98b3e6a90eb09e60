#!/bin/bash
# Collects the application's texts into resources/translations/*.ts. Texts
# go through tr() or localized(context, text); lupdate learns the latter as
# an alias of QCoreApplication::translate. Edit the .ts files afterwards (with
# Qt Linguist or by hand) and commit them; the build compiles them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lupdate="$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)"
cd "$root"
for ts in resources/translations/reviewkeeper_*.ts; do
  "$lupdate" -no-obsolete -locations none -tr-function-alias translate+=localized \
    -extensions cpp,h source -ts "$ts"
done
