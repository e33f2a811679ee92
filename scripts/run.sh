#!/usr/bin/env bash
# Installs what is missing, builds Kelvara and starts it with the paths given.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
exec "$root/build/Kelvara" "$@"
