# bash completion for reviewkeeper-cli: the commands, and each command's options.

_reviewkeeper_cli()
{
    local cur prev
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev=""
    ((COMP_CWORD > 0)) && prev="${COMP_WORDS[COMP_CWORD - 1]}"
    local commands="search add remove update products reviews ratings gaps config connect disconnect reply forward help"
    COMPREPLY=()

    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return 0
    fi

    local command="${COMP_WORDS[1]}"
    case "$prev" in
    --kinds)
        # A comma-separated list: complete the last kind.
        local done="" last="$cur"
        if [[ "$cur" == *,* ]]; then
            done="${cur%,*},"
            last="${cur##*,}"
        fi
        COMPREPLY=($(compgen -P "$done" -W "ios mac book podcast" -- "$last"))
        return 0
        ;;
    --key-file)
        COMPREPLY=($(compgen -f -- "$cur"))
        return 0
        ;;
    --country | --version | --search)
        [ "$command" = reviews ] || [ "$command" = ratings ] && return 0
        ;;
    esac

    local options=""
    case "$command" in
    search) options="--kinds --json --csv" ;;
    products | gaps) options="--json --csv" ;;
    ratings) options="--history --country --json --csv" ;;
    reviews) options="--country --version --search --unread --unanswered --edited --mark-read --translate --json --csv" ;;
    connect) options="--issuer --key-id --key-file" ;;
    reply) options="--delete" ;;
    update) options="--due" ;;
    forward)
        if ((COMP_CWORD == 2)); then
            COMPREPLY=($(compgen -W "add list remove test" -- "$cur"))
            return 0
        elif ((COMP_CWORD == 3)) && [ "$prev" = add ]; then
            COMPREPLY=($(compgen -W "slack discord teams webhook" -- "$cur"))
            return 0
        fi
        case "${COMP_WORDS[2]}" in
        add) options="--secret --product --min-rating --max-rating --country --keyword --no-edited --since" ;;
        list) options="--json --csv" ;;
        esac
        ;;
    config)
        if ((COMP_CWORD == 2)); then
            local keys
            keys=$("${COMP_WORDS[0]}" config 2>/dev/null | sed -n 's/^\([A-Za-z0-9_]*\) = .*/\1/p')
            COMPREPLY=($(compgen -W "$keys" -- "$cur"))
        elif ((COMP_CWORD == 3)) && [ "$prev" = SelectedRegions ]; then
            COMPREPLY=($(compgen -W "UnitedStatesAndCanada Europe AsiaPacific
                LatinAmericaAndTheCaribbean AfricaTheMiddleEastAndIndia" -- "$cur"))
        fi
        return 0
        ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
    return 0
}
complete -F _reviewkeeper_cli reviewkeeper-cli
