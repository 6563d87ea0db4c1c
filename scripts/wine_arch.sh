# Which Windows architectures this host can run under Wine. Sourced by the
# scripts; defines can_run_arch and why_not_arch.
#
# The 32-bit loader needs a kernel that runs 32-bit programs, which some
# hosts switch off at boot; so the question is put to the loader itself.

wine_loader_for() {
  case "$1" in
    i686) echo /usr/lib/wine/wine ;;
    x86_64) echo /usr/lib/wine/wine64 ;;
  esac
}

# Succeeds when the Wine loader of architecture $1 starts on this host.
can_run_arch() {
  "$(wine_loader_for "$1")" --version >/dev/null 2>&1
}

# One line saying why architecture $1 cannot run here.
why_not_arch() {
  local loader output
  loader=$(wine_loader_for "$1")
  if [ ! -e "$loader" ]; then
    echo "$loader is missing (Wine is not installed)"
    return
  fi
  output=$("$loader" --version 2>&1 | head -n 1)
  case "$output" in
    *"Exec format error"*) echo "this host's kernel runs no 32-bit programs ($loader: Exec format error)" ;;
    *) echo "$loader does not start: ${output:-no output}" ;;
  esac
}
