# Doxygen input filter: the public headers are commented in plain // comments, which
# this turns into Doxygen's, so the headers need no markup of their own. A file's
# leading comment documents the file; a comment line before a declaration documents
# it; a comment after code on the same line documents that member. Line numbers stay.
BEGIN { leading = 1 }
{
  line = $0
  if (leading && line ~ /^\/\//) {
    sub(/^\/\//, "///", line)
    if (!filed) { line = line " \\file"; filed = 1 }
    print line
    next
  }
  leading = 0
  if (line ~ /^[ \t]*#/) { print line; next }
  if (line ~ /^[ \t]*\/\//) { sub(/\/\//, "///", line); print line; next }
  # A trailing comment: the first // after code that stands outside a string literal.
  if (match(line, /[ \t]+\/\/ ?/)) {
    before = substr(line, 1, RSTART - 1)
    if (gsub(/"/, "\"", before) % 2 == 0)
      line = substr(line, 1, RSTART - 1) " ///< " substr(line, RSTART + RLENGTH)
  }
  print line
}
