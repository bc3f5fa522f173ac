#!/usr/bin/env bash
# The API reference keeps up with the header: every function zd.h exports has
# its own section in docs/api.md, and the reference names no function the
# header lacks.
set -euo pipefail
source=$2
exported=$(grep -oE 'ZD_API[^(]*\b(zd_|numra_)[a-z0-9_]+\(' "$source/include/zd.h" |
           grep -oE '(zd_|numra_)[a-z0-9_]+' | sort -u)
documented=$(grep -oE '^### (zd_|numra_)[a-z0-9_]+' "$source/docs/api.md" | cut -c5- | sort -u)
missing=$(comm -23 <(echo "$exported") <(echo "$documented"))
stale=$(comm -13 <(echo "$exported") <(echo "$documented"))
[ -z "$missing" ] || { echo "exported but not in docs/api.md:"; echo "$missing"; }
[ -z "$stale" ] || { echo "in docs/api.md but not exported:"; echo "$stale"; }
[ -z "$missing$stale" ]
echo "$(echo "$exported" | wc -l) exports documented"
