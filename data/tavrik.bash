# bash completion for tavrik                                  -*- shell-script -*-

_tavrik()
{
    local cur prev words cword
    _init_completion || return

    # format lists: made from the format rows
    local formats_in="xqf cbf ubbjava mxq mcj che ourgame ccm cnc pgn text textlayout fen cbl"
    local formats_out="xqf cbf webc5 ubb cnc pgn text fen"
    # end of format lists
    local record_opts="--mirror --add-summary --add-errors -q --quiet --help"
    local source_opts="--from --from-encoding -r --recursive --title-from-file-name"
    local dest_opts="--to --to-encoding --notation --main-line --standard
        --moves-per-line --xqf-version --page-template --board-size --code-base
        --md5-names --no-clobber"

    case $prev in
        --from)
            COMPREPLY=($(compgen -W "$formats_in" -- "$cur"))
            return ;;
        --to)
            COMPREPLY=($(compgen -W "$formats_out" -- "$cur"))
            return ;;
        --from-encoding)
            COMPREPLY=($(compgen -W "auto gbk big5 utf-8 utf-16" -- "$cur"))
            return ;;
        --to-encoding)
            COMPREPLY=($(compgen -W "auto gbk big5 utf-8" -- "$cur"))
            return ;;
        --notation)
            COMPREPLY=($(compgen -W "chinese wxf iccs" -- "$cur"))
            return ;;
        --standard)
            COMPREPLY=($(compgen -W "recommended wxf chinese" -- "$cur"))
            return ;;
        --xqf-version)
            COMPREPLY=($(compgen -W "1.0 1.8" -- "$cur"))
            return ;;
        --md5-names)
            COMPREPLY=($(compgen -W "never when-exists always" -- "$cur"))
            return ;;
        --names)
            COMPREPLY=($(compgen -W "title number both" -- "$cur"))
            return ;;
        --compression)
            COMPREPLY=($(compgen -W "stored fast default best" -- "$cur"))
            return ;;
        --set-result)
            COMPREPLY=($(compgen -W "keep red black draw unknown" -- "$cur"))
            return ;;
        --moves-per-line)
            COMPREPLY=($(compgen -W "1 2 3 4 5" -- "$cur"))
            return ;;
        --page-template)
            COMPREPLY=($(compgen -W "ubb html java frame" -- "$cur"))
            _filedir -d
            return ;;
        -j|--jobs|--records|--board-size|--code-base|--name|--url|--creator|--email|\
        --explanation|--set-*)
            return ;;
        -o|--output)
            _filedir
            return ;;
    esac

    # The sub-command and, for library, its action.
    local command="" action="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                elif [[ $command == library && -z $action ]]; then
                    action=${words[i]}
                fi ;;
        esac
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "convert library info check --help --version" -- "$cur"))
        [[ $cur == -* ]] || _filedir
        return
    fi

    local opts=""
    case $command in
        convert)
            opts="-o --output -j --jobs $source_opts $dest_opts $record_opts" ;;
        info)
            opts="--json --from --from-encoding --help" ;;
        check)
            opts="-r --recursive --json --from --from-encoding --help" ;;
        library)
            case $action in
                "")
                    COMPREPLY=($(compgen -W "list export build split --help" -- "$cur"))
                    return ;;
                list)
                    opts="--json --help" ;;
                export)
                    opts="-o --output --records --names $dest_opts $record_opts" ;;
                build)
                    opts="-o --output --append --compression --name --url --creator
                        --email --explanation --set-title --set-event --set-date --set-site
                        --set-red --set-black --set-commentator --set-author --set-url
                        --set-commentator-email --set-author-email --set-result
                        --no-clobber $source_opts $record_opts" ;;
                split)
                    opts="-o --output -r --recursive --anywhere --no-clobber -q --quiet
                        --help" ;;
            esac ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opts" -- "$cur"))
    else
        _filedir
    fi
} &&
    complete -F _tavrik tavrik

# ex: filetype=sh
