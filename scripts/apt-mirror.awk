# Prints the first mirror that apt's sources name for the binary packages of one release,
# reading both forms of entry: one-line "deb [options] URI SUITE ..." and deb822 paragraphs
# (Types/URIs/Suites). Used by setup.sh to add the matching source entry.
# Usage: cat SOURCES... | awk -v release=CODENAME -f scripts/apt-mirror.awk

function has(list, word,    n, i, w) {
    n = split(list, w, /[ \t]+/)
    for (i = 1; i <= n; i++)
        if (w[i] == word)
            return 1
    return 0
}

function found(uri) {
    if (!done)
        print uri
    done = 1
}

function paragraph_end(    u) {
    if (has(types, "deb") && has(suites, release) && uris != "") {
        split(uris, u, /[ \t]+/)
        found(u[1])
    }
    types = suites = uris = ""
}

/^[ \t]*#/ { next }
/^[ \t]*$/ { paragraph_end(); next }
/^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0; next }
/^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0; next }
/^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0; next }
/^deb[ \t]/ {
    sub(/^deb[ \t]+(\[[^]]*\][ \t]+)?/, "")
    if ($2 == release)
        found($1)
}
END { paragraph_end() }
