# bash completion for letterfold-cli                       -*- shell-script -*-
# SPDX-License-Identifier: MIT
# Self-contained: it needs nothing from the bash-completion package.

# Offers the words of a list that start with the word being typed.
_letterfold_cli_words()
{
    COMPREPLY=($(compgen -W "$1" -- "$2"))
}

# Offers file names (folders only with -d) that start with the word being
# typed; bash quotes them, so names with spaces stay one word.
_letterfold_cli_files()
{
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen "$1" -- "$2"))
}

_letterfold_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local option=${COMP_WORDS[COMP_CWORD - 1]}
    # bash splits "--scheme=da" at the "=", into "--scheme", "=" and "da".
    if [[ $cur == = ]]; then
        cur=
    elif [[ $option == = && $COMP_CWORD -ge 2 ]]; then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    case $option in
    -s | --scheme)
        _letterfold_cli_words 'subject subject-from from-subject subject-from-date
            date-subject date-mdy-subject' "$cur"
        return
        ;;
    --time-zone)
        _letterfold_cli_words 'local header utc' "$cur"
        return
        ;;
    --layout)
        _letterfold_cli_words 'full relative flat' "$cur"
        return
        ;;
    --set-time)
        _letterfold_cli_words 'message source' "$cur"
        return
        ;;
    --format)
        # A template is typed, not chosen.
        COMPREPLY=()
        return
        ;;
    --to)
        _letterfold_cli_files -d "$cur"
        return
        ;;
    --files-from | --manifest | --undo)
        _letterfold_cli_files -f "$cur"
        return
        ;;
    esac

    if [[ $cur == -* ]]; then
        _letterfold_cli_words '--to --scheme --format --time-zone --layout --set-time
            --manifest --undo --files-from --null --remove-re --remove-fw --dry-run
            --json --quiet --help --version -s -n -q -h' "$cur"
        return
    fi
    _letterfold_cli_files -f "$cur"
}

complete -F _letterfold_cli letterfold-cli
