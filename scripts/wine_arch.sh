# Which Windows architectures this host can run under Wine. Sourced by the
# scripts; defines can_run_arch and why_not_arch.
#
# The 32-bit loader needs a kernel that runs 32-bit programs, which some
# hosts switch off at boot; so the question is put to the loader itself.

# The loader of architecture $1, as its toolchain file names it: the one
# place that says which loader runs which architecture.
wine_loader_for() {
  sed -nE 's/^set\(WINE_LOADER ([^)]+)\)$/\1/p' "$(dirname "${BASH_SOURCE[0]}")/../cmake/mingw-$1.cmake"
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
