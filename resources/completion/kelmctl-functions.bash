# bash completion for kelmctl: commands, their options and the slot and mode names.
# This part walks the line; what kelmctl takes comes from its grammar, appended at build time as
# _kelmctl_grammar (cmake/Completion.cmake), so the completion never drifts from the parser.
# The slot counts belong to the device, which completion does not ask; numbers up to 8 are offered,
# as many as the workbench has mode buttons of a kind.

# _kelmctl_numbered KINDS CUR: the kind names while the word could still be several kinds (no space
# after, so the number follows), then kind1..kind8 once one kind is clear.
_kelmctl_numbered()
{
    local cur=$2 k
    local -a kinds=()
    for k in $1; do
        if [[ $k == "$cur"* || $cur == "$k"* ]]; then
            kinds+=("$k")
        fi
    done
    if ((${#kinds[@]} == 1)); then
        k=${kinds[0]}
        COMPREPLY=($(compgen -W "${k}1 ${k}2 ${k}3 ${k}4 ${k}5 ${k}6 ${k}7 ${k}8" -- "$cur"))
    elif ((${#kinds[@]} > 1)); then
        COMPREPLY=("${kinds[@]}")
        compopt -o nospace 2>/dev/null
    fi
}

# _kelmctl_ports CUR: folders (to walk into) and character devices that look like serial ports:
# under /dev the serial and USB ports, pseudo-terminals and /dev/serial/*; elsewhere any character
# device (a link the simulated device made), never a console or /dev/null.
_kelmctl_ports()
{
    local name
    COMPREPLY=()
    while IFS= read -r name; do
        if [[ -d $name ]]; then
            COMPREPLY+=("$name")
        elif [[ -c $name ]]; then
            case $name in
                /dev/tty[A-Z]* | /dev/pts/[0-9]* | /dev/serial/* | /dev/rfcomm*) COMPREPLY+=("$name") ;;
                /dev/*) ;;
                *) COMPREPLY+=("$name") ;;
            esac
        fi
    done < <(compgen -f -- "${1:-/dev/tty}")
}

# _kelmctl_offer KIND CUR: the words of a kind of value that start with CUR.
_kelmctl_offer()
{
    local cur=$2
    case $1 in
        files) COMPREPLY=($(compgen -f -- "$cur")) ;;
        dirs) COMPREPLY=($(compgen -d -- "$cur")) ;;
        ports) _kelmctl_ports "$cur" ;;
        file-or-slot)
            _kelmctl_numbered "input output user internal" "$cur"
            COMPREPLY+=($(compgen -f -- "$cur")) ;;
        any-slot) _kelmctl_numbered "input output user internal" "$cur" ;;
        upload-slot) _kelmctl_numbered "input user" "$cur" ;;
        mode) _kelmctl_numbered "internal external user" "$cur" ;;
        words:*)
            local words=${1#words:}
            COMPREPLY=($(compgen -W "${words//,/ }" -- "$cur")) ;;
    esac
}

# _kelmctl_value_kind WORD: true, with the kind of its value in `kind`, when WORD is an option of
# the command reached so far (or a global option) that takes a value.
_kelmctl_value_kind()
{
    local entry
    for entry in $valued $global_valued; do
        if [[ ${entry%%=*} == "$1" ]]; then
            kind=${entry#*=}
            return 0
        fi
    done
    return 1
}

_kelmctl()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local commands options valued positionals more globals kind global_valued global_short path="" value_of=""
    _kelmctl_grammar ""
    # The global options (--port) are taken before or after the command.
    global_valued=$valued
    global_short=$globals

    # The command and its positionals so far; an option's value is not a positional.
    local -a args=()
    local i=1 w
    while ((i < COMP_CWORD)); do
        w=${COMP_WORDS[i]}
        if [[ $w == -?* ]]; then
            if _kelmctl_value_kind "$w"; then
                ((i + 1 == COMP_CWORD)) && value_of=$kind
                ((i++))
            fi
        elif [[ -z ${args[*]} && " $commands " == *" $w "* ]]; then
            path=${path:+$path }$w
            _kelmctl_grammar "$path"
        else
            args+=("$w")
        fi
        ((i++))
    done

    if [[ -n $value_of ]]; then
        _kelmctl_offer "$value_of" "$cur"
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options${path:+ $global_short}" -- "$cur"))
        return
    fi
    if [[ -n $commands ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return
    fi
    local -a kinds=($positionals)
    if ((${#args[@]} < ${#kinds[@]})); then
        kind=${kinds[${#args[@]}]}
    else
        kind=$more
    fi
    [[ -n $kind ]] && _kelmctl_offer "$kind" "$cur"
}
complete -o filenames -F _kelmctl kelmctl
