# bash completion for kelvanefmt: its options, and files and folders after
# them. Installed into share/bash-completion/completions/kelvanefmt.
_kelvanefmt() {
  local current=${COMP_WORDS[COMP_CWORD]}
  local previous=${COMP_WORDS[COMP_CWORD-1]}
  case $previous in
    --config)
      COMPREPLY=($(compgen -f -- "$current"))
      return
      ;;
    --exclude|--stdin-name|--jobs|-j)
      COMPREPLY=()
      return
      ;;
  esac
  if [[ $current == -* ]]; then
    COMPREPLY=($(compgen -W '--help --version --check --diff --exclude --stdin-name
      --strip-comments --no-header --lf --crlf --config --no-config --no-ignore --lsp
      --quiet --jobs' -- "$current"))
    return
  fi
  COMPREPLY=($(compgen -f -- "$current"))
}
complete -o filenames -o bashdefault -F _kelvanefmt kelvanefmt
