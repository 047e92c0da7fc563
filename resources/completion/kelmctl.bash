# bash completion for kelmctl: commands, their options and the slot and mode names.
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

_kelmctl()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    # The command and its arguments so far, past the leading --port PATH pairs.
    local i=1 cmd="" sub=""
    local -a args=()
    while ((i < COMP_CWORD)); do
        local w=${COMP_WORDS[i]}
        if [[ -z $cmd ]]; then
            case $w in
                --port) ((i += 2)); continue ;;
                -*) ;;
                *) cmd=$w ;;
            esac
        elif [[ ( $cmd == edid || $cmd == net ) && -z $sub && $w != -* ]]; then
            sub=$w
        elif [[ $w == -* ]]; then
            # An option's value is not a positional argument.
            case $w in
                -o|--output|--date|--wait|--mode|--ip|--mask|--gateway|--dns|--web-port|--telnet-port) ((i++)) ;;
            esac
        else
            args+=("$w")
        fi
        ((i++))
    done

    case $prev in
        --port)
            COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}"))
            return ;;
        -o|--output)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --mode)
            [[ $cmd == net ]] && COMPREPLY=($(compgen -W "static dhcp" -- "$cur"))
            return ;;
        --date|--wait|--ip|--mask|--gateway|--dns|--web-port|--telnet-port)
            return ;;
    esac

    if [[ -z $cmd ]]; then
        COMPREPLY=($(compgen -W "edid info read write copy mode describe reset firmware net --port --help --version" -- "$cur"))
        return
    fi

    local opts="" positional=""
    case $cmd in
        edid)
            case $sub in
                "") COMPREPLY=($(compgen -W "new validate info decode state build roundtrip" -- "$cur")); return ;;
                new) opts="-o" ;;
                validate) positional=file ;;
                info|decode) opts="--json"; positional=file ;;
                state) opts="--new --date --json"; positional=file ;;
                build) opts="--new --date -o"; positional=file ;;
                roundtrip) opts="-o"; positional=file ;;
            esac ;;
        net)
            case $sub in
                "") COMPREPLY=($(compgen -W "discover set" -- "$cur")); return ;;
                discover) opts="--wait --json" ;;
                set) opts="--mode --ip --mask --gateway --dns --web-port --telnet-port --wait --json" ;;
            esac ;;
        info) opts="--json" ;;
        read)
            opts="-o"
            ((${#args[@]} == 0)) && positional=slot-any ;;
        write)
            ((${#args[@]} == 0)) && positional=slot-upload
            ((${#args[@]} == 1)) && positional=file ;;
        copy)
            ((${#args[@]} == 0)) && positional=slot-any
            ((${#args[@]} == 1)) && positional=slot-upload ;;
        mode) ((${#args[@]} == 0)) && positional=mode ;;
        reset) opts="--yes" ;;
        firmware)
            opts="--yes"
            ((${#args[@]} == 0)) && positional=file ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opts" -- "$cur"))
        return
    fi
    case $positional in
        file) COMPREPLY=($(compgen -f -- "$cur")) ;;
        slot-any) _kelmctl_numbered "input output user internal" "$cur" ;;
        slot-upload) _kelmctl_numbered "input user" "$cur" ;;
        mode) _kelmctl_numbered "internal external user" "$cur" ;;
    esac
}
complete -o filenames -F _kelmctl kelmctl
