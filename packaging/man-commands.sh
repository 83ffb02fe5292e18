#!/bin/sh
# quorvel-cli's own help for each of its commands, as a section that
# help2man adds to the manual page: the page says what `quorvel-cli help
# COMMAND` says, word for word. The exit codes, the same for every command,
# are left to the page's description.
set -eu
cli=$1
echo '[COMMANDS]'
"$cli" --help | sed -n '/^Commands:$/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p' | while read -r command; do
    echo ".SS $command"
    echo '.nf'
    # Kept as it is printed: a backslash or a line that begins with a dot
    # or quote would be read as roff.
    "$cli" help "$command" | sed -e '/^Exit codes:$/,$d' -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
    echo '.fi'
done
