#!/usr/bin/env bash
# utiltool ifile as a user runs it: create, list, extract, and damaged files refused.
set -eu
tool=$1 expect=$(dirname "$0")/expect
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '0123456789' > alpha
printf 'hello' > beta

"$expect" 0 - - -- "$tool" ifile create out.if alpha beta
[ "$(stat -c %s out.if)" = 192 ] || { echo "unexpected size $(stat -c %s out.if)"; exit 1; }
head="name                         offset       size        type      (hex)       value      (hex)"
"$expect" 0 "file out.if: format 2.0, data 0.0, 2 segments; type and value are signed 32-bit\n$head\nalpha                           128         10           0 0x00000000           0 0x00000000\nbeta                            138          5           0 0x00000000           0 0x00000000\n" - -- "$tool" ifile list out.if
"$expect" 0 "hello" - -- "$tool" ifile extract out.if beta
"$expect" 0 - - -- "$tool" ifile extract out.if alpha -o alpha.out
cmp alpha alpha.out
"$expect" 1 - "utiltool: error: no segment named gamma in out.if\n" -- "$tool" ifile extract out.if gamma

# Damaged files: a wrong version byte, a missing file, a segment past the end.
printf '\001\000\000\000' > bad.if
"$expect" 1 - "utiltool: error: Incompatible versions\. .*\nutiltool: error: cannot load bad.if\n" -- "$tool" ifile list bad.if
"$expect" 1 - "utiltool: error: Unable to open file .*\nutiltool: error: cannot load none.if\n" -- "$tool" ifile list none.if
# One entry, beta, whose bytes would lie at 4096 in a 157-byte file.
{ printf '\002\000\000\000\001\000\200\000\000\000'; head -c 118 /dev/zero
  printf '\004\000\000\000beta\000\020\000\000\005\000\000\000'; head -c 8 /dev/zero; } > cut.if
"$expect" 1 - "utiltool: error: segment beta runs past the end of cut.if\n" -- "$tool" ifile extract cut.if beta
"$expect" 2 - "utiltool: ifile extract takes FILE and NAME .*\n" -- "$tool" ifile extract out.if

# Named segments, client type and value; a value past 2^31 keeps its 32-bit pattern and
# is listed as the signed number the file holds and as unsigned hexadecimal.
printf '\005\000\000\000hello' > s.bin
"$expect" 0 - - -- "$tool" ifile create named.if alpha --type 7 --value 0xB7B7B7B7 b=beta str=s.bin \
  --type -1 --value 4294967295 last=s.bin
"$expect" 0 "file named.if: format 2.0, data 0.0, 4 segments; type and value are signed 32-bit\n$head\nalpha                           128         10           0 0x00000000           0 0x00000000\nb                               138          5           7 0x00000007 -1212696649 0xB7B7B7B7\nstr                             143          9           7 0x00000007 -1212696649 0xB7B7B7B7\nlast                            152          9          -1 0xFFFFFFFF          -1 0xFFFFFFFF\n" - -- "$tool" ifile list named.if
"$expect" 0 '{"ok":true,"file":"named.if","format":"2.0","data":"0.0","segments":[{"name":"alpha","offset":128,"size":10,"type":0,"type_hex":"0x00000000","value":0,"value_hex":"0x00000000"},{"name":"b","offset":138,"size":5,"type":7,"type_hex":"0x00000007","value":-1212696649,"value_hex":"0xB7B7B7B7"},{"name":"str","offset":143,"size":9,"type":7,"type_hex":"0x00000007","value":-1212696649,"value_hex":"0xB7B7B7B7"},{"name":"last","offset":152,"size":9,"type":-1,"type_hex":"0xFFFFFFFF","value":-1,"value_hex":"0xFFFFFFFF"}]}\n' - -- "$tool" ifile list --json named.if
"$expect" 0 '{"ok":true,"file":"j.if","segments":[{"name":"n","path":"beta","size":5,"type":0,"value":-2}]}\n' - -- "$tool" --json ifile create j.if --value -2 n=beta
"$expect" 0 "hello" - -- "$tool" ifile extract named.if str --string
"$expect" 0 '{"ok":true,"file":"named.if","segment":"str","size":5,"string":"hello"}\n' - -- "$tool" --json ifile extract named.if str --string
"$expect" 0 '{"ok":true,"file":"named.if","segment":"b","size":5,"hex":"68656c6c6f"}\n' - -- "$tool" --json ifile extract named.if b
"$expect" 1 - "utiltool: error: segment b of named.if holds no string \(5 bytes, length field 1819043176\)\n" -- "$tool" ifile extract named.if b --string
printf 'ab' > two
"$expect" 0 - - -- "$tool" ifile create short.if two
"$expect" 1 - "utiltool: error: segment two of short.if holds no string \(2 bytes\)\n" -- "$tool" ifile extract short.if two --string

# Refused before anything is written: values past 32 bits, repeated names.
for v in 4294967296 -2147483649 0x100000000; do
  "$expect" 1 - "utiltool: error: --value $v does not fit 32 bits .*\n" -- "$tool" ifile create no.if --value $v alpha
done
"$expect" 1 - "utiltool: error: --type 99999999999 does not fit 32 bits .*\n" -- "$tool" ifile create no.if --type 99999999999 alpha
"$expect" 2 - "utiltool: --value needs a number, not \"12x\" .*\n" -- "$tool" ifile create no.if --value 12x alpha
mkdir d && cp alpha d/alpha
"$expect" 1 - "utiltool: error: duplicate segment name alpha \(alpha and d/alpha\)\n" -- "$tool" ifile create no.if alpha d/alpha
"$expect" 1 - "utiltool: error: duplicate segment name x \(alpha and beta\)\n" -- "$tool" ifile create no.if x=alpha x=beta
"$expect" 1 - "utiltool: error: cannot read missing\n" -- "$tool" ifile create no.if alpha missing
[ ! -e no.if ] || { echo "a refused create left no.if behind"; exit 1; }

# Two directory entries of one name (the library may write them): the listing ends, and
# says which one extract cannot reach.
{ printf '\002\000\000\000\002\000\212\000\000\000'; head -c 118 /dev/zero; printf 'helloworld'
  printf '\003\000\000\000dup\200\000\000\000\005\000\000\000'; head -c 8 /dev/zero
  printf '\003\000\000\000dup\205\000\000\000\005\000\000\000'; head -c 8 /dev/zero; } > dup.if
"$expect" 0 "file dup.if: format 2.0, data 0.0, 2 segments; type and value are signed 32-bit\n$head\ndup                             128          5           0 0x00000000           0 0x00000000\ndup                               -          5           0 0x00000000           0 0x00000000\n" \
  "utiltool: warning: segment dup appears more than once in dup.if; only the first can be read by name\n" -- timeout 20 "$tool" ifile list dup.if
"$expect" 2 - "utiltool: unknown ifile subcommand frob .*\n" -- "$tool" ifile frob
