#!/usr/bin/env bash
# The help of every equation command states the range of address lines the library accepts
# and, with the manual page, describes the grammar the reader reads (and no operator it
# refuses); the manual page renders without warnings and covers every command and option.
set -u
tool=$1 page=$2
fail=0
for c in eq2init init2eq check table kmap; do
  help=$("$tool" "$c" --help)
  for want in 'the constants 0 and 1' '~   not, binding tightest' 'A0*A1@A2 is A0*(A1@A2)' \
              '+   or, binding loosest' '& | ^ ! are refused'; do
    grep -qF -- "$want" <<<"$help" || { echo "$c --help lacks: $want"; fail=1; }
  done
  grep -qE -- '[*+] and [&|]|[&|!^] for' <<<"$help" && { echo "$c --help offers a refused operator"; fail=1; }
  grep -qxF -- 'Address lines: 1 to 6.' <<<"$help" || { echo "$c --help lacks the range of lines"; fail=1; }
done
warnings=$(groff -man -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "manual page warnings: $warnings"; fail=1; }
text=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
for want in init2eq eq2init check table kmap --minimal 'ifile create' 'ifile list' 'ifile extract' version \
            --lines --lhs --assign -f --json --version --type --value --string \
            'A0*(A1@A2)' 'binds loosest' 'binds tightest' 'EXIT STATUS'; do
  grep -qF -- "$want" <<<"$text" || { echo "manual page lacks: $want"; fail=1; }
done
exit $fail
