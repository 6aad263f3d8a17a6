# Bash completion for zulctl. Load it in a shell with
#     source scripts/zulctl-completion.bash
# or copy it to ~/.local/share/bash-completion/completions/zulctl.
# File names for "show" are asked from the display machine itself (zulctl files), with a
# short timeout, so that completion never hangs on a machine that does not answer.

_zulctl_options=(--host --port --timeout --json --help)
_zulctl_commands=(caption show fade part parts files log cpu font load-fileset next prev start
                  stop send script)

_zulctl() {
    local cur prev words cword
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --host) COMPREPLY=($(compgen -A hostname -- "$cur")); return ;;
        --port | --timeout) COMPREPLY=(); return ;;
    esac
    # The command is the first word after the options and their values.
    local i=1 command= connection=()
    while [ $i -lt $COMP_CWORD ]; do
        case ${COMP_WORDS[i]} in
            --host | --port) connection+=("${COMP_WORDS[i]}" "${COMP_WORDS[i+1]}"); i=$((i + 2)) ;;
            --timeout) i=$((i + 2)) ;;
            -*) i=$((i + 1)) ;;
            *) command=${COMP_WORDS[i]}; break ;;
        esac
    done
    if [ -z "$command" ]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "${_zulctl_options[*]}" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "${_zulctl_commands[*]}" -- "$cur"))
        fi
        return
    fi
    [ $((COMP_CWORD - i)) -eq 1 ] || return
    case $command in
        script) COMPREPLY=($(compgen -f -- "$cur")) ;;
        caption) COMPREPLY=($(compgen -W "--stop" -- "$cur")) ;;
        send)
            local ids
            ids=$(zulctl --help 2>/dev/null | sed -n '/^コマンド識別子/,/^$/p' | grep -o 'Cmd[A-Za-z]*')
            COMPREPLY=($(compgen -W "$ids" -- "$cur"))
            ;;
        show | load-fileset)
            local IFS=$'\n' f mask='*.*'
            [ "$command" = load-fileset ] && mask='*.rf1'
            COMPREPLY=()
            for f in $(zulctl "${connection[@]}" --timeout 2 files "$mask" 2>/dev/null); do
                [[ $f == "folder: "* ]] && continue
                [[ $f == "$cur"* ]] && COMPREPLY+=("$f")
            done
            ;;
    esac
}
complete -F _zulctl zulctl
